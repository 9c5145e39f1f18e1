// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// How the face's outline reaches the screen. An X server without a compositor
// shows only what the X Shape extension leaves of a window; a compositor (any
// Wayland desktop, an X desktop with a compositing manager) draws the whole
// buffer, and shows the desktop only where the window's pixels are transparent.

class QRegion;
class QWidget;

namespace tavrin {

enum class OutlineMode {
    // The region is the window's visible and clickable shape: plain X, offscreen.
    Shape,
    // X with a compositor: transparent pixels show the outline, the region is
    // only where clicks land. A bounding shape as well made weston draw the
    // face as a black silhouette.
    PixelsWithXInputShape,
    // Native Wayland: transparent pixels, the region as the surface's input region.
    PixelsWithInputRegion,
};

// Asks the running platform: the xcb one whether a compositing manager owns the
// screen's _NET_WM_CM_S<n> selection. Needs the application object.
OutlineMode CurrentOutlineMode();

inline bool OutlineInPixels(OutlineMode mode) { return mode != OutlineMode::Shape; }

// Gives `window` (a created top-level) its outline in `mode`: `region` in device-independent
// pixels, `devicePixels` the same outline in the screen's own pixels (at 1x the same region).
void SetWindowOutline(QWidget* window, const QRegion& region, const QRegion& devicePixels,
                      OutlineMode mode);

}  // namespace tavrin
