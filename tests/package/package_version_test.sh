#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The version a package built from a working tree gets (scripts/package-version.sh): a clean
# tree at the release's tag keeps the release's version, and every other build sorts after
# the release, after every earlier build, and before the next release.
set -euo pipefail
# A package build has no git of its own to need.
command -v git >/dev/null || { echo "git is not installed: skipped"; exit 77; }
script="$(cd "$(dirname "$0")/../.." && pwd)/scripts/package-version.sh"
tree="$(mktemp -d)"
trap 'rm -rf "$tree"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

git() { command git -C "$tree" -c user.name=t -c user.email=t@example.invalid "$@"; }
mkdir "$tree/debian"
cat >"$tree/debian/changelog" <<'CHANGELOG'
tavrin (3.03-1) unstable; urgency=medium

  * Release.

 -- T <t@example.invalid>  Wed, 09 Dec 2026 12:00:00 +0000
CHANGELOG
git init -q
git add -A
git commit -qm release
version_at() { TAVRIN_BUILD_TIME="$1" "$script" "$tree"; }
# 10:53:12 UTC and one second later, on 10 December 2026.
t1=1796899992 t2=1796899993

# Where the tree stands -> the version it builds.
git tag v3.03-rc1
[[ "$(version_at $t1)" == 3.03-1+git* ]] || fail "a tag v3.03-rc1 counts as the release"
git tag -d v3.03-rc1 >/dev/null
git tag 3.03
[ "$(version_at $t1)" = 3.03-1 ] || fail "clean at tag 3.03: $(version_at $t1)"
git tag -d 3.03 >/dev/null
git tag v3.03
[ "$(version_at $t1)" = 3.03-1 ] || fail "clean at tag v3.03: $(version_at $t1)"
git tag other
[ "$(version_at $t1)" = 3.03-1 ] || fail "at v3.03 among other tags: $(version_at $t1)"
echo change >"$tree/file"
at_tag_dirty="$(version_at $t1)"
[[ "$at_tag_dirty" =~ ^3\.03-1\+git20261210T105312\+g[0-9a-f]{7}$ ]] ||
    fail "tag with an untracked file: $at_tag_dirty"
git add file
git commit -qm change
first="$(version_at $t1)"
[ "$first" = "3.03-1+git20261210T105312+g$(git rev-parse --short=7 HEAD)" ] ||
    fail "untagged commit: $first"
git tag 3.02
[ "$(version_at $t1)" = "$first" ] || fail "a tag of another version counts as the release"

# Later builds sort after earlier ones whatever the hashes: the same day, one second on.
later=()
for n in 1 2 3 4 5 6; do
    echo "$n" >"$tree/file"
    git commit -qam "change $n"
    later+=("$(version_at $((t2 + n)))")
done
order=(3.02-1 3.03-1 "$first" "${later[@]}" 3.03-2 3.04-1)
for ((i = 0; i + 1 < ${#order[@]}; i++)); do
    dpkg --compare-versions "${order[i]}" lt "${order[i + 1]}" ||
        fail "${order[i]} does not sort before ${order[i + 1]}"
done

[ "$failures" -eq 0 ] || exit 1
echo "package version rule: all cases pass"
