#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Takes the README's screenshots of the built program on a private X server:
#   docs/shaped.png  the shaped face over a coloured desktop
#   docs/menu.png    the popup menu open beside the face
#   docs/dialog.png  the question-set dialog, filled in for a typical set
#   docs/face.png    the face with the first question of that set on show
#   docs/shaped-2x.png  the shaped face on a screen of twice the density (QT_SCALE_FACTOR=2)
# Usage: tools/screenshots.sh [build-dir]   (default: build). Builds nothing.
# Needs Xvfb, xsetroot, xdotool and ImageMagick (scripts/install-deps.sh run test).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
program="$build/bin/tavrin"
docs="$root/docs"
desktop='#3070b0'
margin=24

[ -x "$program" ] || { echo "no program at $program; build it first" >&2; exit 1; }
for tool in Xvfb xsetroot xdotool import convert; do
  command -v "$tool" >/dev/null || { echo "$tool is missing (scripts/install-deps.sh run test)" >&2; exit 1; }
done

work=$(mktemp -d /tmp/tavrin-shots-XXXXXX)
xvfb_pid=""
program_pid=""
cleanup() {
  [ -n "$program_pid" ] && kill "$program_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# The first free display from :90 up. The server writes its number once it
# listens, so one that lost a race for the number is never taken for ours.
for n in $(seq 90 160); do
  [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
  : >"$work/ready"
  Xvfb ":$n" -displayfd 3 -screen 0 1024x768x24 -noreset -nolisten tcp \
    3>"$work/ready" 2>>"$work/xvfb.log" &
  xvfb_pid=$!
  for _ in $(seq 100); do
    [ -s "$work/ready" ] || ! kill -0 "$xvfb_pid" 2>/dev/null && break
    sleep 0.05
  done
  if [ -s "$work/ready" ] && kill -0 "$xvfb_pid" 2>/dev/null; then
    export DISPLAY=":$n"
    break
  fi
  wait "$xvfb_pid" 2>/dev/null || true
  xvfb_pid=""
done
[ -n "$xvfb_pid" ] || { echo "could not start Xvfb" >&2; cat "$work/xvfb.log" >&2; exit 1; }
xsetroot -solid "$desktop"

mkdir -p "$work/config" "$work/runtime"
chmod 700 "$work/runtime"
XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime" QT_QPA_PLATFORM=xcb \
  SDL_AUDIODRIVER=dummy "$program" >"$work/program.log" 2>&1 &
program_pid=$!

xdo() { timeout 10 xdotool "$@"; }
face=$(xdo search --sync --onlyvisible --pid "$program_pid" | head -n1)
eval "$(xdo getwindowgeometry --shell "$face")"
fx=$X fy=$Y fw=$WIDTH fh=$HEIGHT

# Windows of the program on show besides the face, one per line.
others() { xdo search --onlyvisible --pid "$program_pid" 2>/dev/null | grep -vx "$face" || true; }
wait_until() {  # wait_until <test command…>: poll for up to five seconds
  for _ in $(seq 100); do "$@" && return 0; sleep 0.05; done
  echo "timed out waiting for: $*" >&2
  return 1
}
has_other() { [ -n "$(others)" ]; }
no_other() { [ -z "$(others)" ]; }
# shot <file> <x> <y> <width> <height>: a piece of the screen, clipped to it.
shot() {
  local x=$(($2 < 0 ? 0 : $2)) y=$(($3 < 0 ? 0 : $3))
  import -window root -crop "$4x$5+$x+$y" +repage "$docs/$1"
  echo "wrote docs/$1"
}
click() { xdo mousemove "$1" "$2" click "$3"; }

mkdir -p "$docs"
xdo mousemove 1000 740
sleep 0.5  # let the first frames of the eyes settle
shot shaped.png $((fx - margin)) $((fy - margin)) $((fw + 2 * margin)) $((fh + 2 * margin))

# The menu, from a right click on the cheek (there is no tray under Xvfb).
click $((fx + 60)) $((fy + 230)) 3
wait_until has_other
eval "$(xdo getwindowgeometry --shell "$(others | head -n1)")"
left=$((fx < X ? fx : X)) top=$((fy < Y ? fy : Y))
right=$((fx + fw > X + WIDTH ? fx + fw : X + WIDTH))
bottom=$((fy + fh > Y + HEIGHT ? fy + fh : Y + HEIGHT))
sleep 0.2
shot menu.png $((left - margin)) $((top - margin)) $((right - left + 2 * margin)) \
  $((bottom - top + 2 * margin))
xdo key Escape
wait_until no_other

# A typical set: addition and subtraction within 20, ten questions.
click $((fx + 74)) $((fy + 82)) 1
wait_until has_other
dialog=$(others | head -n1)
eval "$(xdo getwindowgeometry --shell "$dialog")"
dx=$X dy=$Y dw=$WIDTH dh=$HEIGHT
click $((dx + 18)) $((dy + 42)) 1
click $((dx + 82)) $((dy + 42)) 1
click $((dx + 78)) $((dy + 78)) 1
xdo type 20
click $((dx + 158)) $((dy + 103)) 1
xdo type 10
xdo mousemove $((dx + dw + 40)) $((dy + dh + 40))
sleep 0.3
shot dialog.png 0 0 $((dx + dw + margin)) $((dy + dh + margin))

click $((dx + 222)) $((dy + 78)) 1
wait_until no_other
xdo mousemove 1000 740
sleep 0.5
shot face.png $((fx - margin)) $((fy - margin)) $((fw + 2 * margin)) $((fh + 2 * margin))

# 退 出 quits on the press.
xdo mousemove $((fx + 330)) $((fy + 82)) mousedown 1
for _ in $(seq 100); do kill -0 "$program_pid" 2>/dev/null || break; sleep 0.05; done
xdo mouseup 1 || true
if wait "$program_pid"; then program_pid=""; else
  echo "the program ended with status $?" >&2
  program_pid=""
  exit 1
fi

# Twice the density: the face drawn from its 2x pictures and shaped at screen pixels. It is
# 740 x 746 on this 1024 x 768 screen, so the margin shrinks to what the screen leaves.
QT_SCALE_FACTOR=2 XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime" \
  QT_QPA_PLATFORM=xcb SDL_AUDIODRIVER=dummy "$program" >"$work/program-2x.log" 2>&1 &
program_pid=$!
face=$(xdo search --sync --onlyvisible --pid "$program_pid" | head -n1)
eval "$(xdo getwindowgeometry --shell "$face")"
xdo mousemove 1020 764
sleep 0.5
m=$((Y < margin ? Y : margin))
shot shaped-2x.png $((X - margin)) $((Y - m)) $((WIDTH + 2 * margin)) $((HEIGHT + 2 * m))
kill "$program_pid"
wait "$program_pid" 2>/dev/null || true
program_pid=""
