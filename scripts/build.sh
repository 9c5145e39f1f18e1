#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Configures and builds Tavrin into build/ (the program lands in build/bin).
# Usage: [BUILD_TESTS=OFF] scripts/build.sh [target …]   (default: everything)
# BUILD_TESTS=OFF configures without the tests and benchmarks, whose packages only
# scripts/test.sh installs; building just a target does not spare CMake from finding them.
set -euo pipefail
cd "$(dirname "$0")/.."
tests="${BUILD_TESTS:-ON}"
cmake -S . -B build -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" \
    -DTAVRIN_TESTS="$tests" -DTAVRIN_BENCHMARKS="$tests" >/dev/null
targets=()
for t in "$@"; do targets+=(--target "$t"); done
cmake --build build --parallel "$(nproc)" "${targets[@]}"
