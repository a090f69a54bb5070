#!/bin/sh
# Takes pictures of the real programs on a private virtual X server with a
# fresh settings store, captured with ImageMagick.
#
#   scripts/screenshot.sh [output.png]
#       Every picture in README.md and docs/: the main window to output.png
#       (default docs/mainform.png); the folder manager (showing the main
#       window's own picture as a capture) and the sound window beside it,
#       as foldermanager.png and soundform.png.
#   scripts/screenshot.sh --font "Noto Sans" [folder]
#       Every window with that font standing in for Tahoma and for the
#       desktop's sans-serif font, into folder (default
#       build/screenshots/<font>/): the main window, About, "I Like
#       Pictarro", the folder manager, the sound window, the folder chooser,
#       Vantler and the contact note. For checking by eye that no text is cut
#       off or crowded under a font the layouts were not drawn for.
#
# Each picture is written without ImageMagick's time stamps, so pictures of
# unchanged windows come out byte for byte the same, and is squeezed
# losslessly by optipng when it is installed (apt-get install optipng).
set -eu
cd "$(dirname "$0")/.."
font=""
if [ "${1:-}" = "--font" ]; then
    [ $# -ge 2 ] || { echo "usage: $0 --font FAMILY [folder]" >&2; exit 2; }
    font=$2
    shift 2
fi
# An ImageMagick command (import, convert, identify) by its plain name, by
# the versioned name Debian installs (the plain one is only an alternative
# that may not be set up), or through ImageMagick 7's magick.
im() {
    tool=$1
    shift
    if command -v "$tool" >/dev/null; then
        "$tool" "$@"
    elif command -v "$tool-im6.q16" >/dev/null; then
        "$tool-im6.q16" "$@"
    else
        magick "$tool" "$@"
    fi
}
if ! { command -v import || command -v import-im6.q16 || command -v magick; } >/dev/null ||
    ! command -v xwininfo >/dev/null || ! command -v xdotool >/dev/null; then
    echo "needs ImageMagick, xwininfo and xdotool: apt-get install imagemagick x11-utils xdotool" >&2
    exit 1
fi
bin=${PICTARRO_BIN:-build/bin}
[ -x "$bin/Pictarro" ] || scripts/build.sh

root=$(mktemp -d)
app=""
xvfb=""
trap 'kill $app $xvfb 2>/dev/null || true; rm -rf "$root"' EXIT
mkdir -p "$root/program" "$root/runtime" && chmod 700 "$root/runtime"
# A program folder of its own, so the window shows a tidy default folder.
cp "$bin/Pictarro" "$bin/libbmp2jpeg.so" "$bin/libPictarroPicBox.so" "$root/program/"
cp -r "$bin/Sounds" "$root/program/"

if [ -n "$font" ]; then
    fc-list "$font" | grep -q . || { echo "the font \"$font\" is not installed" >&2; exit 1; }
    # The chosen family first for every request (Tahoma, sans-serif and the
    # rest), then the system's own configuration.
    cat >"$root/fonts.conf" <<EOF
<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "urn:fontconfig:fonts.dtd">
<fontconfig>
  <match target="pattern">
    <edit name="family" mode="prepend_first" binding="strong"><string>$font</string></edit>
  </match>
  <include ignore_missing="yes">/etc/fonts/fonts.conf</include>
  <cachedir>$root/fontcache</cachedir>
</fontconfig>
EOF
    export FONTCONFIG_FILE="$root/fonts.conf"
fi

exec 3>"$root/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
while [ ! -s "$root/display" ]; do sleep 0.1; done
export DISPLAY=":$(cat "$root/display")"
unset QT_QPA_PLATFORM WAYLAND_DISPLAY
export HOME="$root" XDG_CONFIG_HOME="$root/config" XDG_DATA_HOME="$root/data" \
    XDG_RUNTIME_DIR="$root/runtime"

# The id of the shown window with exactly this title, once it is mapped.
window() {
    for _ in $(seq 1 600); do
        found=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1)
        [ -n "$found" ] && { echo "$found"; return 0; }
        sleep 0.1
    done
    echo "the window \"$1\" did not appear" >&2
    return 1
}
# Lets the window of this id paint, and takes its picture.
take() {
    sleep 1
    im import -window "$1" -strip -define png:exclude-chunks=date,time "$2"
    if command -v optipng >/dev/null; then
        optipng -quiet -o5 -strip all "$2"
    fi
    echo "wrote $2 ($(wc -c <"$2") bytes)"
}
# Waits for the window of this title and takes its picture.
shoot() {
    take "$(window "$1")" "$2"
}
# Starts Pictarro with this capture folder and waits for its window.
start() {
    mkdir -p "$root/config/Pictarro"
    printf '[CapturePath]\nFolder=%s\n' "$1" >"$root/config/Pictarro/1.ini"
    "$root/program/Pictarro" &
    app=$!
    id=$(window "Pictarro")
}
quit() {
    xdotool windowfocus --sync "$id" key ctrl+q
    wait "$app" || true
    app=""
}
# Opens a window of Pictarro's by its shortcut, takes it and closes it.
secondary() {
    xdotool windowfocus --sync "$id" key "$1"
    shoot "$2" "$3"
    xdotool key Escape
    sleep 0.5
}

captures="$root/captures"
mkdir -p "$captures"
if [ -z "$font" ]; then
    out=${1:-docs/mainform.png}
    dir=$(dirname "$out")
    # A folder as a user would have it; the picture shows only its name.
    start /home/ann/Pictures/Screenshots
    shoot "Pictarro" "$out"
    quit
    start "$captures"
else
    dir=${1:-build/screenshots/$font}
    mkdir -p "$dir"
    out="$dir/mainform.png"
    start "$captures"
    shoot "Pictarro" "$out"
    # The folder chooser opens from the button beside the capture folder.
    # The folder's field is the first white in a line down the window's
    # right half; the button is level with it, a fixed way from the right.
    width=$(im identify -format %w "$out")
    y=$(im convert "$out" -crop "1x400+$((width * 6 / 10))+0" txt:- |
        awk -F'[,: ]+' '/#FFFFFF/ { print $2; exit }')
    xdotool mousemove --window "$id" $((width - 104)) $((y + 10)) click 1
    shoot "Browse For New Folder" "$dir/newfolder.png"
    xdotool key Escape
    sleep 0.5
fi

# The capture folder holds the main window's picture in each format the
# program saves: the folder manager lists them and previews the newest, the
# PNG; then the sound window.
im convert "$out" "BMP3:$captures/Pictarro 1.bmp"
im convert "$out" -quality 80 "$captures/Pictarro 2.jpg"
cp "$out" "$captures/Pictarro 3.png"
xdotool windowfocus --sync "$id" key ctrl+f
fm=$(window "Pictarro - Folder Manager")
# Into the list and onto its last capture: back from the focus holder,
# past the preview.
xdotool key shift+Tab shift+Tab End
take "$fm" "$dir/foldermanager.png"
xdotool key Escape
sleep 0.5

xdotool windowfocus --sync "$id" key ctrl+s
shoot "Sound Assignment" "$dir/soundform.png"
[ -z "$font" ] && exit 0
xdotool key Escape
sleep 0.5

secondary ctrl+b "About Pictarro" "$dir/about.png"
secondary ctrl+i "I Like Pictarro" "$dir/ilike.png"
quit

"$bin/Vantler" &
app=$!
shoot "Pictarro - Vantler" "$dir/vantler.png"
kill "$app"
wait "$app" 2>/dev/null || true
"$bin/Contact Tarnwell Software" &
app=$!
shoot "Contact Tarnwell Software" "$dir/contact.png"
kill "$app"
wait "$app" 2>/dev/null || true
app=""
