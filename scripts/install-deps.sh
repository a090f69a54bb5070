#!/bin/sh
# Installs the Debian packages Pictarro needs to build, run and test, when
# they are missing. Needs root or sudo only when something is missing.
set -eu

packages="cmake ninja-build g++ pkg-config qt6-base-dev qt6-multimedia-dev libturbojpeg0-dev libdeflate-dev libxcb1-dev
  libjpeg-turbo-progs xvfb xauth xclip dbus-daemon qt6-svg-dev clang libclang-rt-14-dev
  trayer xdotool x11-utils pulseaudio pulseaudio-utils"

missing=""
for package in $packages; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed"; then
        missing="$missing $package"
    fi
done
[ -z "$missing" ] && exit 0

echo "Installing:$missing"
if [ "$(id -u)" -eq 0 ]; then sudo=""; else sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
# shellcheck disable=SC2086
$sudo apt-get install -y -qq $missing
