#!/bin/sh
# Configures and builds everything into build/; what ships lands in build/bin.
# ccache, when installed, makes rebuilds of unchanged units instant.
set -eu
cd "$(dirname "$0")/.."
launcher=""
command -v ccache >/dev/null 2>&1 && launcher="-DCMAKE_CXX_COMPILER_LAUNCHER=ccache"
# shellcheck disable=SC2086
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $launcher >/dev/null
cmake --build build
