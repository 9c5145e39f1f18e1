#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian source package and dist/tavrin_<version>_<arch>.deb from the files git
# tracks in this working tree (committed or not), installing the packages the build needs
# when missing. Outside a release tag the version says when and from which commit the package
# was built (scripts/package-version.sh), so installing it replaces any earlier build.
# Usage: scripts/package.sh        then: sudo apt install ./dist/tavrin_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
root="$PWD"
scripts/install-deps.sh run test package
dpkg-checkbuilddeps

# dpkg-buildpackage writes beside the source folder, so build in a copy. A fixed place keeps
# the compiler's paths the same from one build to the next, which lets ccache help.
work="$root/build-package"
rm -rf "$work"
mkdir "$work"
release="$(dpkg-parsechangelog -S Version)"
version="$(scripts/package-version.sh)"
upstream="${release%-*}"
source="$work/tavrin-$upstream"
mkdir "$source"
git ls-files -z --cached --others --exclude-standard |
    tar --null --files-from=- --ignore-failed-read -cf - | tar -xf - -C "$source"
# The upstream tarball is the tree without its packaging.
tar -C "$work" --exclude="tavrin-$upstream/debian" --sort=name --owner=0 --group=0 \
    --numeric-owner --mtime=@"$(git log -1 --format=%ct 2>/dev/null || date +%s)" \
    -cJf "$work/tavrin_$upstream.orig.tar.xz" "tavrin-$upstream"

if [ "$version" != "$release" ]; then
    entry="$(mktemp)"
    {
        printf 'tavrin (%s) UNRELEASED; urgency=medium\n\n' "$version"
        printf '  * Local build from a working tree.\n\n'
        printf ' -- %s  %s\n\n' "$(dpkg-parsechangelog -S Maintainer)" "$(date -R -u)"
        cat "$source/debian/changelog"
    } >"$entry"
    mv "$entry" "$source/debian/changelog"
fi

options="parallel=$(nproc)"
[ -z "${DEB_BUILD_OPTIONS:-}" ] || options="$DEB_BUILD_OPTIONS $options"
# debhelper gives the build a HOME of its own, so the compiler cache is named here.
if [ -z "${CMAKE_CXX_COMPILER_LAUNCHER:-}" ] && command -v ccache >/dev/null; then
    export CMAKE_CXX_COMPILER_LAUNCHER=ccache
fi
if [ "${CMAKE_CXX_COMPILER_LAUNCHER:-}" = ccache ] && [ -z "${CCACHE_DIR:-}" ]; then
    CCACHE_DIR="$(ccache -k cache_dir)"
    export CCACHE_DIR
fi
(cd "$source" && DEB_BUILD_OPTIONS="$options" dpkg-buildpackage -us -uc)

# Only the newest build stays in dist/, so ./dist/tavrin_*.deb names one package.
mkdir -p dist
rm -f dist/tavrin_*
arch="$(dpkg-architecture -qDEB_HOST_ARCH)"
deb="tavrin_${version}_$arch.deb"
cp "$work/$deb" "$work/tavrin_$version.dsc" "$work/tavrin_$upstream.orig.tar.xz" \
    "$work/tavrin_$version.debian.tar.xz" dist/
echo "Built $root/dist/$deb and the source package dist/tavrin_$version.dsc"
