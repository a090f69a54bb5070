#!/bin/sh
# Takes the README's pictures: Pictarro on a private virtual X server with a
# fresh settings store, captured with ImageMagick. The main window goes to
# the given file; the folder manager (showing the main window's own picture
# as a capture) and the sound window go beside it, as foldermanager.png and
# soundform.png.
# Usage: scripts/screenshot.sh [output.png]   (default docs/mainform.png)
set -eu
cd "$(dirname "$0")/.."
out=${1:-docs/mainform.png}
command -v import >/dev/null && command -v xwininfo >/dev/null && command -v xdotool >/dev/null ||
    { echo "needs ImageMagick, xwininfo and xdotool: apt-get install imagemagick x11-utils xdotool" >&2; exit 1; }
bin=${PICTARRO_BIN:-build/bin}
[ -x "$bin/Pictarro" ] || scripts/build.sh

root=$(mktemp -d)
trap 'kill $app $xvfb 2>/dev/null || true; rm -rf "$root"' EXIT
mkdir -p "$root/program" "$root/runtime" && chmod 700 "$root/runtime"
# A program folder of its own, so the window shows a tidy default folder.
cp "$bin/Pictarro" "$bin/libbmp2jpeg.so" "$bin/libPictarroPicBox.so" "$root/program/"
cp -r "$bin/Sounds" "$root/program/"

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
# The id of the shown window with exactly this title, once it is mapped.
window() {
    for _ in $(seq 1 100); do
        found=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1)
        [ -n "$found" ] && { echo "$found"; return 0; }
        sleep 0.1
    done
    echo "the window \"$1\" did not appear" >&2
    return 1
}
id=$(window "Pictarro")
sleep 1
import -window "$id" "$out"
echo "wrote $out"
xdotool windowfocus --sync "$id" key ctrl+q
wait "$app" || true

# Again on a capture folder holding the picture just taken, as a bitmap and
# as a JPEG: the folder manager previews the first, then the sound window.
dir=$(dirname "$out")
captures="$root/captures"
mkdir -p "$captures"
convert "$out" "BMP3:$captures/Pictarro 1.bmp"
convert "$out" -quality 80 "$captures/Pictarro 2.jpg"
printf '[CapturePath]\nFolder=%s\n' "$captures" >"$root/config/Pictarro/1.ini"
HOME="$root" XDG_CONFIG_HOME="$root/config" XDG_DATA_HOME="$root/data" \
XDG_RUNTIME_DIR="$root/runtime" "$root/program/Pictarro" &
app=$!
id=$(window "Pictarro")
xdotool windowfocus --sync "$id" key ctrl+f
fm=$(window "Pictarro - Folder Manager")
# Into the list and onto its first capture.
xdotool key Tab Tab Down
sleep 1
import -window "$fm" "$dir/foldermanager.png"
echo "wrote $dir/foldermanager.png"
xdotool key Escape

xdotool windowfocus --sync "$id" key ctrl+s
sound=$(window "Sound Assignment")
sleep 1
import -window "$sound" "$dir/soundform.png"
echo "wrote $dir/soundform.png"
