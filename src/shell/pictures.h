// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

class QCursor;
class QImage;
class QPixmap;
class QPoint;
class QSize;
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

// Every picture is also drawn at 2 and 3 device pixels to the pixel. The density of drawing a
// screen of `devicePixelRatio` wants: 1 up to 1, 2 up to 2, 3 beyond. Between two densities the
// denser drawing is scaled down, never the sparser one up.
int PictureDensity(qreal devicePixelRatio);

// The name of a picture's variant at `density`: Qt's "@2x" beside the 1x name, in PNG, or JPEG
// where the 1x picture is one ("skin.bmp" → "skin@2x.png", "about.jpg" → "about@2x.jpg").
// At density 1 the name itself.
QString DenseName(const QString& name, int density);

// What lies outside a picture's drawing. The face's white ground is cut away by the window's
// shape, which takes only exact white: scaled down smoothly, its rim would blend into pale
// pixels that are no longer white and show as a fringe on the desktop.
enum class Ground { kPainted, kWhiteCutAway };

// A picture drawn at `density` (its pixels `density` times its 1x size) made ready for a screen
// of `devicePixelRatio`: at the density itself it is only tagged with it; otherwise it is
// scaled smoothly to the screen's own pixels, so that Qt draws it one to one. Either way it
// keeps its 1x size in device-independent pixels.
QImage FitToScreen(QImage picture, int density, qreal devicePixelRatio,
                   Ground ground = Ground::kPainted);

// The dense variants are packed in a resource file of their own, beside the data folder
// (<exe dir>/../share/tavrin/pictures_dense.rcc), read only on a dense screen.
QString DensePicturesFile();

// The picture for a screen of `devicePixelRatio`. At 1 exactly CompiledPicture(name),
// so a 1x screen never reads a dense picture; above 1 the variant PictureDensity asks for, or
// the 1x picture when that variant (or the file of dense pictures) is missing.
QPixmap CompiledPicture(const QString& name, qreal devicePixelRatio,
                        Ground ground = Ground::kPainted);

// A mouse pointer from a picture made for the screen, with its hot spot in the picture's 1x
// pixels. Qt's X11 plugin hands a hot spot to the server as it stands, in the picture's own
// pixels, so there it is scaled with the picture.
QCursor PointerCursor(const QPixmap& picture, const QPoint& hotSpot);

}  // namespace tavrin
