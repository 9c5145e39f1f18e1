#!/usr/bin/env bash
# Installs what is missing, builds, and starts Tavrin.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh tavrin
exec build/bin/tavrin
