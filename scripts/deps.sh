#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Pelorama need, only
# those missing. Runs as root, or through sudo otherwise.
set -euo pipefail

packages=(
    g++ cmake ninja-build pkg-config
    qt6-base-dev libjpeg62-turbo-dev zlib1g-dev libxcb1-dev
    fonts-dejavu-core
    libgtest-dev libgmock-dev libbenchmark-dev
    libpng-dev libgif-dev libtiff-dev libdeflate-dev libstb-dev imagemagick libtiff-tools feh
    liblcms2-dev libwebp-dev libavif-dev libheif-dev libjxl-dev
    webp libavif-bin libheif-examples libjxl-tools
    xvfb xauth xdotool x11-apps
    clang libclang-rt-14-dev python3
    desktop-file-utils appstream xdg-utils groff-base dpkg-dev file
)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$package")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
echo "Installing: ${missing[*]}"
"${sudo_cmd[@]}" apt-get update -q
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
