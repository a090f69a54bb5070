#!/bin/sh
# Capture latency of the built Pictarro on a private virtual X server:
# xclip started with a screen-sized PNG -> complete capture file, as BMP and
# as JPEG (quality 75), beside the bare clipboard transfer and decode.
#
#   bench/bench_capture.sh [--runs N]
#
# Build first (scripts/build.sh). Prints a table of milliseconds.
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
