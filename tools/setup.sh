#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need, and
# any further ones named as arguments (the fuzzer and the benchmark name
# theirs). Packages already present are left alone, so a set-up machine
# needs no network.
set -euo pipefail

packages=(g++ cmake ninja-build pkg-config qt6-base-dev libgtest-dev xvfb xauth help2man "$@")
# The build renders the PNG icons; the tests validate the desktop metadata.
packages+=(librsvg2-bin desktop-file-utils appstream)

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
        missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
echo "Installing: ${missing[*]}"
"${sudo[@]}" apt-get update
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
