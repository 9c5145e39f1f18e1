#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Rebuilds the drawing tool in a scratch folder and redraws the committed pictures:
# data/pictures/*, the eye frames data/eye/1 … data/eye/8 and the desktop icons data/icons/hicolor.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../.." && pwd)"
build="$(mktemp -d)"
trap 'rm -rf "$build"' EXIT

cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --parallel 2 >/dev/null
# Fonts and painting need a GUI application, but no screen.
QT_QPA_PLATFORM=offscreen "$build/draw_pictures" "$root/data/pictures" "$root/data/eye" "$root/data/icons/hicolor"
