#!/bin/sh
# Capture latency of the built Pictarro on a private virtual X server, from
# 1280x720 to 7680x4320, for screenshot-like pictures, grainy photographs
# and noise: xclip started with the picture -> complete capture file, as BMP,
# JPEG (quality 75), PNG kept as offered and PNG encoded from a bitmap offer,
# beside the bare clipboard transfer and decode of the same offers.
#
#   bench/bench_capture.sh [--runs N] [--csv FILE] [--sizes 720,1080,2160,4320]
#                          [--pictures screen,photo,noise] [--handover | --paste]
#
# --handover times instead how long a program that copies and quits waits on
# Pictarro, the clipboard manager, beside the capture latency from xclip.
# --paste times the capture latency with the clipboard keeping the capture
# ("Picture", "File") beside emptying it, and the complete file to the first
# paste, as bitmaps and as PNG files kept as offered.
#
# Build first (scripts/build.sh). Prints a table of milliseconds; with --csv
# also writes the figures for bench/chart_capture.sh.
set -eu
cd "$(dirname "$0")/.."
bench=build/bench/bench_capture_latency
for file in "$bench" build/bin/Pictarro build/bin/libbmp2jpeg.so build/bin/libPictarroPicBox.so; do
    if [ ! -e "$file" ]; then
        echo "bench_capture.sh: $file is missing: run scripts/build.sh first" >&2
        exit 1
    fi
done
exec tests/isolated.sh tests/e2e/with-xvfb.sh "$bench" --bin-dir "$PWD/build/bin" "$@"
