#!/bin/sh
# Memory given back after a burst: Pictarro at rest on a private virtual X
# server, then CAPTURES pictures in a row (1920×1080, 3840×2160 and
# 7680×4320 in turn, each a picture of its own), then rest, then a second
# burst and rest again. Prints Pictarro's resident memory (VmRSS) before the
# burst, its peak during it, 15 s and 60 s after the last capture, and 60 s
# after the second burst, for each way in and each format:
#
#   offer        offered on the clipboard by another program that stays
#                until Pictarro took it: xclip with a PNG of random pixels
#                (--pictures photo, the default: 6, 25 and 100 MB offers), or
#                tests/e2e/clipboard_agent feed with a screen-like picture
#                (--pictures screen: a few kilobytes)
#   handover     copied by a program that quits at once, handed over to
#                Pictarro as the clipboard manager (clipboard_agent copy-and-quit)
#   printscreen  PrintScreen pressed through XTEST, on a 3840×2160 screen
#
#   bench/burst_memory.sh [--captures 60] [--formats bmp,jpg,png]
#                         [--ways offer,handover,printscreen] [--sizes WxH,...]
#                         [--bin DIR]   (Pictarro and its libraries; default build/bin)
#                         [--pictures photo|screen]
#
# Build first: cmake --build build --target Pictarro clipboard_agent.
# Needs Xvfb, xclip, python3 and libXtst.
set -eu
cd "$(dirname "$0")/.."
for file in build/bin/Pictarro build/tests/clipboard_agent; do
    if [ ! -x "$file" ]; then
        echo "burst_memory.sh: $file is missing: build Pictarro and clipboard_agent first" >&2
        exit 1
    fi
done
PICTARRO_XVFB_SCREEN=3840x2160x24 exec tests/isolated.sh tests/e2e/with-xvfb.sh \
    python3 bench/burst_memory.py "$PWD/build" "$@"
