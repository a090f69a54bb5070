#!/bin/sh
# Runs a command on a private virtual X server and a private D-Bus session,
# then stops the server and exits with the command's exit code.
#
#   with-xvfb.sh COMMAND [ARGS...]
#
# The server picks a free display itself (-displayfd), so several of these
# may run side by side. The command sees DISPLAY and no Wayland or platform
# override, so Qt programs it starts use xcb; PICTARRO_XVFB_PID names the
# server's process, for measurements. PICTARRO_XVFB_SCREEN sets the screen
# (default 1280x800x24). The server does not reset when its last client
# leaves (-noreset), so a program started just after the others ended never
# meets it in the middle of a reset; what a test leaves on the root window
# stays there, and the test clears it. Should the server end before the
# command does, its log is shown.
set -eu

if [ $# -eq 0 ]; then
    echo "usage: $0 COMMAND [ARGS...]" >&2
    exit 2
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/pictarro-xvfb.XXXXXX")
xvfb_pid=""
stop_server() {
    # An ended server that was not waited for yet is a zombie.
    if [ -n "$xvfb_pid" ] && ! grep -qs '^State:[[:space:]]*[^Z]' "/proc/$xvfb_pid/status"; then
        echo "with-xvfb.sh: Xvfb ended before the command did:" >&2
        cat "$work/xvfb.log" >&2
        xvfb_pid=""
    fi
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap stop_server EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# Xvfb writes the display number to fd 3 once it accepts connections and
# closes it; if it fails to start, the pipe closes without a number.
mkfifo "$work/display"
Xvfb -displayfd 3 -noreset -screen 0 "${PICTARRO_XVFB_SCREEN:-1280x800x24}" -nolisten tcp 3>"$work/display" \
    </dev/null >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
display=""
read -r display <"$work/display" || true
if [ -z "$display" ]; then
    echo "with-xvfb.sh: Xvfb did not start:" >&2
    cat "$work/xvfb.log" >&2
    exit 1
fi

export DISPLAY=":$display"
export PICTARRO_XVFB_PID="$xvfb_pid"
unset QT_QPA_PLATFORM WAYLAND_DISPLAY

status=0
dbus-run-session -- "$@" || status=$?
exit "$status"
