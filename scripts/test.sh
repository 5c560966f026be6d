#!/usr/bin/env bash
# Fresh Debian 12 machine: install what is missing, build, run every test headless.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup-debian.sh
scripts/build.sh
cd build
ctest --output-on-failure --timeout 600 "$@"
