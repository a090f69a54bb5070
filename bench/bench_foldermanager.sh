#!/bin/sh
# Builds and runs bench_foldermanager: the folder manager opening a folder of
# 10,000 captures, and the preview of 1920x1080 and 3840x2160 captures as
# bitmap and JPEG, on the offscreen platform.
#
# usage: bench/bench_foldermanager.sh [build folder] [runs]
#   build folder  defaults to build (beside this script's folder)
#   runs          timed runs of each, default 15
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build}
runs=${2:-15}

cmake --build "$build" --target bench_foldermanager
# The captures go into a temporary folder under TMPDIR: point it at the
# filesystem your captures are kept on to measure that one.
QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} exec "$build/bench/bench_foldermanager" "$runs"
