#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Prints the version the Debian package built from a git working tree gets.
# A clean tree at the release's tag (3.03 or v3.03 for upstream version 3.03) keeps the
# version of debian/changelog, 3.03-1. Anything else is a local build:
# 3.03-1+git20261210T105312+gabc1234, the build's time in UTC to the second, then the commit.
# The time goes first so that a later build always sorts after an earlier one, whatever the
# commits' hashes, and a build with uncommitted changes after a build of the same commit;
# all of them sort before the next release or Debian revision (3.04-1, 3.03-2).
# No dots in the Debian revision, and the commit after a g: a revision with dots or ending in
# +b and digits reads to lintian as a non-maintainer or binary-only upload.
# Usage: scripts/package-version.sh [TREE]
# TAVRIN_BUILD_TIME (seconds since 1970) stands in for the build's time.
set -euo pipefail
tree="${1:-.}"
version="$(cd "$tree" && dpkg-parsechangelog -S Version)"
upstream="${version%-*}"

if git -C "$tree" rev-parse --verify -q HEAD >/dev/null; then
    commit="$(git -C "$tree" rev-parse --short=7 HEAD)"
    tags="$(git -C "$tree" tag --points-at HEAD)"
    changes="$(git -C "$tree" status --porcelain --untracked-files=normal)"
else
    commit=nogit tags="" changes=""
fi
if [ -z "$changes" ] && grep -qxE "v?${upstream//./\\.}" <<<"$tags"; then
    echo "$version"
    exit 0
fi
when="$(date -u -d "@${TAVRIN_BUILD_TIME:-$(date +%s)}" +%Y%m%dT%H%M%S)"
echo "$version+git$when+g$commit"
