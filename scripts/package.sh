#!/usr/bin/env bash
# Builds and writes the Debian package build/vantrel_<version>_<arch>.deb.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup-debian.sh
scripts/build.sh
cd build
cpack -G DEB
