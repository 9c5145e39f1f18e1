#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Configures and builds Tavrin into build/ (the program lands in build/bin).
# Usage: scripts/build.sh [target …]   (default: everything)
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" >/dev/null
targets=()
for t in "$@"; do targets+=(--target "$t"); done
cmake --build build --parallel "$(nproc)" "${targets[@]}"
