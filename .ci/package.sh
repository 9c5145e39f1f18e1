#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# CI: builds the Debian package with scripts/package.sh and fails on any lintian error.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/package.sh
deb="$(ls -t dist/tavrin_*.deb | head -n 1)"
echo "== lintian $deb"
lintian --fail-on error "$deb"
dpkg-deb -f "$deb" Package Version Installed-Size Depends
