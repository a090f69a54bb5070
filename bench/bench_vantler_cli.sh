#!/bin/sh
# Vantler's command line as a process against cjpeg as a process, on the same
# 3840x2160 24-bit bitmap at the same quality, timed by hyperfine. Process
# against process counts everything a user waits for: loading the program
# and its libraries, reading the bitmap, encoding, writing the JPEG.
#
# usage: bench/bench_vantler_cli.sh [build folder] [runs] [quality]
#   build folder  defaults to build (beside this script's folder)
#   runs          timed runs of each, default 30
#   quality       default 75
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build}
runs=${2:-30}
quality=${3:-75}

for tool in hyperfine cjpeg convert; do
    if ! command -v "$tool" >/dev/null 2>&1; then
        echo "$tool is missing (Debian: apt-get install hyperfine libjpeg-turbo-progs imagemagick)" >&2
        exit 1
    fi
done
cmake --build "$build" --target Vantler bmp2jpeg >/dev/null
vantler="$build/bin/Vantler"

work=$(mktemp -d "${TMPDIR:-/tmp}/bench-vantler-cli.XXXXXX")
trap 'rm -rf "$work"' EXIT INT TERM
# A photo-like picture (hard for JPEG) as a bottom-up 24-bit Windows bitmap.
convert -seed 7 -size 3840x2160 plasma:fractal -type TrueColor "BMP3:$work/4k.bmp"

echo "cjpeg: $(cjpeg -version 2>&1 | head -n 1)"
echo "load: $(uptime | sed 's/.*load average/load average/')"
# Neither program needs a display; Vantler must not look for one.
env -u DISPLAY -u WAYLAND_DISPLAY hyperfine -N --warmup 3 --runs "$runs" \
    --export-csv "$work/times.csv" \
    -n cjpeg "cjpeg -quality $quality -outfile $work/cjpeg.jpg $work/4k.bmp" \
    -n vantler "$vantler --quality $quality $work/4k.bmp $work/vantler.jpg"
awk -F, 'NR == 2 { c = $2 } NR == 3 { v = $2 }
         END { printf "vantler / cjpeg (means): %.2f\n", v / c }' "$work/times.csv"
ls -l "$work/cjpeg.jpg" "$work/vantler.jpg" | awk '{ print $5, $NF }'
