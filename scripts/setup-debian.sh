#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Vantrel need.
# Packages already present are skipped, so a second run costs nothing.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-webengine-dev libgl-dev
    libminizip-dev qt6-image-formats-plugins epubcheck
    fonts-liberation
    xvfb xauth imagemagick xdotool
    iputils-ping
    python3
    desktop-file-utils appstream help2man man-db
    poppler-utils qpdf libqpdf-dev
    zlib1g-dev
    dpkg-dev
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
    sudo_cmd=(sudo)
fi

echo "Installing: ${missing[*]}"
"${sudo_cmd[@]}" apt-get update -q
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
