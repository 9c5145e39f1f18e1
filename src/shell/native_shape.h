// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QRegion;
class QWidget;

namespace tavrin {

// Gives a top-level window's shape to the X server in the screen's own pixels. Qt keeps a
// mask in device-independent pixels and scales each of its rectangles up, so on a dense
// screen every step of the outline would be two or three pixels tall; this sets the finer
// shape directly. Only on X11 with the SHAPE extension; returns whether it did.
bool SetDeviceShape(QWidget* window, const QRegion& devicePixels);

}  // namespace tavrin
