#!/bin/sh
# Installs what is missing, builds, and runs every test (unit, window and
# end-to-end tests; the end-to-end ones start their own virtual X server).
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
ctest --test-dir build --output-on-failure -j2 "$@"
