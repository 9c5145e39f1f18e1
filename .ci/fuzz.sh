#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# CI: builds the libFuzzer targets with clang in build-fuzz and runs each for a
# bounded time (FUZZ_SECONDS, 30 by default), starting from its committed seeds.
# A fault stops CI and leaves the input as build-fuzz/<target>-crash-…; make it
# a row of the ordinary tests.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh run fuzz
# The release's clang, as the fuzz list names it.
clang="clang++-$(scripts/install-deps.sh --list fuzz | sed -n 's/^clang-//p')"
seconds="${FUZZ_SECONDS:-30}"
targets=(number settings speech shape)
cmake -S . -B build-fuzz -DCMAKE_CXX_COMPILER="$clang" -DTAVRIN_FUZZ=ON -DTAVRIN_TESTS=OFF \
  -DTAVRIN_BENCHMARKS=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-fuzz --parallel "$(nproc)" $(printf -- '--target %s_fuzz ' "${targets[@]}")
export LSAN_OPTIONS="suppressions=$PWD/tests/sanitizers/lsan.supp:print_suppressions=0"
for t in "${targets[@]}"; do
  # New finds go to a scratch folder, so the committed seeds stay small.
  mkdir -p "build-fuzz/corpus/$t"
  "build-fuzz/bin/${t}_fuzz" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="build-fuzz/$t-" "build-fuzz/corpus/$t" "fuzz/corpus/$t"
done
