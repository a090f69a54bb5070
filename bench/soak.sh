#!/bin/sh
# Soak: CAPTURES pictures (640×360) in a row, offered by another process on
# a private virtual X server, each the moment the previous one was taken,
# once saved as bitmaps and once as JPEG. Reports Pictarro's resident memory
# after the first 20 captures and after the last, its peak, and the time;
# fails when memory grows by 16 MB or more, when a capture is missing or
# doubled, or when any temporary file is left behind (beside the program, in
# the settings, runtime and temporary folders, among the captures).
#
# It is the soak case of the end-to-end reliability test, which CI runs
# with 200 captures.
#
# Memory handed back after bursts of large pictures (1080p to 8K, offered,
# handed over and by PrintScreen) is measured by bench/burst_memory.sh.
#
#   bench/soak.sh [CAPTURES] [BUILD_DIR]      (default 2000, build)
set -eu
cd "$(dirname "$0")/.."
captures=${1:-2000}
build=${2:-build}
case "$captures" in
    '' | *[!0-9]*) echo "usage: $0 [CAPTURES] [BUILD_DIR]" >&2; exit 2 ;;
esac
test_program="$build/tests/tst_reliability_e2e"
if [ ! -x "$test_program" ] || [ ! -x "$build/bin/Pictarro" ]; then
    echo "soak.sh: $test_program is missing: run scripts/build.sh first" >&2
    exit 1
fi

echo "Pictarro soak: $captures captures per format"
PICTARRO_SOAK_CAPTURES="$captures" exec tests/isolated.sh tests/e2e/with-xvfb.sh \
    "$test_program" soak_memoryFlat_noTemporaryFiles
