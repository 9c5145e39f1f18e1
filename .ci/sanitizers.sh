#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# CI: every test again, built with AddressSanitizer, LeakSanitizer and
# UndefinedBehaviorSanitizer in a tree of its own, stopping at the first fault.
# The options reach the program the X tests start, since children inherit them.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh run test sanitizers
supp="$PWD/tests/sanitizers"
cmake -S . -B build-asan -DTAVRIN_SANITIZE=ON -DTAVRIN_BENCHMARKS=OFF \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-asan --parallel "$(nproc)"
export ASAN_OPTIONS="halt_on_error=1:detect_leaks=1:detect_stack_use_after_return=1:check_initialization_order=1"
export LSAN_OPTIONS="suppressions=$supp/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
# A desktop session always names its bus. Without one, Qt forks to start D-Bus as the face
# is built, and under AddressSanitizer the forked copy can hang for good on an allocator lock
# another thread held at the fork: the face never shows. A bus nobody listens on is refused.
export DBUS_SESSION_BUS_ADDRESS="unix:path=/run/tavrin-ci-no-session-bus-$$"
ctest --test-dir build-asan --output-on-failure --parallel "$(nproc)"
