#!/bin/sh
# Builds the BmpToJpeg fuzz target with clang (libFuzzer, AddressSanitizer,
# UndefinedBehaviorSanitizer), apart from the g++ build, writes the seed
# corpus and fuzzes for the given time. Exits non-zero when the fuzzer finds
# a crash, a leak or a broken promise of the library; the input that did it
# is kept in <work folder>/crashes/.
#
# usage: tests/fuzz/run-fuzz.sh [seconds] [work folder]
#   seconds      default 60
#   work folder  default build/fuzz (beside this script's tests folder)
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
seconds=${1:-60}
work=${2:-$root/build/fuzz}
cxx=${FUZZ_CXX:-clang++}

if ! command -v "$cxx" >/dev/null 2>&1; then
    echo "$cxx is missing (Debian: apt-get install clang libclang-rt-14-dev)" >&2
    exit 77
fi
mkdir -p "$work/seeds" "$work/corpus" "$work/crashes" "$work/tmp"

flags="-std=c++17 -O1 -g -fno-omit-frame-pointer -fsanitize=fuzzer,address,undefined
  -fno-sanitize-recover=all"
# shellcheck disable=SC2046,SC2086
"$cxx" $flags -I"$root/bmp2jpeg" $(pkg-config --cflags libturbojpeg) \
    "$root/bmp2jpeg/bmp2jpeg.cpp" "$root/bmp2jpeg/BmpReader.cpp" "$here/fuzz_bmp2jpeg.cpp" \
    $(pkg-config --libs libturbojpeg) -o "$work/fuzz_bmp2jpeg"
"$cxx" -std=c++17 -O1 "$here/make_seeds.cpp" -o "$work/make_seeds"
"$work/make_seeds" "$work/seeds"

# The library writes each JPEG beside its target and flushes it; keep that
# in the work folder rather than in a shared /tmp.
TMPDIR="$work/tmp" exec "$work/fuzz_bmp2jpeg" \
    -max_total_time="$seconds" -max_len=65536 -rss_limit_mb=2048 -timeout=30 \
    -print_final_stats=1 -artifact_prefix="$work/crashes/" \
    "$work/corpus" "$work/seeds"
