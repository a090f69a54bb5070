#!/bin/sh
# What an idle Pictarro costs: the built Pictarro on a private virtual X
# server with nothing changing, over windows of SECONDS (default 60). For
# each window it reports the CPU time used (user + system, all threads, from
# /proc/<pid>/task/*/schedstat, in seconds) and the voluntary context
# switches, which count the times the process went to sleep and was woken:
# those of the main thread (/proc/<pid>/status) and of all its threads.
# A program with no periodic wakeups makes none while nothing happens.
#
# When CopyQ is installed it runs beside Pictarro on the same X server and is
# measured in the same windows, as a yardstick: a clipboard manager that
# watches the same clipboard. Goal: Pictarro's CPU no higher than CopyQ's,
# its voluntary context switches in single digits.
#
# Windows measured:
#   1. window shown, clipboard empty
#   2. window shown, text on the clipboard held by another program (xclip)
#   3. window hidden behind its notification-area icon (trayer provides the
#      notification area; without trayer the window is minimised instead),
#      the same text on the clipboard
#
#   bench/bench_idle.sh [SECONDS]
set -eu
cd "$(dirname "$0")/.."
duration=${1:-60}
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
# Logs elsewhere: the program folder holds the default capture folder, which
# Pictarro watches, and a log growing there would wake it.
logs=$(mktemp -d "${TMPDIR:-/tmp}/pictarro-idle-logs.XXXXXX")
pictarro=""
copyq=""
owner=""
tray=""
finish() {
    for pid in $owner $pictarro $copyq $tray; do
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    rm -rf "$program" "$logs"
}
trap finish EXIT
cp build/bin/Pictarro build/bin/libbmp2jpeg.so build/bin/libPictarroPicBox.so "$program/"

# CPU time of all threads in nanoseconds (schedstat's first field), or
# clock ticks from /proc/<pid>/stat where schedstat is missing.
cpu_ns() {
    if [ -r "/proc/$1/schedstat" ]; then
        cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{ s += $1 } END { printf "%.0f\n", s }'
    else
        sed 's/^.*) //' "/proc/$1/stat" |
            awk -v hz="$(getconf CLK_TCK)" '{ printf "%.0f\n", ($12 + $13) * 1e9 / hz }'
    fi
}
switches_main() {
    awk '/^voluntary_ctxt_switches/ { print $2 }' "/proc/$1/status"
}
switches_all() {
    cat /proc/"$1"/task/*/status 2>/dev/null | awk '/^voluntary_ctxt_switches/ { s += $2 } END { print s + 0 }'
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
start_pictarro() {
    "$program/Pictarro" >>"$logs/pictarro.log" 2>&1 &
    pictarro=$!
    if ! poll_until 20 started; then
        echo "bench_idle.sh: Pictarro did not start:" >&2
        cat "$logs/pictarro.log" >&2
        exit 1
    fi
}
stop_pictarro() {
    kill "$pictarro" 2>/dev/null || true
    wait "$pictarro" 2>/dev/null || true
    pictarro=""
}

if command -v copyq >/dev/null 2>&1; then
    copyq >"$logs/copyq.log" 2>&1 &
    copyq=$!
fi

# One line per program: label, seconds, CPU seconds, switches (main, all).
measure() { # label
    set -- "$1" "$pictarro" "$copyq"
    p_cpu0=$(cpu_ns "$2"); p_main0=$(switches_main "$2"); p_all0=$(switches_all "$2")
    if [ -n "$3" ]; then
        c_cpu0=$(cpu_ns "$3"); c_main0=$(switches_main "$3"); c_all0=$(switches_all "$3")
    fi
    t0=$(awk '{ print $1 }' /proc/uptime)
    sleep "$duration"
    t1=$(awk '{ print $1 }' /proc/uptime)
    p_cpu1=$(cpu_ns "$2"); p_main1=$(switches_main "$2"); p_all1=$(switches_all "$2")
    row() { # program cpu0 cpu1 main0 main1 all0 all1
        awk -v label="$label" -v who="$1" -v c0="$2" -v c1="$3" -v m="$(($5 - $4))" \
            -v a="$(($7 - $6))" -v t0="$t0" -v t1="$t1" 'BEGIN {
                printf "%-36s %-9s %7.1f %10.4f %12d %12d\n", label, who, t1 - t0,
                       (c1 - c0) / 1e9, m, a
            }'
    }
    label=$1
    row Pictarro "$p_cpu0" "$p_cpu1" "$p_main0" "$p_main1" "$p_all0" "$p_all1"
    if [ -n "$3" ] && kill -0 "$3" 2>/dev/null; then
        c_cpu1=$(cpu_ns "$3"); c_main1=$(switches_main "$3"); c_all1=$(switches_all "$3")
        row CopyQ "$c_cpu0" "$c_cpu1" "$c_main0" "$c_main1" "$c_all0" "$c_all1"
    fi
}

echo "Idle over ${duration} s windows; load average at start: $(cut -d' ' -f1-3 /proc/loadavg)"
[ -n "$copyq" ] || echo "(CopyQ is not installed: Pictarro alone)"
echo
printf "%-36s %-9s %7s %10s %12s %12s\n" "window" "program" "seconds" "CPU s" \
    "vol.sw main" "vol.sw all"

start_pictarro
# Let the start-ups (windows shown, first paints, CopyQ's first look at the
# clipboard, the platform's own settling a few seconds in) pass before
# measuring.
settle=8
sleep "$settle"
xclip -selection clipboard -o >/dev/null 2>&1 && echo "note: the clipboard was not empty" >&2
measure "shown, clipboard empty"

has_text() { xclip -selection clipboard -o 2>/dev/null | grep -q "held by another"; }
offer_text() {
    if [ -n "$owner" ]; then
        kill "$owner" 2>/dev/null || true
        wait "$owner" 2>/dev/null || true
    fi
    printf 'some text held by another program\n' |
        xclip -selection clipboard -verbose >/dev/null 2>"$logs/owner.log" &
    owner=$!
    if ! poll_until 20 has_text; then
        echo "bench_idle.sh: xclip does not hold the text" >&2
        exit 1
    fi
    sleep 2
}
served() { grep -c "request number" "$logs/owner.log" || true; }
offer_text
before=$(served)
measure "shown, text on clipboard"
requests="$(($(served) - before))"

# Hidden behind the notification-area icon.
stop_pictarro
printf '[PictarroMinimized]\nMinimized=1\n' >>"$settings"
if command -v trayer >/dev/null 2>&1; then
    trayer --edge top --align right --widthtype pixel --width 200 --height 32 \
        >"$logs/trayer.log" 2>&1 &
    tray=$!
    sleep 1
    where="hidden in notification area"
else
    where="minimised (no trayer)"
fi
start_pictarro
sleep "$settle"
offer_text # the start-up empties the clipboard
before=$(served)
measure "$where, text"
requests="$requests + $(($(served) - before))"
kill -0 "$owner" 2>/dev/null || echo "note: the text owner lost the clipboard" >&2
echo
echo "Requests the text owner served while measured: $requests"
