#!/bin/sh
# Installs what is missing, builds, and starts Pictarro. Without a display it
# runs on a virtual X server (Xvfb) of its own.
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    exec build/bin/Pictarro
fi
echo "No display: starting Pictarro on a virtual X server."
exec xvfb-run -a -s "-screen 0 1280x800x24" dbus-run-session -- build/bin/Pictarro
