#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Takes the report's pictures, as headless Chromium draws them:
#   docs/report.png         the parent's report for a made-up week of practice
#   docs/report-review.png  its 错题本 (first rows), speed and grid of facts, after two weeks
# Usage: tools/report_screenshot.sh [build-dir]   (default: build). Builds nothing.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
work=$(mktemp -d /tmp/tavrin-report-shot-XXXXXX)
trap 'rm -rf "$work"' EXIT

# shoot <page.html> <height> <out.png>: the page, with the blank below its end cut off.
shoot() {
  timeout 120 chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
    --disable-background-networking --disable-component-update --disable-sync \
    --user-data-dir="$work/profile" --hide-scrollbars --window-size="840,$2" \
    --screenshot="$work/shot.png" "file://$1" 2>"$work/chromium.log"
  convert "$work/shot.png" -background '#fffdf6' -gravity south -splice 0x1 -trim +repage \
    -bordercolor '#fffdf6' -border 16x16 "$3"
  echo "wrote ${3#"$root"/}"
}

"$build/bin/tavrin_sample_record" "$work/data/tavrin/record.sqlite" 7 >/dev/null
XDG_DATA_HOME="$work/data" "$build/bin/tavrin" --report "$work/report.html" >/dev/null
shoot "$work/report.html" 1780 "$root/docs/report.png"

# The new sections alone: the page's head, then from 错题本 up to the last sets, with only
# the first eight facts of the 错题本 so that the picture stays readable.
"$build/bin/tavrin_sample_record" "$work/weeks/tavrin/record.sqlite" 14 >/dev/null
XDG_DATA_HOME="$work/weeks" "$build/bin/tavrin" --report "$work/weeks.html" >/dev/null
awk '
  !body { print; if (/<body>/) body = 1; next }
  /<h2>错题本<\/h2>/ { inside = 1 }
  /<h2>最近的练习<\/h2>/ { inside = 0 }
  !inside { next }
  /<table id="due">/ { due = 1 }
  due && /^<tr><td>/ && ++rows > 8 { next }
  /<\/table>/ { due = 0 }
  { print }
  END { print "</body>\n</html>" }
' "$work/weeks.html" >"$work/review.html"
shoot "$work/review.html" 2200 "$root/docs/report-review.png"
