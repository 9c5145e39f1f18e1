#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what building and the tests need, builds, and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh run test
scripts/build.sh
ctest --test-dir build --output-on-failure --parallel "$(nproc)"
