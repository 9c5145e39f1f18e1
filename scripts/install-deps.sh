#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian packages one purpose needs, skipping those already present.
# Usage: scripts/install-deps.sh PURPOSE…   with PURPOSE one of the lists below, for example
#   scripts/install-deps.sh run          (what scripts/run.sh needs)
#   scripts/install-deps.sh run test     (what scripts/test.sh needs)
#   scripts/install-deps.sh --list run test   prints the packages instead of installing them
# Works as root or through sudo; without either it stops before installing anything and says
# what to run as root. Knows Debian 12 (bookworm) and 13 (trixie); a later release gets 13's lists.
set -euo pipefail

# The few names that differ between the releases.
release="$(. /etc/os-release 2>/dev/null && echo "${VERSION_ID:-}")"
case "$release" in
  12) clang_version=14 ;;
  *) clang_version=19 ;;
esac

# One list per purpose, so each script pulls in only what it uses.
# Building and running the program.
run=(
  build-essential cmake pkgconf
  qt6-base-dev qt6-base-dev-tools qt6-l10n-tools libgl-dev
  libsdl2-dev libsndfile1-dev
  libqt6sql6-sqlite libsqlite3-dev
  fonts-wqy-microhei fonts-arphic-uming fonts-arphic-ukai
  libxcb1-dev libxcb-shape0-dev
)
# The unit, widget and X tests and the benchmarks.
test=(
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  # The dense-screen X test reads the pointer back through XFixes.
  libxtst-dev libxfixes-dev libwayland-dev
  xvfb xauth x11-xserver-utils xdotool imagemagick
  xcompmgr
)
# CI only: the sound tests' private servers, each with a null sink (the tests skip without
# them). Not for a desktop whose sound matters: PulseAudio and PipeWire's service would both
# offer themselves as the session's sound server.
sound_servers=(pulseaudio pulseaudio-utils pipewire pipewire-pulse wireplumber dbus)
# CI only: the report opened in a browser (.ci/report.sh).
report=(chromium)
# CI only: the installed tree's checks (.ci/install-check.sh).
install_check=(desktop-file-utils appstream groff-base man-db file)
# CI only: the sanitizer build (.ci/sanitizers.sh) needs nothing beyond run and test.
sanitizers=()
# CI only: the fuzzers (.ci/fuzz.sh).
fuzz=("clang-$clang_version" "libclang-rt-$clang_version-dev")
# The Debian package (scripts/package.sh) and its review (.ci/package.sh).
package=(debhelper dpkg-dev fakeroot ccache)
package_review=(lintian autopkgtest)
# CI only: a fresh root of another release to build and test in (.ci/debian13.sh).
release_root=(debootstrap)

list_only=false
if [ "${1:-}" = --list ]; then
  list_only=true
  shift
fi
[ $# -gt 0 ] || { echo "usage: $0 [--list] PURPOSE…" >&2; exit 2; }
wanted=()
for purpose in "$@"; do
  declare -p "$purpose" >/dev/null 2>&1 || { echo "$0: no list named $purpose" >&2; exit 2; }
  declare -n list="$purpose"
  wanted+=("${list[@]}")
  unset -n list
done
if $list_only; then
  [ ${#wanted[@]} -eq 0 ] || printf '%s\n' "${wanted[@]}"
  exit 0
fi

missing=()
for p in "${wanted[@]}"; do
  status=$(dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null || true)
  [ "$status" = installed ] || missing+=("$p")
done
[ ${#missing[@]} -gt 0 ] || exit 0

apt_install=(apt-get -o DPkg::Lock::Timeout=900 install -y -qq --no-install-recommends)
if [ "$(id -u)" -eq 0 ]; then
  as_root=(env DEBIAN_FRONTEND=noninteractive)
elif command -v sudo >/dev/null; then
  # sudo resets the environment, so the variable goes on its command line.
  as_root=(sudo DEBIAN_FRONTEND=noninteractive)
else
  echo "Missing packages; as root, run: apt-get install --no-install-recommends ${missing[*]}" >&2
  exit 1
fi

echo "Installing: ${missing[*]}"
# The package lists are read again only when one of the packages is unknown to them.
for p in "${missing[@]}"; do
  if ! apt-cache show "$p" >/dev/null 2>&1; then
    "${as_root[@]}" apt-get update -qq
    break
  fi
done
"${as_root[@]}" "${apt_install[@]}" "${missing[@]}"
