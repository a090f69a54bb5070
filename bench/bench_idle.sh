#!/bin/sh
# Idle CPU of the built Pictarro on a private virtual X server, with the
# clipboard empty and with text owned by another program (xclip), measured
# from /proc/<pid>/stat (user + system time) over a window of SECONDS. The X
# server's CPU over the same window is reported beside it. Target: below
# 0.5% of one core.
#
#   bench/bench_idle.sh [SECONDS]      (default 30)
set -eu
cd "$(dirname "$0")/.."
duration=${1:-30}
case "$duration" in
    '' | *[!0-9]*) echo "usage: $0 [SECONDS]" >&2; exit 2 ;;
esac

if [ -z "${PICTARRO_IDLE_ON_XVFB:-}" ]; then
    if [ ! -x build/bin/Pictarro ] || [ ! -e build/bin/libbmp2jpeg.so ] || [ ! -e build/bin/libPictarroPicBox.so ]; then
        echo "bench_idle.sh: build/bin/Pictarro is missing: run scripts/build.sh first" >&2
        exit 1
    fi
    PICTARRO_IDLE_ON_XVFB=1 exec tests/isolated.sh tests/e2e/with-xvfb.sh "$0" "$duration"
fi

# From here on: private HOME and XDG folders, our own X server in DISPLAY.
program=$(mktemp -d "${TMPDIR:-/tmp}/pictarro-idle.XXXXXX")
pictarro=""
owner=""
finish() {
    for pid in $owner $pictarro; do
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    rm -rf "$program"
}
trap finish EXIT
cp build/bin/Pictarro build/bin/libbmp2jpeg.so build/bin/libPictarroPicBox.so "$program/"

# Clock ticks of user + system time; the command name is in parentheses
# and may hold blanks, so fields are counted after it.
ticks() {
    sed 's/^.*) //' "/proc/$1/stat" | awk '{ print $12 + $13 }'
}
now() {
    awk '{ print $1 }' /proc/uptime
}
poll_until() { # seconds, command...
    limit=$1
    shift
    tries=$((limit * 20))
    while ! "$@"; do
        tries=$((tries - 1))
        [ "$tries" -gt 0 ] || return 1
        sleep 0.05
    done
}

settings="$XDG_CONFIG_HOME/Pictarro/1.ini"
started() { [ -f "$settings" ] && [ -d "$program/Captured Screens" ]; }
"$program/Pictarro" >"$program/pictarro.log" 2>&1 &
pictarro=$!
if ! poll_until 20 started; then
    echo "bench_idle.sh: Pictarro did not start:" >&2
    cat "$program/pictarro.log" >&2
    exit 1
fi

xserver=$PICTARRO_XVFB_PID
hz=$(getconf CLK_TCK)

# Let the start-up (window shown, first paints) settle before measuring.
sleep 2

measure() { # label
    p0=$(ticks "$pictarro")
    x0=$(ticks "$xserver")
    t0=$(now)
    sleep "$duration"
    p1=$(ticks "$pictarro")
    x1=$(ticks "$xserver")
    t1=$(now)
    awk -v label="$1" -v p="$((p1 - p0))" -v x="$((x1 - x0))" -v hz="$hz" \
        -v t0="$t0" -v t1="$t1" 'BEGIN {
            seconds = t1 - t0
            pcpu = 100 * p / hz / seconds
            xcpu = 100 * x / hz / seconds
            printf "%-34s %7.1f %10.3f %9.3f   %s\n", label, seconds, pcpu, xcpu,
                   (pcpu < 0.5 ? "ok" : "OVER")
        }'
}

echo "Idle CPU over ${duration} s windows (percent of one core; clock tick 1/$hz s)"
echo
printf "%-34s %7s %10s %9s   %s\n" "clipboard" "seconds" "Pictarro%" "Xvfb%" "target <0.5%"

xclip -selection clipboard -o >/dev/null 2>&1 && echo "note: the clipboard was not empty" >&2
measure "empty"

printf 'some text held by another program\n' |
    xclip -selection clipboard -verbose >/dev/null 2>"$program/owner.log" &
owner=$!
has_text() { xclip -selection clipboard -o 2>/dev/null | grep -q "held by another"; }
if ! poll_until 20 has_text; then
    echo "bench_idle.sh: xclip does not hold the text" >&2
    exit 1
fi
sleep 1
served_before=$(grep -c "request number" "$program/owner.log" || true)
measure "text owned by xclip"
served_after=$(grep -c "request number" "$program/owner.log" || true)
kill -0 "$owner" 2>/dev/null || echo "note: the text owner lost the clipboard" >&2
echo
echo "Requests the text owner served during its window: $((served_after - served_before))"
