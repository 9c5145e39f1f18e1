#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Takes docs/report.png: the parent's report for a made-up week of practice,
# as headless Chromium draws it.
# Usage: tools/report_screenshot.sh [build-dir]   (default: build). Builds nothing.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
work=$(mktemp -d /tmp/tavrin-report-shot-XXXXXX)
trap 'rm -rf "$work"' EXIT

"$build/bin/tavrin_sample_record" "$work/data/tavrin/record.sqlite" 7 >/dev/null
XDG_DATA_HOME="$work/data" "$build/bin/tavrin" --report "$work/report.html" >/dev/null
timeout 120 chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
  --disable-background-networking --disable-component-update --disable-sync \
  --user-data-dir="$work/profile" --hide-scrollbars --window-size=840,1780 \
  --screenshot="$work/report.png" "file://$work/report.html" 2>"$work/chromium.log"
# Only the page: the blank below its end goes.
convert "$work/report.png" -background '#fffdf6' -gravity south -splice 0x1 -trim +repage \
  -bordercolor '#fffdf6' -border 16x16 "$root/docs/report.png"
echo "wrote docs/report.png"
