#!/usr/bin/env bash
# Fresh Debian 12 machine: install what is missing, build, start Vantrel.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup-debian.sh
scripts/build.sh
exec build/bin/vantrel "$@"
