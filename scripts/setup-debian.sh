#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Vantrel need, and the npm
# packages whose scripts the build embeds (pinned in package-lock.json). Packages already present
# are skipped, so a second run costs nothing.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-webengine-dev libgl-dev
    libminizip-dev qt6-image-formats-plugins epubcheck
    fonts-liberation fonts-font-awesome
    xvfb xauth imagemagick xdotool
    iputils-ping
    python3
    desktop-file-utils appstream help2man man-db
    poppler-utils qpdf libqpdf-dev
    zlib1g-dev
    dpkg-dev
    cmark-gfm
    libjs-mathjax libjs-katex fonts-mathjax
)
# A Node.js of another source (with its own npm) is used as it is.
if ! command -v npm >/dev/null; then
    packages+=(nodejs npm)
fi

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -ne 0 ]; then
    sudo_cmd=()
    if [ "$(id -u)" -ne 0 ]; then
        sudo_cmd=(sudo)
    fi
    echo "Installing: ${missing[*]}"
    "${sudo_cmd[@]}" apt-get update -q
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# npm ci installs exactly what the lock file names, checked against its hashes; again only when
# node_modules is missing or older than the lock file (npm ci leaves its own copy of the lock).
cd "$(dirname "$0")/.."
if [ ! -f node_modules/.package-lock.json ] || [ package-lock.json -nt node_modules/.package-lock.json ] \
    || [ package.json -nt node_modules/.package-lock.json ]; then
    npm ci --ignore-scripts --no-audit --no-fund
fi
