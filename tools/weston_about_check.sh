#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# weston 10's desktop shell dies (SIGSEGV in desktop_surface_set_parent) when an X window
# of the dialog type names as its WM_TRANSIENT_FOR a window that weston shows without a shell
# surface of its own. The face is one: a tool window, which weston's X window manager maps
# like a popup. This runs the program through weston's Xwayland RUNS times and, in each run,
# opens windows in front of the face one after another (STEPS, in this order by default):
#   about    the face's menu, 关于…… and its submenu's item: the About window
#   message  the score button without a set: a message box with the face as its parent
#   dialog   出题: the question-set dialog
# each closed again before the next, and counts the runs in which weston died. Not a CI test:
# a run takes several seconds, and weston 10 is Debian 12's, not Debian 13's.
#
# Usage: tools/weston_about_check.sh PROGRAM [RUNS] [STEPS]
#   PROGRAM  build/bin/tavrin (its data folder is found beside it)
#   RUNS     how many starts (10)
#   STEPS    a comma-separated list of the above ("about,message,dialog")
# KEEP=1 keeps every run's logs and window lists, not just those of a failed run.
# Needs Xvfb, weston, xwayland, xdotool and x11-utils. Exits 1 if weston died in any run or a
# window never came up, 0 otherwise; every run's outcome is printed.
set -euo pipefail

program=$(realpath "${1:?usage: weston_about_check.sh PROGRAM [RUNS] [STEPS]}")
runs=${2:-10}
IFS=, read -r -a steps <<<"${3:-about,message,dialog}"
for tool in Xvfb weston Xwayland xdotool xprop xwininfo; do
  command -v "$tool" >/dev/null || {
    echo "$tool is not installed" >&2
    exit 2
  }
done

scratch=$(mktemp -d /tmp/tavrin-weston-XXXXXX)
chmod 0700 "$scratch"
echo "logs in $scratch"

weston_pid="" program_pid="" xvfb_pid=""
readonly width=800 height=600
stop() {
  [ -n "$program_pid" ] && kill "$program_pid" 2>/dev/null || true
  [ -n "$weston_pid" ] && kill "$weston_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  wait 2>/dev/null || true
  program_pid="" weston_pid="" xvfb_pid=""
}
trap stop EXIT

# Polls a command for up to $2 tenths of a second.
wait_for() {
  local tries=$1 i
  shift
  for ((i = 0; i < tries; i++)); do
    "$@" >/dev/null 2>&1 && return 0
    sleep 0.1
  done
  return 1
}

# "x y" of an X window's corner on the X server of the program.
x_place() {
  xwininfo -id "$1" | sed -n 's/.*Absolute upper-left [XY]: *//p' | tr '\n' ' '
}
# Every X window of the program (those with a class) and every popup, with its place,
# override-redirect flag, WM_TRANSIENT_FOR and type, for the log.
x_windows() {
  local id props
  for id in $(xwininfo -root -tree | sed -n 's/^ *\(0x[0-9a-f]*\) .*/\1/p'); do
    props=$(xprop -id "$id" WM_CLASS WM_TRANSIENT_FOR _NET_WM_WINDOW_TYPE 2>/dev/null | tr '\n' ' ')
    case $props in *'WM_CLASS(STRING)'*) ;; *) continue ;; esac
    printf '%s %s| %s| %s\n' "$id" "$(x_place "$id")" \
      "$(xwininfo -id "$id" | sed -n 's/.*\(Map State: .*\|Override Redirect State: .*\)/\1/p' | tr '\n' ' ')" \
      "$props"
  done
}

# On weston's screen, xdotool on the outer X server; on the X server of the program otherwise.
outer() { DISPLAY=$outer "$@"; }

# Some of the program's widgets have X windows of their own; the face is the one of its size.
face=""
face_shown() {
  local id
  for id in $(xdotool search --onlyvisible --class '^tavrin$'); do
    xwininfo -id "$id" | grep -q 'Width: 370$' && xwininfo -id "$id" | grep -q 'Height: 373$' &&
      face=$id && return 0
  done
  return 1
}
# weston places its windows where it likes without telling the X server, so the offset
# between the two is read off the pointer: moved over the screen until it lies on the face.
dx=0 dy=0
find_offset() {
  local gx gy X Y WINDOW
  for gy in 300 200 400 100 500; do
    for gx in 400 200 600 100 300 500 700; do
      outer xdotool mousemove "$gx" "$gy"
      sleep 0.1
      eval "$(xdotool getmouselocation --shell)"
      [ "$WINDOW" = "$face" ] || continue
      # The X server may not have had the move yet, and an offset from an older place sends
      # the clicks to weston's panel: a second place nearby must give the same offset.
      local ox=$((gx - X)) oy=$((gy - Y))
      outer xdotool mousemove $((gx + 10)) $((gy + 10))
      sleep 0.3
      eval "$(xdotool getmouselocation --shell)"
      if [ "$WINDOW" = "$face" ] && [ $((gx + 10 - X)) -eq $ox ] && [ $((gy + 10 - Y)) -eq $oy ]; then
        dx=$ox dy=$oy
        return 0
      fi
    done
  done
  return 1
}
# The N-th popup (override-redirect window) on screen, as "x y", into $popup.
popup=""
popup_shown() {
  local id
  popup=""
  local n=0
  for id in $(xwininfo -root -children | sed -n 's/^ *\(0x[0-9a-f]*\) .*/\1/p'); do
    xwininfo -id "$id" | grep -q 'Override Redirect State: yes' || continue
    xwininfo -id "$id" | grep -q 'Map State: IsViewable' || continue
    n=$((n + 1))
    # xwininfo lists the topmost child first: the newest popup.
    [ -z "$popup" ] && popup=$(x_place "$id")
  done
  [ "$n" -ge "$1" ]
}
# A top-level window of the program besides the face, into $other: Qt names an X parent
# (WM_TRANSIENT_FOR) for each of them, and none for the X windows of single widgets.
other=""
other_window() {
  local id
  for id in $(xdotool search --onlyvisible --class '^tavrin$'); do
    [ "$id" != "$face" ] || continue
    xprop -id "$id" WM_TRANSIENT_FOR 2>/dev/null | grep -q 'window id' || continue
    other=$id
    return 0
  done
  return 1
}

# Each step opens one window of the program in front of the face and closes it again;
# it prints what went wrong and fails. The face lies at ($fx, $fy) on the X server.
window_up() { # what, for the log; the key that closes it, if any
  if ! wait_for 100 other_window; then
    echo "no $1"
    return 1
  fi
  sleep 1
  x_windows >"$dir/windows-$1.txt"
  outer import -window root "$dir/$1.png" 2>/dev/null || true
  if ! kill -0 "$weston_pid" 2>/dev/null; then
    echo "weston died as $1 came up"
    return 1
  fi
  # A modal box goes with its key, which weston gives it, as it came up in front. Any other
  # window is destroyed from outside rather than closed as a child would: what sets weston
  # off is its coming up, and each closes its own way.
  if [ -n "${2:-}" ]; then
    outer xdotool key "$2"
  else
    xdotool windowclose "$other"
  fi
  other_gone() { ! xwininfo -id "$other" 2>/dev/null | grep -q IsViewable; }
  wait_for 50 other_gone || {
    echo "$1 did not close"
    return 1
  }
}
# The menu at the forehead, 关于…… and its submenu's item, as run_sway_tests.sh clicks.
step_about() {
  # The first right click on the face is now and then lost, as on Xvfb (face_on_screen_test).
  local try
  for try in 1 2 3; do
    outer xdotool mousemove $((fx + 40 + dx)) $((fy + 170 + dy)) click 3
    wait_for 30 popup_shown 1 && break
  done
  [ "$try" -lt 3 ] || popup_shown 1 || {
    outer import -window root "$dir/no-menu.png" 2>/dev/null || true
    echo "no menu"
    return 1
  }
  # Popups lie where X puts them: their X place is their place on weston's screen.
  local px py sx sy
  read -r px py _ <<<"$popup"
  outer xdotool mousemove $((px + 50)) $((py + 150))
  sleep 0.2
  outer xdotool mousemove $((px + 60)) $((py + 155)) click 1
  wait_for 50 popup_shown 2 || {
    echo "no submenu"
    return 1
  }
  read -r sx sy _ <<<"$popup"
  outer xdotool mousemove $((sx + 30)) $((sy + 15))
  sleep 0.2
  x_windows >"$dir/windows-menu.txt"
  outer xdotool mousemove $((sx + 40)) $((sy + 15)) click 1
  window_up about
}
# The score button with no set: a message box.
step_message() {
  outer xdotool mousemove $((fx + 116 + dx)) $((fy + 320 + dy)) click 1
  window_up message Return
}
# 出题: the question-set dialog.
step_dialog() {
  outer xdotool mousemove $((fx + 74 + dx)) $((fy + 82 + dy)) click 1
  window_up dialog
}

crashes=0 missing=0
for ((run = 1; run <= runs; run++)); do
  dir=$scratch/$run
  mkdir -p "$dir/run" "$dir/home"
  chmod 0700 "$dir/run"
  export XDG_RUNTIME_DIR=$dir/run HOME=$dir/home XDG_CONFIG_HOME=$dir/home
  unset DISPLAY WAYLAND_DISPLAY
  # weston's own screen is a window on a private X server, so that the pointer xdotool moves
  # there is weston's pointer (headless weston has none, and its Xwayland dies on XTEST).
  # Numbers well above those the desktops' own Xwayland servers take from :0 up.
  outer=""
  for ((n = 170; n < 200; n++)); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    : >"$dir/xvfb.display"
    exec 5>"$dir/xvfb.display"
    Xvfb ":$n" -displayfd 5 -screen 0 1024x768x24 -nolisten tcp >"$dir/xvfb.log" 2>&1 &
    xvfb_pid=$!
    exec 5>&-
    xvfb_ready() { [ -s "$dir/xvfb.display" ] || ! kill -0 "$xvfb_pid"; }
    wait_for 100 xvfb_ready || true
    if [ -s "$dir/xvfb.display" ]; then
      outer=:$n
      break
    fi
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
  done
  if [ -z "$outer" ]; then
    echo "run $run: Xvfb did not start" >&2
    exit 1
  fi
  DISPLAY=$outer weston --backend=x11-backend.so --use-pixman --xwayland \
    --socket=wayland-tavrin --width=$width --height=$height --idle-time=0 \
    --log="$dir/weston.log" >"$dir/weston.out" 2>&1 &
  weston_pid=$!
  x_ready() { grep -q 'xserver listening on display' "$dir/weston.log"; }
  if ! wait_for 100 x_ready; then
    echo "run $run: weston offered no X display" >&2
    exit 1
  fi
  inner=$(sed -n 's/.*xserver listening on display \(:[0-9]*\).*/\1/p' "$dir/weston.log" | head -1)
  export DISPLAY=$inner WAYLAND_DISPLAY=wayland-tavrin
  QT_QPA_PLATFORM=xcb "$program" >"$dir/program.log" 2>&1 &
  program_pid=$!
  outcome="" reached=""
  if ! wait_for 600 face_shown; then
    outcome="the face never showed"
  elif ! find_offset; then
    outcome="the pointer found the face nowhere"
  else
    read -r fx fy _ <<<"$(x_place "$face")"
    for step in "${steps[@]}"; do
      outcome=$("step_$step" 2>&1) || break
      reached="$reached $step"
      outcome=""
    done
  fi
  sleep 1
  if ! kill -0 "$weston_pid" 2>/dev/null; then
    status=0
    wait "$weston_pid" || status=$?
    weston_pid=""
    outcome="weston died (exit status $status); steps passed:${reached:- none}${outcome:+; then $outcome}"
    crashes=$((crashes + 1))
  elif [ -n "$outcome" ]; then
    missing=$((missing + 1))
  fi
  echo "run $run: ${outcome:-${steps[*]} came up and closed, weston alive}"
  stop
  if [ -z "$outcome" ] && [ "${KEEP:-}" != 1 ]; then rm -rf "$dir"; fi
done
echo "weston died in $crashes of $runs runs; $missing more runs failed otherwise"
[ $crashes -eq 0 ] && [ $missing -eq 0 ]
