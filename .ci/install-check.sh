#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# CI: installs the program into a scratch DESTDIR and checks what a distribution would:
# the desktop entry, the AppStream metainfo, the manual page, the installed --version, and
# that the installed program, moved elsewhere, finds its data (tests/install).
# Usage: .ci/install-check.sh [build dir]   (default build; builds the program first)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh run install_check
build="${1:-build}"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
app_id=org.tavrin.Tavrin

step() { printf '== %s\n' "$*"; }
# Runs a checker and fails when it says anything at all.
silent() {
    local said
    said="$("$@" 2>&1)" || { printf '%s\n' "$said"; return 1; }
    [ -z "$said" ] || { printf '%s\n' "$said"; return 1; }
}

[ "$build" != build ] || scripts/build.sh tavrin >/dev/null
step "cmake --install into $scratch"
DESTDIR="$scratch" cmake --install "$build" --prefix /usr >/dev/null
share="$scratch/usr/share"

step "desktop-file-validate"
silent desktop-file-validate "$share/applications/$app_id.desktop"

step "appstreamcli validate --pedantic --no-net"
report="$(appstreamcli validate --pedantic --no-net "$share/metainfo/$app_id.metainfo.xml" 2>&1)" ||
    { printf '%s\n' "$report"; exit 1; }
printf '%s\n' "$report"
# The id keeps the application's capital T, which only the pedantic level remarks on. A bare
# `! grep` would not stop this script under set -e.
if grep -E '^[EW]:' <<<"$report"; then
    echo "appstreamcli reports errors or warnings"
    exit 1
fi

for page in "$share/man/man6/tavrin.6" "$share/man/zh_CN/man6/tavrin.6"; do
    step "manual page ${page#"$share/"} through groff -ww and man --warnings"
    silent env LC_ALL=C.UTF-8 groff -ww -z -man -k -Tutf8 "$page"
    said="$(LC_ALL=C.UTF-8 man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null)"
    [ -z "$said" ] || { printf '%s\n' "$said"; exit 1; }
done
# On an ASCII terminal the Chinese names vanish: the English page says what each one means.
ascii="$(LC_ALL=C MANWIDTH=400 man -l "$share/man/man6/tavrin.6" 2>/dev/null | tr -s " \n" " ")"
for meaning in "make questions" "subtraction" "quit the program" "voice prompts on" "about the author"; do
    grep -q "$meaning" <<<"$ascii" || { echo "the ASCII page lacks '$meaning'"; exit 1; }
done

step "icons"
for size in 16 22 24 32 48 64 128 256; do
    icon="$share/icons/hicolor/${size}x$size/apps/$app_id.png"
    file -b "$icon" | grep -q "PNG image data, $size x $size" || { echo "bad $icon"; exit 1; }
done

step "installed tavrin --version, without a display"
version="$(env -u DISPLAY -u WAYLAND_DISPLAY "$scratch/usr/bin/tavrin" --version)"
[ "$version" = "tavrin $(sed -n 's/^project(tavrin VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)" ] ||
    { echo "unexpected: $version"; exit 1; }
echo "$version"

step "the installed program, moved elsewhere, finds its data"
tests/install/installed_program_test.sh "$build"
