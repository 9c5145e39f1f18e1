#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what building and running need, builds, and starts Tavrin.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh run
BUILD_TESTS=OFF scripts/build.sh tavrin
exec build/bin/tavrin
