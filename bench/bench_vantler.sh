#!/bin/sh
# Builds and runs bench_vantler: Vantler's conversion path (and the reading
# of the chosen bitmap for its preview) against cjpeg on a 3840x2160 24-bit
# bitmap at quality 75.
#
# usage: bench/bench_vantler.sh [build folder] [runs]
#   build folder  defaults to build (beside this script's folder)
#   runs          timed runs of each, default 15
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build}
runs=${2:-15}

if ! command -v cjpeg >/dev/null 2>&1; then
    echo "cjpeg is missing (Debian: apt-get install libjpeg-turbo-progs)" >&2
    exit 1
fi
cmake --build "$build" --target bench_vantler
echo "cjpeg: $(cjpeg -version 2>&1 | head -n 1)"
# The files go into a temporary folder under TMPDIR: point it at the
# filesystem your pictures are kept on to measure that one.
exec "$build/bench/bench_vantler" "$runs"
