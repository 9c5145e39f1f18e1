#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package dist/tavrin_<version>_<arch>.deb from the files git tracks in this
# working tree (committed or not), installing the packages the build needs when missing.
# Usage: scripts/package.sh        then: sudo apt install ./dist/tavrin_3.03-1_amd64.deb
set -euo pipefail
cd "$(dirname "$0")/.."
root="$PWD"
scripts/install-deps.sh

sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo
if ! dpkg-checkbuilddeps 2>/dev/null; then
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get build-dep -y -qq ./
fi

# dpkg-buildpackage writes beside the source folder, so build in a copy. A fixed place keeps
# the compiler's paths the same from one build to the next, which lets ccache help.
work="$root/build-package"
rm -rf "$work"
mkdir "$work"
version="$(dpkg-parsechangelog -S Version)"
source="$work/tavrin-${version%-*}"
mkdir "$source"
git ls-files -z --cached --others --exclude-standard |
    tar --null --files-from=- --ignore-failed-read -cf - | tar -xf - -C "$source"

options="parallel=$(nproc)"
[ -z "${DEB_BUILD_OPTIONS:-}" ] || options="$DEB_BUILD_OPTIONS $options"
(cd "$source" && DEB_BUILD_OPTIONS="$options" dpkg-buildpackage -b -us -uc)

mkdir -p dist
deb="tavrin_${version}_$(dpkg-architecture -qDEB_HOST_ARCH).deb"
cp "$work/$deb" dist/
echo "Built $root/dist/$deb"
