#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# CI: builds the source and binary Debian packages with scripts/package.sh, reviews both with
# lintian (errors and warnings fail), builds again after a change and checks that installing
# the second package over the first replaces it, then runs the package's autopkgtest against
# the installed program. Leaves the machine without the package.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh run test package package_review
scratch="$(mktemp -d)"
changed=data/man/tavrin.6
restore() {
    git checkout -q -- "$changed"
    rm -rf "$scratch"
}
trap restore EXIT

scripts/package.sh
first="$(ls dist/tavrin_*.deb)"
cp "$first" "$scratch/"
first="$scratch/$(basename "$first")"
dsc="$(ls dist/tavrin_*.dsc)"
echo "== lintian $dsc"
lintian --fail-on error,warning --display-info "$dsc"
echo "== lintian $first"
lintian --fail-on error,warning --display-info "$first"
dpkg-deb -f "$first" Package Version Installed-Size Depends Recommends

echo "== a second build, after a change to the manual page, replaces the first"
marker=".\\\" rebuilt by CI $(date +%s)"
printf '%s\n' "$marker" >>"$changed"
DEB_BUILD_OPTIONS="nocheck ${DEB_BUILD_OPTIONS:-}" scripts/package.sh >"$scratch/second.log" 2>&1 ||
    { tail -n 50 "$scratch/second.log"; exit 1; }
git checkout -q -- "$changed"
second="$(ls dist/tavrin_*.deb)"
first_version="$(dpkg-deb -f "$first" Version)"
second_version="$(dpkg-deb -f "$second" Version)"
dpkg --compare-versions "$first_version" lt "$second_version" ||
    { echo "$second_version does not sort after $first_version"; exit 1; }
DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=900 install -y -qq \
    --no-install-recommends "$first" >/dev/null
dpkg -i "$second" >/dev/null
installed="$(dpkg-query -W -f '${Version} ${db:Status-Status}' tavrin)"
[ "$installed" = "$second_version installed" ] || { echo "installed: $installed"; exit 1; }
zgrep -qF "$marker" /usr/share/man/man6/tavrin.6.gz ||
    { echo "the installed manual page is the first build's"; exit 1; }
echo "$first_version was replaced by $second_version"

echo "== autopkgtest of $second"
autopkgtest "$second" "$(ls dist/tavrin_*.dsc)" -- null
dpkg --purge tavrin >/dev/null
