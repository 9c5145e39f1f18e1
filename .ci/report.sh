#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# CI: the parent's report, made without a display from a record of a few sets
# and opened in a real browser; the rendered page must hold the chart and every table.
# Needs the build of scripts/test.sh (build/bin/tavrin and build/bin/tavrin_sample_record).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh report

work=$(mktemp -d /tmp/tavrin-report-XXXXXX)
trap 'rm -rf "$work"' EXIT
build/bin/tavrin_sample_record "$work/data/tavrin/record.sqlite" 3 >/dev/null
sets=6  # 1 + 2 + 3 over three days
env -u DISPLAY -u WAYLAND_DISPLAY XDG_DATA_HOME="$work/data" \
  build/bin/tavrin --report "$work/report.html" >/dev/null

timeout 120 chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
  --disable-background-networking --disable-component-update --disable-sync \
  --user-data-dir="$work/profile" --dump-dom "file://$work/report.html" \
  >"$work/dom.html" 2>"$work/chromium.log" || { cat "$work/chromium.log" >&2; exit 1; }

fail() { echo "report check: $*" >&2; exit 1; }
dom="$work/dom.html"
grep -q '<svg id="score-chart"' "$dom" || fail "no score chart"
[ "$(grep -o '<circle' "$dom" | wc -l)" -eq "$sets" ] || fail "the chart does not show $sets sets"
grep -q '<polyline' "$dom" || fail "the chart has no line"
grep -q '<svg id="speed-chart"' "$dom" || fail "no weekly speed chart"
grep -q '<svg id="on-time-chart"' "$dom" || fail "no weekly on-time chart"
for table in by-operation by-range most-missed due speed grid-add grid-mul last-sets; do
  rows=$(sed -n "/<table id=\"$table\"/,/<\/table>/p" "$dom" | grep -o '<td[ >]' | wc -l)
  [ "$rows" -gt 0 ] || fail "table $table is missing or empty"
done
[ "$(sed -n '/<table id="last-sets"/,/<\/table>/p' "$dom" | grep -o '<tr>' | wc -l)" -eq $((sets + 1)) ] ||
  fail "the last sets table does not list $sets sets"
echo "report check: chart and tables rendered for $sets sets"
