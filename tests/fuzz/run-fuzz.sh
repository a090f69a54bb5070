#!/bin/sh
# Builds one fuzz target with clang (libFuzzer, AddressSanitizer,
# UndefinedBehaviorSanitizer), apart from the g++ build, writes its seed
# corpus and fuzzes for the given time. Exits with 1 when the fuzzer finds
# a crash, a leak, an allocation past the target's limit or a broken
# promise of the code under test (libFuzzer's own code for that, 77, is
# CTest's code for a skipped test, used when clang is missing); the input
# that did it is kept in the target's crashes/ folder.
#
# usage: tests/fuzz/run-fuzz.sh [seconds] [work folder] [target]
#   seconds      default 60
#   work folder  default build/fuzz (beside this script's tests folder)
#   target       bmp2jpeg (default), png_check, picture_rows,
#                offered_picture, offer_pipe or offer_stream
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
seconds=${1:-60}
work=${2:-$root/build/fuzz}
target=${3:-bmp2jpeg}
cxx=${FUZZ_CXX:-clang++}

if ! command -v "$cxx" >/dev/null 2>&1; then
    echo "$cxx is missing (Debian: apt-get install clang libclang-rt-14-dev)" >&2
    exit 77
fi
flags="-std=c++17 -O1 -g -fno-omit-frame-pointer -fsanitize=fuzzer,address,undefined
  -fno-sanitize-recover=all"

if [ "$target" = bmp2jpeg ]; then
    mkdir -p "$work/seeds" "$work/corpus" "$work/crashes" "$work/tmp"
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
        -error_exitcode=1 -timeout_exitcode=1 \
        -print_final_stats=1 -artifact_prefix="$work/crashes/" \
        "$work/corpus" "$work/seeds"
fi

# The readers of pictures other programs offer. They are built with a
# ceiling of 2048 × 2048 (16 MB decoded) instead of 16384 × 16384, so that
# every input reads quickly; any single allocation past that ceiling is a
# finding, and so is a process past a few times it.
case "$target" in
png_check) sources="pictures/PngStructure.cpp" seeds=png ;;
picture_rows) sources="pictures/PngStructure.cpp pictures/OfferStream.cpp pictures/OfferedPicture.cpp pictures/PictureRows.cpp" seeds=png ;;
offered_picture) sources="pictures/PngStructure.cpp pictures/OfferStream.cpp pictures/OfferedPicture.cpp" seeds=offered ;;
offer_pipe) sources="pictures/PngStructure.cpp pictures/OfferStream.cpp pictures/OfferedPicture.cpp clipboard/OfferPipe.cpp" seeds=pipe ;;
offer_stream) sources="pictures/PngStructure.cpp pictures/OfferStream.cpp pictures/OfferedPicture.cpp" seeds=stream ;;
*) echo "unknown target $target" >&2; exit 2 ;;
esac
folder="$work/$target"
mkdir -p "$folder/corpus" "$folder/crashes" "$folder/seeds"
packages="Qt6Gui spng libdeflate libjpeg"
paths=""
for source in $sources; do paths="$paths $root/$source"; done
# shellcheck disable=SC2046,SC2086
"$cxx" $flags -fPIC -DPICTARRO_OFFERED_MAX_SIDE=2048 -I"$root/pictures" -I"$root/clipboard" \
    $(pkg-config --cflags $packages) $paths "$here/fuzz_$target.cpp" \
    $(pkg-config --libs $packages) -lpthread -o "$folder/fuzz_$target"
# shellcheck disable=SC2046
"$cxx" -std=c++17 -O1 -fPIC $(pkg-config --cflags Qt6Gui libdeflate) \
    "$here/make_picture_seeds.cpp" $(pkg-config --libs Qt6Gui libdeflate) \
    -o "$folder/make_picture_seeds"
"$folder/make_picture_seeds" "$folder/seeds"
exec "$folder/fuzz_$target" \
    -max_total_time="$seconds" -max_len=65536 -malloc_limit_mb=16 -rss_limit_mb=1024 \
    -timeout=30 -error_exitcode=1 -timeout_exitcode=1 -print_final_stats=1 \
    -artifact_prefix="$folder/crashes/" \
    "$folder/corpus" "$folder/seeds/$seeds"
