// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace tavrin {

// Registers the pictures compiled into the shell library. The linker drops a
// static library's resources unless something names them, so every window that
// shows a picture calls this first; calling it again does no harm.
void InitPictures();

}  // namespace tavrin
