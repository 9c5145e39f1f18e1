#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The face on a Wayland desktop, with no X server of our own: a headless sway,
# the program started as a Wayland session starts it (through Xwayland) and
# natively (QT_QPA_PLATFORM=wayland). In each way, the desktop must show just
# outside the face's outline and the skin just inside, a drag must move the
# face, a right click on it must open the menu (sway without a bar has no tray),
# and a click outside the outline must reach the window beneath through Xwayland
# and, natively, at least not the face.
#
# Usage: run_sway_tests.sh [--install] PROGRAM VIRTUAL_POINTER
#   PROGRAM          build/bin/tavrin (its data folder is found beside it)
#   VIRTUAL_POINTER  build/bin/virtual_pointer
#   --install        install the packages below first (as root or through sudo)
# Exits 77 (skipped) only when a tool is missing; sway or the virtual pointer
# failing to start or dying is a failure. Run as root it makes a user of its
# own, since sway refuses to run as root.
set -euo pipefail

# Packages of this test: compositor, screenshots, the window beneath, Qt's
# Wayland platform, the pointer helper's library, reading the tree and pictures.
packages=(sway grim xwayland x11-utils qt6-wayland libwayland-dev jq imagemagick)

if [ "${1:-}" = --install ]; then
  shift
  missing=()
  for p in "${packages[@]}"; do
    [ "$(dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null || true)" = installed ] ||
      missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get -o DPkg::Lock::Timeout=900 install -y -qq \
      --no-install-recommends "${missing[@]}"
  fi
fi

skip() {
  echo "SKIPPED: $*" >&2
  exit 77
}

if [ "${1:-}" != --as-user ]; then
  program=${1:?usage: run_sway_tests.sh [--install] PROGRAM VIRTUAL_POINTER}
  pointer=${2:-}
  for tool in sway swaymsg grim Xwayland xev jq convert compare; do
    command -v "$tool" >/dev/null ||
      skip "$tool is not installed (tests/wayland/run_sway_tests.sh --install installs it)"
  done
  [ -n "$pointer" ] && [ -x "$pointer" ] ||
    skip "the virtual pointer was not built (libwayland-dev is missing)"

  # Everything the compositor's user runs lies in a scratch folder it owns: the
  # program and its data, the runtime folder, the screenshots.
  scratch=$(mktemp -d /tmp/tavrin-sway-XXXXXX)
  trap 'rm -rf "$scratch"' EXIT
  mkdir -p "$scratch/bin" "$scratch/run" "$scratch/home"
  cp "$program" "$pointer" "$scratch/bin/"
  cp -r "$(dirname "$program")/../share" "$scratch/"
  cp "$0" "$scratch/bin/run_sway_tests.sh"
  cp "$(dirname "$0")/../../data/pictures/skin.bmp" "$scratch/"
  chmod 0700 "$scratch/run"
  if [ "$(id -u)" -eq 0 ]; then
    user=tavrin-test
    id -u "$user" >/dev/null 2>&1 || useradd --system --no-create-home --shell /usr/sbin/nologin "$user"
    chown -R "$user" "$scratch"
    chmod 0755 "$scratch"
    status=0
    runuser -u "$user" -- "$scratch/bin/run_sway_tests.sh" --as-user "$scratch" || status=$?
  else
    status=0
    "$scratch/bin/run_sway_tests.sh" --as-user "$scratch" || status=$?
  fi
  # Keep the screenshots of a failure where a person can look at them.
  if [ $status -ne 0 ] && [ $status -ne 77 ]; then
    kept=$(mktemp -d /tmp/tavrin-sway-failed-XXXXXX)
    cp "$scratch"/*.png "$scratch"/*.log "$kept"/ 2>/dev/null || true
    echo "screenshots and logs kept in $kept" >&2
  fi
  exit $status
fi

# ---- From here on as the compositor's user, inside the scratch folder. ----
scratch=$2
cd "$scratch"
export XDG_RUNTIME_DIR=$scratch/run HOME=$scratch/home XDG_CONFIG_HOME=$scratch/home
# A desktop session names its D-Bus; here it names one nobody listens on. Without any, Qt's
# D-Bus thread forks dbus-launch to start one while the face is being built, and the face
# waits for it (the accessibility bridge asks for the bus). Under AddressSanitizer the forked
# copy of the program allocates before it runs dbus-launch, and can hang forever on a lock
# of the allocator that another thread held at the fork: the face then never shows.
export DBUS_SESSION_BUS_ADDRESS=unix:path=$XDG_RUNTIME_DIR/bus
unset DISPLAY WAYLAND_DISPLAY SWAYSOCK
program=$scratch/bin/tavrin
readonly width=800 height=600
readonly desktop="#0000FF"

failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}
ok() { echo "ok: $*"; }

pids=()
cleanup() {
  local i
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do kill "${pids[i]}" 2>/dev/null || true; done
  wait 2>/dev/null || true
}
trap cleanup EXIT

cat >sway.conf <<EOF
xwayland enable
output * bg $desktop solid_color
output * resolution ${width}x${height}
focus_follows_mouse no
default_border none
EOF
WLR_BACKENDS=headless WLR_RENDERER=pixman WLR_LIBINPUT_NO_DEVICES=1 \
  sway -c sway.conf >sway.log 2>&1 &
sway_pid=$!
pids+=("$sway_pid")

# Polls a command for up to ten seconds, or $wait_s.
wait_for() {
  local i
  for ((i = 0; i < ${wait_s:-10} * 10; i++)); do
    "$@" >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  return 1
}
# A program's start: the sanitizer build of the program takes several times as long as
# the plain one, more on a machine busy with other tests, and a missed start is a
# failure, so this wait is long; a passing run ends it as soon as the window shows.
readonly start_s=90
# sway is installed here (checked above): failing to start is a fault, not a skip.
socket_ready() { compgen -G "$XDG_RUNTIME_DIR/sway-ipc.*.$sway_pid.sock" >/dev/null; }
socket_or_gone() { socket_ready || ! kill -0 "$sway_pid" 2>/dev/null; }
if ! wait_s=30 wait_for socket_or_gone || ! socket_ready; then
  fail "sway did not start: $(tail -3 sway.log | tr '\n' ' ')"
  exit 1
fi
SWAYSOCK=$(compgen -G "$XDG_RUNTIME_DIR/sway-ipc.*.$sway_pid.sock")
export SWAYSOCK
wayland_ready() { compgen -G "$XDG_RUNTIME_DIR/wayland-[0-9]" >/dev/null; }
if ! wait_for wayland_ready; then
  fail "sway offers no Wayland socket"
  exit 1
fi
WAYLAND_DISPLAY=$(basename "$(compgen -G "$XDG_RUNTIME_DIR/wayland-[0-9]" | head -1)")
export WAYLAND_DISPLAY

# The pointer: one command a line through a FIFO, each answered once sway has it.
mkfifo pointer.in pointer.out
"$scratch/bin/virtual_pointer" "$width" "$height" <pointer.in >pointer.out 2>pointer.log &
pids+=("$!")
exec 3>pointer.in 4<pointer.out
if ! read -r -t 10 answer <&4 || [ "$answer" != ready ]; then
  fail "the virtual pointer did not start: $(cat pointer.log)"
  exit 1
fi
mouse() {
  local answer
  echo "$*" >&3
  if ! read -r -t 10 answer <&4 || [ "$answer" != ok ]; then
    fail "the virtual pointer stopped answering ($(cat pointer.log))"
    exit 1
  fi
  # A moment for the client and the compositor to act on it.
  sleep 0.15
}
drag() { # from x y, to x y, in five steps
  local x0=$1 y0=$2 x1=$3 y1=$4 i
  mouse move "$x0" "$y0"
  mouse press 272
  for i in 1 2 3 4 5; do mouse move $((x0 + (x1 - x0) * i / 5)) $((y0 + (y1 - y0) * i / 5)); done
  mouse release 272
}
click() { # x y [button]
  mouse move "$1" "$2"
  mouse press "${3:-272}"
  mouse release "${3:-272}"
}

tree() { swaymsg -t get_tree; }
# "x y width height focused" of the window of a process.
window_of() {
  tree | jq -r --argjson pid "$1" \
    '[.. | objects | select(.pid? == $pid and (.type == "floating_con" or .type == "con"))][0]
     | select(. != null) | "\(.rect.x) \(.rect.y) \(.rect.width) \(.rect.height) \(.focused)"'
}

screenshot() { grim "$1"; }
# The colour of one screen pixel, as #RRGGBB.
pixel() {
  convert "$1" -crop "1x1+$2+$3" -depth 8 txt:- | sed -n 's/.*\(#[0-9A-F]\{6\}\).*/\1/p' | head -1
}
# Pixels of one screen row from x, as #RRGGBB lines.
row() {
  convert "$1" -crop "${4}x1+$2+$3" +repage -depth 8 txt:- |
    sed -n 's/.*\(#[0-9A-F]\{6\}\).*/\1/p'
}

# The window beneath, for the clicks: xev, a plain X client that sway tiles over
# the whole output (floating windows always lie above it) and that prints each
# button it gets. It comes only after the screenshots, which need the desktop.
beneath_started() { tree | jq -e '.. | objects | select(.name? == "beneath" and .pid?)'; }
start_beneath() {
  : >"$1"
  swaymsg exec "exec xev -name beneath -event button >$1" >/dev/null
  wait_for beneath_started
}
stop_beneath() {
  swaymsg '[title="^beneath$"] kill' >/dev/null 2>&1 || true
  beneath_gone() { ! beneath_started; }
  wait_for beneath_gone
}

# Places on the face, relative to its window's corner.
readonly forehead_x=40 forehead_y=170
readonly cheek_row=230

# A second window of the program: floating (sway tiles an ordinary window over
# the whole screen, beneath the face), focused, about `size` wide and over the
# face, not in a corner of the screen. Closed again afterwards.
check_in_front() { # way, pid, what, size
  local way=$1 pid=$2 what=$3 size=$4 found=""
  other_window() {
    found=$(tree | jq -r --argjson pid "$pid" --argjson x "$x" --argjson y "$y" \
      '[.. | objects | select(.pid? == $pid and .type == "floating_con")
        | select(.rect.x != $x or .rect.y != $y)][0] | select(. != null)
        | "\(.id) \(.rect.x) \(.rect.y) \(.rect.width) \(.rect.height) \(.focused)"')
    [ -n "$found" ]
  }
  if ! wait_s=30 wait_for other_window; then
    fail "$way: $what did not come up as a floating window"
    return
  fi
  local id ox oy ow oh focused
  read -r id ox oy ow oh focused <<<"$found"
  screenshot "$way-$(echo "$what" | tr ' ' '-').png"
  if [ "$focused" = true ] && [ "$ow" -ge $((size * 2 / 3)) ] && [ "$ow" -le $((size * 3 / 2)) ] &&
    [ $((ox + ow)) -gt "$x" ] && [ "$ox" -lt $((x + w)) ] && [ $((oy + oh)) -gt "$y" ] &&
    [ "$oy" -lt $((y + h)) ]; then
    ok "$way: $what comes up in front, over the face, at ($ox, $oy) ${ow}x$oh"
  else
    fail "$way: $what at ($ox, $oy) ${ow}x$oh, focused $focused; the face at ($x, $y)"
  fi
  swaymsg "[con_id=$id] kill" >/dev/null
  closed() { ! tree | jq -e --argjson id "$id" '.. | objects | select(.id? == $id)' >/dev/null; }
  wait_for closed || fail "$way: $what did not close"
}

# Where each running copy of the program waits, thread by thread, for a start that never
# shows, with any process it started; with gdb at hand, each thread's stack as well.
program_threads() {
  local p t
  for p in /proc/[0-9]*; do
    [ "$(readlink "$p/exe" 2>/dev/null)" = "$program" ] || continue
    printf 'pid %s (parent %s):' "${p#/proc/}" "$(awk '{print $4}' "$p/stat" 2>/dev/null)"
    for t in "$p"/task/*; do printf ' %s/%s' "$(cat "$t/comm")" "$(cat "$t/wchan")"; done 2>/dev/null
    echo
    if command -v gdb >/dev/null; then
      timeout 60 gdb -q -batch -p "${p#/proc/}" -ex 'thread apply all bt 30' 2>&1 |
        grep -E '^(Thread|#)' || true
    fi
  done
}

check_face() { # way, extra environment
  local way=$1 environment=$2
  local pid="" began=$SECONDS
  face_started() { pid=$(tree | jq -r '[.. | objects | select(.name? == "tavrin" and .pid?)][0].pid // empty') && [ -n "$pid" ]; }
  swaymsg exec "exec env $environment $program >$way.log 2>&1" >/dev/null
  if ! wait_s=$start_s wait_for face_started; then
    fail "$way: the face never appeared within $start_s s ($(tr '\n' ' ' <"$way.log")); sway's windows: $(tree | jq -c '[.. | objects | select(.pid?) | {name, pid, shell}]'); the program: $(program_threads)"
    return
  fi
  echo "note: $way: the face appeared after $((SECONDS - began)) s"
  pids+=("$pid")
  local x y w h focused
  read -r x y w h focused <<<"$(window_of "$pid")"
  # The first frame may still be on its way.
  sleep 1
  screenshot "$way-face.png"

  # Outside the outline: the window's corners and the ground around the head
  # show what lies below; a compositor that draws the cut-away pixels shows
  # black or white there.
  local beneath_colour=$desktop corner bad=0
  for corner in "0 0" "$((w - 1)) 0" "0 $((h - 1))" "$((w - 1)) $((h - 1))" "5 5" "$((w - 6)) $((h - 6))"; do
    read -r cx cy <<<"$corner"
    [ "$(pixel "$way-face.png" $((x + cx)) $((y + cy)))" = "$beneath_colour" ] || bad=1
  done
  [ $bad -eq 0 ] && ok "$way: the ground around the face shows what lies beneath" ||
    fail "$way: the ground around the face is drawn (see $way-face.png)"

  # Along the cheeks' row: what lies beneath up to the outline, then the skin.
  local colours=() edge=-1 i
  mapfile -t colours < <(row "$way-face.png" "$x" $((y + cheek_row)) "$w")
  for ((i = 0; i < w; i++)); do
    if [ "${colours[i]}" != "$beneath_colour" ]; then
      edge=$i
      break
    fi
  done
  # The shape lies one pixel left of the skin, as on X: its first pixel may be
  # the skin's white ground, the next one is the skin's own.
  local skin=${colours[edge + 1]:-none}
  if [ $edge -gt 0 ] && [ $edge -lt 40 ] && [ "$skin" != "#000000" ] && [ "$skin" != "#FFFFFF" ] &&
    [ "$skin" != "$desktop" ]; then
    ok "$way: the outline on the cheeks' row lies at x = $edge, skin $skin inside"
    echo "$edge" >"$way.edge"
  else
    fail "$way: no outline on the cheeks' row (first drawn pixel at $edge: ${colours[edge]:-none})"
  fi
  # The same pixels whichever way it runs.
  convert "$way-face.png" -crop "${w}x${h}+$x+$y" +repage "$way-crop.png"

  # Pixel for pixel, what is not the desktop is the shape an X server would cut:
  # the skin's pixels that are not white, one pixel up and left of where they
  # are drawn, without the right-most column.
  convert skin.bmp -fx 'r == 1 && g == 1 && b == 1 ? 0 : 1' -crop 368x369+0+0 +repage \
    -background black -extent "${w}x${h}" -colorspace gray "$way-expected.png"
  convert "$way-crop.png" -fx 'r == 0 && g == 0 && b == 1 ? 0 : 1' -colorspace gray "$way-seen.png"
  local differing
  differing=$(compare -metric AE "$way-expected.png" "$way-seen.png" null: 2>&1 || true)
  [ "$differing" = 0 ] && ok "$way: what shows of the face is exactly its shape" ||
    fail "$way: $differing pixels differ from the shape (see $way-seen.png)"

  # A drag on the forehead. The compositor moves the face from the first
  # movement on, so it follows the pointer less that first step at most.
  local mx=$((x + forehead_x)) my=$((y + forehead_y)) dx=50 dy=30 nx ny
  drag "$mx" "$my" $((mx + dx)) $((my + dy))
  sleep 0.3
  read -r nx ny _ <<<"$(window_of "$pid")"
  if [ $((nx - x)) -ge $((dx * 4 / 5)) ] && [ $((nx - x)) -le $dx ] &&
    [ $((ny - y)) -ge $((dy * 4 / 5)) ] && [ $((ny - y)) -le $dy ]; then
    ok "$way: a drag of ($dx, $dy) moved the face by ($((nx - x)), $((ny - y)))"
  else
    fail "$way: a drag of ($dx, $dy) moved the face from ($x, $y) to ($nx, $ny)"
  fi
  x=$nx y=$ny

  # A right click on the face where it now lies: no tray here, so the face
  # opens the menu at the pointer.
  mx=$((x + forehead_x)) my=$((y + forehead_y))
  click "$mx" "$my" 273
  sleep 0.5
  screenshot "$way-menu.png"
  # Above the first item's text: the menu's pink, or its green while hovered.
  local menu_colour
  menu_colour=$(pixel "$way-menu.png" $((mx + 100)) $((my + 4)))
  if [ "$menu_colour" = "#FFC0FF" ] || [ "$menu_colour" = "#C0FFC0" ]; then
    ok "$way: a right click on the face opens the menu beside the pointer"
  else
    fail "$way: no menu at the pointer after a right click (see $way-menu.png)"
  fi
  # Through the menu to the About window (关于…… opens the submenu beside it);
  # then the message of the score button without a set, then the new-set dialog.
  mouse move $((mx + 50)) $((my + 150))
  click $((mx + 60)) $((my + 155))
  local step
  for step in 150 230 250; do mouse move $((mx + step)) $((my + 156)); done
  click $((mx + 260)) $((my + 158))
  check_in_front "$way" "$pid" "the About window" 400
  click $((x + 116)) $((y + 320))
  check_in_front "$way" "$pid" "the message box" 100
  click $((x + 74)) $((y + 82))
  check_in_front "$way" "$pid" "the question-set dialog" 200


  # A click just outside the outline, in the window's rectangle. Through
  # Xwayland the X server passes it on to the X window beneath by the face's
  # input shape. Natively, sway keeps any click inside a floating window's
  # rectangle for that window, whatever its input region, so nothing beneath
  # gets it: what holds there is that the face, whose input region is its
  # outline, does not take it either, so a right click there opens no menu.
  if start_beneath "$way-beneath.log"; then
    if [ "$way" = xwayland ]; then
      click $((x + 5)) $((y + 5))
      sleep 0.3
      if grep -q "ButtonPress" "$way-beneath.log"; then
        ok "$way: a click outside the outline reached the window beneath"
      else
        fail "$way: a click outside the outline did not reach the window beneath"
      fi
    else
      click $((x + 5)) $((y + 5)) 273
      sleep 0.5
      screenshot "$way-outside.png"
      local outside_colour
      outside_colour=$(pixel "$way-outside.png" $((x + 105)) $((y + 9)))
      if [ "$outside_colour" = "#FFC0FF" ] || [ "$outside_colour" = "#C0FFC0" ]; then
        fail "$way: a right click outside the outline opened the face's menu (see $way-outside.png)"
        click $((width - 5)) $((height - 5)) # closes it for the checks below
      else
        ok "$way: a right click outside the outline does not reach the face"
      fi
    fi
    # And one on the face stays with the face.
    : >"$way-beneath.log"
    click $((x + forehead_x)) $((y + forehead_y))
    sleep 0.3
    if grep -q "ButtonPress" "$way-beneath.log"; then
      fail "$way: a click on the face went through it"
    fi
    stop_beneath
  else
    fail "$way: no X client could be started beneath the face"
  fi

  kill "$pid" 2>/dev/null || true
  gone() { ! kill -0 "$pid" 2>/dev/null; }
  wait_for gone || true
}

check_face xwayland ""
if [ -n "$(compgen -G "/usr/lib/*/qt6/plugins/platforms/libqwayland-generic.so")" ]; then
  check_face wayland QT_QPA_PLATFORM=wayland
  # Where no Xwayland is to be had, the program runs natively by itself.
  swaymsg exec "exec env -u DISPLAY $program >no-x.log 2>&1" >/dev/null
  native_face() { tree | jq -e '.. | objects | select(.name? == "tavrin" and .shell? == "xdg_shell")'; }
  if wait_s=$start_s wait_for native_face; then
    ok "without Xwayland the face comes up natively"
  else
    fail "without Xwayland the face did not come up ($(tr '\n' ' ' <no-x.log))"
  fi
  native_pid=$(tree | jq -r '[.. | objects | select(.name? == "tavrin" and .pid?)][0].pid // empty')
  [ -n "$native_pid" ] && kill "$native_pid" 2>/dev/null
  if [ -f xwayland-crop.png ] && [ -f wayland-crop.png ]; then
    difference=$(compare -metric AE xwayland-crop.png wayland-crop.png null: 2>&1 || true)
    # The eyes move by themselves; everything else must be the same.
    [ "$(cat xwayland.edge 2>/dev/null)" = "$(cat wayland.edge 2>/dev/null)" ] &&
      ok "both ways put the outline in the same place ($difference pixels differ, eyes included)" ||
      fail "the outline differs between Xwayland and native Wayland"
  fi
else
  echo "note: Qt's Wayland platform (qt6-wayland) is not installed; the native run is left out"
fi

[ $failures -eq 0 ] || exit 1
echo "all sway checks passed"
