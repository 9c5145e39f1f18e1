#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the Debian packages Tavrin needs to build, run and test, skipping
# those already present. Works as root or through sudo.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libsdl2-dev libsndfile1-dev
  fonts-arphic-uming fonts-arphic-ukai fonts-wqy-microhei
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth x11-xserver-utils xdotool imagemagick
  qt6-translations-l10n libxtst-dev
  libqt6sql6-sqlite chromium
  debhelper dpkg-dev fakeroot lintian desktop-file-utils appstream groff-base man-db
  clang-14 libclang-rt-14-dev
  pulseaudio pulseaudio-utils pipewire pipewire-pulse wireplumber dbus  # sound_server_tests: private servers with a null sink
)

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null || true)
  [ "$status" = installed ] || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
