// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QPixmap;
class QString;

namespace tavrin {

// Registers the pictures compiled into the shell library. The linker drops a
// static library's resources unless something names them, so every window that
// shows a picture calls this first; calling it again does no harm.
void InitPictures();

// A picture compiled into the program (":/pictures/NAME"), read in the format its name ends in.
// Without the format Qt loads every image plugin, and libjpeg with them, to ask each whether it
// reads the picture: milliseconds of a cold start, on the face's way to the screen.
QPixmap CompiledPicture(const QString& name);

}  // namespace tavrin
