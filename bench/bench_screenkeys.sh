#!/bin/sh
# PrintScreen to the complete capture file, on a private virtual X server of
# each size, beside ImageMagick's `import -window root shot.bmp` of the same
# screen in the same run.
#
#   bench/bench_screenkeys.sh [--sizes 1920x1080,3840x2160] [--runs N]
#                             [--formats bmp,jpg,png]
#
# The key is pressed through XTEST (as xdotool does) from the measuring
# process itself, so no program start is counted for Pictarro; `import` is
# timed as a user runs it, start to exit. The screen shows Pictarro's window
# and another program's window with a photograph-like picture over the
# server's root pattern. Median and best of N runs after a cold one, in ms;
# the memory is how far Pictarro's peak (VmHWM) rose over the captures, and
# import's whole peak.
# Build first (scripts/build.sh); needs Xvfb, ImageMagick and python3.
set -eu
cd "$(dirname "$0")/.."
for file in build/bin/Pictarro build/bin/libbmp2jpeg.so build/bin/libPictarroPicBox.so; do
    if [ ! -e "$file" ]; then
        echo "bench_screenkeys.sh: $file is missing: run scripts/build.sh first" >&2
        exit 1
    fi
done
for tool in Xvfb import display convert python3; do
    command -v "$tool" >/dev/null || { echo "bench_screenkeys.sh: $tool is missing" >&2; exit 1; }
done
sizes=1920x1080,3840x2160
if [ "${1:-}" = "--sizes" ]; then
    sizes=$2
    shift 2
fi
echo "| screen | what | ms, median and best | peak memory, MB |"
echo "|---|---|---|---|"
for size in $(echo "$sizes" | tr ',' ' '); do
    PICTARRO_XVFB_SCREEN="${size}x24" tests/isolated.sh tests/e2e/with-xvfb.sh \
        python3 bench/screenkeys_latency.py "$PWD/build/bin" "$@"
done
