#!/bin/sh
# Installs the Debian packages Pictarro needs to build, run and test, when
# they are missing. Needs root or sudo only when something is missing.
set -eu

packages="cmake ninja-build g++ pkg-config qt6-base-dev qt6-multimedia-dev libturbojpeg0-dev libjpeg62-turbo-dev zlib1g-dev libdeflate-dev libspng-dev libisal-dev libxcb1-dev
  libjpeg-turbo-progs xvfb xauth xclip dbus-daemon qt6-svg-dev clang libclang-rt-14-dev
  trayer xdotool x11-utils pulseaudio pulseaudio-utils
  desktop-file-utils appstream dpkg-dev fakeroot lintian
  libwayland-dev libwayland-bin qt6-wayland"
# The Wayland sessions of the end-to-end tests, without their recommended
# desktops: sway and mutter run headless. (KWin's rows run where kwin-wayland
# is installed; with its recommendations it pulls a whole Plasma desktop.)
wayland_packages="sway wl-clipboard xwayland mutter"

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
missing_wayland=$(missing_of $wayland_packages)
[ -z "$missing$missing_wayland" ] && exit 0

echo "Installing:$missing$missing_wayland"
if [ "$(id -u)" -eq 0 ]; then sudo=""; else sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
# shellcheck disable=SC2086
[ -z "$missing" ] || $sudo apt-get install -y -qq $missing
# shellcheck disable=SC2086
[ -z "$missing_wayland" ] || $sudo apt-get install -y -qq --no-install-recommends $missing_wayland
