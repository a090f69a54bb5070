#!/bin/sh
# Installs the Debian packages Pictarro needs to build, run and test, when
# they are missing. Needs root or sudo only when something is missing.
set -eu

packages="cmake ninja-build g++ pkg-config qt6-base-dev qt6-multimedia-dev libturbojpeg0-dev libjpeg62-turbo-dev zlib1g-dev libdeflate-dev libspng-dev libisal-dev libxcb1-dev libxcb-xfixes0-dev
  libjpeg-turbo-progs xvfb xauth xclip dbus-daemon qt6-svg-dev clang libclang-rt-14-dev
  trayer xdotool x11-utils pulseaudio pulseaudio-utils
  desktop-file-utils appstream dpkg-dev fakeroot lintian
  libwayland-dev libwayland-bin qt6-wayland"
# Installed without their recommendations:
# - the Wayland sessions of the end-to-end tests, without their desktops:
#   sway, mutter and GNOME Shell (with the AppIndicator extension GNOME users
#   add for a notification area) run headless; gdbus (libglib2.0-bin) runs
#   the shell's JavaScript in tests. (KWin's rows run where kwin-wayland is
#   installed; with its recommendations it pulls a whole Plasma desktop.)
# - for the screenshot keys' tests and benchmark, ImageMagick (its import
#   reads the screen, its display shows another program's window) and
#   openbox, a window manager that draws frames;
# - two desktops' screenshot tools that copy the screen and quit at once
#   (GNOME's and Xfce's, both GTK 3).
lean_packages="sway wl-clipboard xwayland mutter gnome-shell gnome-shell-extension-appindicator
  libglib2.0-bin imagemagick openbox gnome-screenshot xfce4-screenshooter"

missing_of() {
    for package in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed"; then
            printf ' %s' "$package"
        fi
    done
}
# shellcheck disable=SC2086
missing=$(missing_of $packages)
# shellcheck disable=SC2086
missing_lean=$(missing_of $lean_packages)
[ -z "$missing$missing_lean" ] && exit 0

echo "Installing:$missing$missing_lean"
if [ "$(id -u)" -eq 0 ]; then sudo=""; else sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
# shellcheck disable=SC2086
[ -z "$missing" ] || $sudo apt-get install -y -qq $missing
# shellcheck disable=SC2086
[ -z "$missing_lean" ] || $sudo apt-get install -y -qq --no-install-recommends $missing_lean
