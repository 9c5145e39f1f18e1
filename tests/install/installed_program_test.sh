#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the built program into a scratch folder, moves the installed tree elsewhere, and
# starts it there under a private X server: it must find its speech file and eye pictures in
# <prefix>/share/tavrin with nothing from the source or build tree. A second run with the data
# folder taken away must complain, which shows the first run looked in the right place. A run
# that sees no Chinese font must say which packages to install, and start all the same. The
# desktop entry's 练习记录 action must hand the report page to xdg-open.
# Usage: installed_program_test.sh <build dir>
set -euo pipefail
build="$(cd "${1:?usage: $0 <build dir>}" && pwd)"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT

DESTDIR="$scratch/stage" cmake --install "$build" --prefix /usr >/dev/null
mv "$scratch/stage/usr" "$scratch/moved"
prefix="$scratch/moved"

fail() { echo "FAIL: $*" >&2; exit 1; }

version="$("$prefix/bin/tavrin" --version)"
[ "$version" = "tavrin 3.03" ] || fail "--version printed '$version'"

# Sound effects on, so the start-up sound plays; SDL's disk driver writes what it would play.
mkdir -p "$scratch/config/tavrin"
printf '[menu]\nmenu3=0\nmenu6=1\n' >"$scratch/config/tavrin/Qbx_R"

# Starts the installed program on a private X server, with its standard error in
# $scratch/stderr and what it plays in $scratch/sound.raw; arguments add VAR=value settings.
start_installed() {
    rm -f "$scratch/sound.raw" "$scratch/pid"
    env -u WAYLAND_DISPLAY "$@" HOME="$scratch" XDG_CONFIG_HOME="$scratch/config" \
        XDG_RUNTIME_DIR="$scratch" SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$scratch/sound.raw" \
        xvfb-run -a -s "-screen 0 800x600x24 -noreset" \
        sh -c 'echo $$ >"$1"; exec timeout 30 "$2"' sh "$scratch/pid" "$prefix/bin/tavrin" \
        2>"$scratch/stderr" &
    runner=$!
}
stop_installed() {
    [ -s "$scratch/pid" ] && kill -TERM "$(cat "$scratch/pid")" 2>/dev/null
    wait "$runner" || true
}
# Waits up to 20 s (a busy machine starts slowly) for a condition to hold.
wait_for() {
    for _ in $(seq 100); do
        if "$@"; then return 0; fi
        sleep 0.2
    done
    return 1
}
# Some byte differs from silence (zero).
sound_played() { [ -s "$scratch/sound.raw" ] && [ "$(tr -d '\0' <"$scratch/sound.raw" | wc -c)" -gt 0 ]; }
complained() {
    grep -q "cannot show eye picture" "$scratch/stderr" && grep -q "sound is off" "$scratch/stderr"
}

start_installed
wait_for sound_played || { stop_installed; fail "no sound other than silence reached the audio device"; }
sleep 1  # several 300 ms eye ticks
stop_installed
if grep -q "cannot show eye picture\|sound is off\|no Chinese font\|designed look" "$scratch/stderr"; then
    cat "$scratch/stderr" >&2
    fail "the installed program did not find its data in share/tavrin"
fi

mv "$prefix/share/tavrin" "$scratch/away"
start_installed
wait_for complained || { stop_installed; fail "missing data went unnoticed"; }
stop_installed
# A font configuration that knows no font at all.
printf '<fontconfig><dir>%s/no-fonts</dir><cachedir>%s</cachedir></fontconfig>\n' \
    "$scratch" "$scratch" >"$scratch/fonts.conf"
start_installed FONTCONFIG_FILE="$scratch/fonts.conf"
font_warning() { grep -q "no Chinese font.*fonts-arphic-uming fonts-arphic-ukai fonts-wqy-microhei" "$scratch/stderr"; }
wait_for font_warning || { stop_installed; cat "$scratch/stderr" >&2; fail "no warning about missing fonts"; }
stop_installed
# Only the font the package depends on: every text still has a Chinese face, and the warning
# names the recommended fonts that bring the designed look.
printf '<fontconfig><dir>/usr/share/fonts/truetype/wqy</dir><cachedir>%s</cachedir></fontconfig>\n' \
    "$scratch" >"$scratch/fonts.conf"
start_installed FONTCONFIG_FILE="$scratch/fonts.conf"
look_warning() { grep -q "designed look install fonts-arphic-uming fonts-arphic-ukai$" "$scratch/stderr"; }
wait_for look_warning || { stop_installed; cat "$scratch/stderr" >&2; fail "no warning about the AR PL fonts"; }
stop_installed
! grep -q "no Chinese font" "$scratch/stderr" || fail "WenQuanYi Micro Hei alone counted as no Chinese font"
mv "$scratch/away" "$prefix/share/tavrin"

# The desktop entry's 练习记录 action, run as a desktop would run it: its Exec line, with the
# installed program first on PATH and a stand-in for xdg-open that notes what it was handed.
action="$(sed -n '/^\[Desktop Action practice-record\]/,/^\[/s/^Exec=//p' \
    "$prefix/share/applications/org.tavrin.Tavrin.desktop")"
[ "$action" = "tavrin --show-report" ] || fail "the desktop action runs '$action'"
mkdir -p "$scratch/opener"
printf '#!/bin/sh\nprintf %%s "$1" >"%s/opened"\n' "$scratch" >"$scratch/opener/xdg-open"
chmod +x "$scratch/opener/xdg-open"
env -u WAYLAND_DISPLAY PATH="$prefix/bin:$scratch/opener:$PATH" HOME="$scratch" \
    XDG_CACHE_HOME="$scratch/cache" XDG_DATA_HOME="$scratch/data" XDG_RUNTIME_DIR="$scratch" \
    xvfb-run -a -s "-screen 0 800x600x24 -noreset" timeout 30 $action 2>"$scratch/stderr" ||
    { cat "$scratch/stderr" >&2; fail "the desktop action failed"; }
wait_for test -s "$scratch/opened" || fail "the desktop action opened nothing"
page="$scratch/cache/tavrin/report.html"
[ "$(cat "$scratch/opened")" = "file://$page" ] || fail "xdg-open was handed $(cat "$scratch/opened")"
grep -q "还没有练习记录" "$page" || fail "the page does not say that nothing is recorded yet"
echo "ok: the installed program reads share/tavrin beside its bin folder and warns without fonts"
echo "ok: the desktop entry's 练习记录 hands xdg-open the report page"
