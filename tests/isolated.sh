#!/bin/sh
# Runs one test program with a fresh, private HOME and XDG folders that are
# removed afterwards, so a test never reads or writes the real user's files.
set -eu
root=$(mktemp -d "${TMPDIR:-/tmp}/pictarro-test.XXXXXX")
trap 'chmod -R u+w "$root" 2>/dev/null; rm -rf "$root"' EXIT INT TERM
mkdir -p "$root/home" "$root/config" "$root/data" "$root/cache" "$root/etc-xdg" "$root/runtime"
chmod 700 "$root/runtime"
HOME="$root/home" XDG_CONFIG_HOME="$root/config" XDG_DATA_HOME="$root/data" \
XDG_CACHE_HOME="$root/cache" XDG_CONFIG_DIRS="$root/etc-xdg" XDG_RUNTIME_DIR="$root/runtime" \
PICTARRO_TEST_ROOT="$root" "$@"
