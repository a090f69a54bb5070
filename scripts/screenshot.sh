#!/bin/sh
# Takes the README's picture of the main window: Pictarro on a private
# virtual X server with a fresh settings store, captured with ImageMagick.
# Usage: scripts/screenshot.sh [output.png]   (default docs/mainform.png)
set -eu
cd "$(dirname "$0")/.."
out=${1:-docs/mainform.png}
command -v import >/dev/null && command -v xwininfo >/dev/null ||
    { echo "needs ImageMagick and xwininfo: apt-get install imagemagick x11-utils" >&2; exit 1; }
bin=${PICTARRO_BIN:-build/bin}
[ -x "$bin/Pictarro" ] || scripts/build.sh

root=$(mktemp -d)
trap 'kill $app $xvfb 2>/dev/null || true; rm -rf "$root"' EXIT
mkdir -p "$root/program" "$root/runtime" && chmod 700 "$root/runtime"
# A program folder of its own, so the window shows a tidy default folder.
cp "$bin/Pictarro" "$bin/libbmp2jpeg.so" "$bin/libPictarroPicBox.so" "$root/program/"

exec 3>"$root/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
while [ ! -s "$root/display" ]; do sleep 0.1; done
export DISPLAY=":$(cat "$root/display")"
unset QT_QPA_PLATFORM WAYLAND_DISPLAY

# A folder as a user would have it; the picture shows only its name.
mkdir -p "$root/config/Pictarro"
printf '[CapturePath]\nFolder=/home/ann/Pictures/Screenshots\n' >"$root/config/Pictarro/1.ini"
HOME="$root" XDG_CONFIG_HOME="$root/config" XDG_DATA_HOME="$root/data" \
XDG_RUNTIME_DIR="$root/runtime" "$root/program/Pictarro" &
app=$!
# Poll until the window is mapped, then give it a moment to paint.
id=""
for _ in $(seq 1 100); do
    id=$(xwininfo -root -tree 2>/dev/null | awk '/"Pictarro": \("Pictarro"/ { print $1; exit }')
    [ -n "$id" ] && break
    sleep 0.1
done
[ -n "$id" ] || { echo "the window did not appear" >&2; exit 1; }
sleep 1
import -window "$id" "$out"
echo "wrote $out"
