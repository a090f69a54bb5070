#!/bin/sh
# Shows a program's windows as a screen reader (Orca) gets them over the
# accessibility bus (AT-SPI): every control that takes the focus, every
# button, link and picture, with its role, name, whether it is showing, its
# actions, the captions it is labelled by and its value.
#
#   scripts/screenreader-view.sh [PROGRAM]      (default build/bin/Pictarro)
#
# It runs the program on a private virtual X server, D-Bus session and
# accessibility bus. Needs at-spi2-core, gir1.2-atspi-2.0 and python3-gi.
set -eu
cd "$(dirname "$0")/.."
if [ "${1:-}" != "--inside" ]; then
    exec dbus-run-session -- "$0" --inside "${1:-build/bin/Pictarro}"
fi
program=$2
if ! [ -x /usr/libexec/at-spi-bus-launcher ] || ! /usr/bin/python3 -c \
    "import gi; gi.require_version('Atspi', '2.0'); from gi.repository import Atspi" 2>/dev/null; then
    echo "needs at-spi2-core, gir1.2-atspi-2.0 and python3-gi" >&2
    exit 1
fi

root=$(mktemp -d)
xvfb="" bus="" app=""
trap 'kill $app $bus $xvfb 2>/dev/null || true; rm -rf "$root"' EXIT
mkdir -p "$root/runtime" && chmod 700 "$root/runtime"
export HOME="$root" XDG_CONFIG_HOME="$root/config" XDG_DATA_HOME="$root/data" \
    XDG_RUNTIME_DIR="$root/runtime"
exec 3>"$root/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
while [ ! -s "$root/display" ]; do sleep 0.1; done
DISPLAY=":$(cat "$root/display")"
export DISPLAY
unset QT_QPA_PLATFORM WAYLAND_DISPLAY
/usr/libexec/at-spi-bus-launcher --launch-immediately >/dev/null 2>&1 &
bus=$!
# The program looks for the accessibility bus once, as it starts.
gdbus wait --session --timeout 20 org.a11y.Bus
QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 "$program" >/dev/null 2>&1 &
app=$!

/usr/bin/python3 -W ignore - "$(basename "$program")" <<'PYTHON'
import sys, time
import gi
gi.require_version('Atspi', '2.0')
from gi.repository import Atspi

def application(name):
    desktop = Atspi.get_desktop(0)
    for _ in range(300):  # the program registers within a minute
        for i in range(desktop.get_child_count()):
            child = desktop.get_child_at_index(i)
            if child and child.get_name() == name and child.get_child_count():
                time.sleep(1)  # its window is mapped and filled
                return child
        time.sleep(0.2)
    desktop = Atspi.get_desktop(0)
    seen = [desktop.get_child_at_index(i).get_name() for i in range(desktop.get_child_count())]
    sys.exit(f"{name} did not appear on the accessibility bus (seen: {seen})")

def show(node, depth):
    role = node.get_role_name()
    states = node.get_state_set()
    focusable = states.contains(Atspi.StateType.FOCUSABLE)
    if depth == 1 or focusable or role in ('push button', 'link', 'image'):
        line = f"{'  ' * depth}{role}: {node.get_name()!r}"
        if not states.contains(Atspi.StateType.SHOWING):
            line += ' (not showing)'
        action = node.get_action_iface()
        if action and action.get_n_actions():
            line += ' actions ' + ', '.join(action.get_action_name(k)
                                            for k in range(action.get_n_actions()))
        for relation in node.get_relation_set() or []:
            if relation.get_relation_type() == Atspi.RelationType.LABELLED_BY:
                line += f" labelled by {relation.get_target(0).get_name()!r}"
        value = node.get_value_iface()
        if value:
            line += f" value {value.get_current_value():g}"
        print(line)
    for i in range(node.get_child_count()):
        show(node.get_child_at_index(i), depth + 1)

show(application(sys.argv[1]), 0)
PYTHON
