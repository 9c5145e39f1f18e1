// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/window_outline.h"

#include <xcb/shape.h>
#include <xcb/xcb.h>

#include <QGuiApplication>
#include <QRegion>
#include <QWidget>
#include <cstdlib>
#include <string>
#include <vector>

namespace tavrin {

namespace {

bool XCompositorRuns(xcb_connection_t* connection) {
    // The screen this connection was opened on, as DISPLAY names it (":0.1").
    char* host = nullptr;
    int display = 0, screen = 0;
    if (!xcb_parse_display(nullptr, &host, &display, &screen)) screen = 0;
    std::free(host);
    const std::string name = "_NET_WM_CM_S" + std::to_string(screen);
    xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
        connection,
        xcb_intern_atom(connection, 1, static_cast<std::uint16_t>(name.size()), name.c_str()),
        nullptr);
    if (!atom) return false;
    bool owned = false;
    if (atom->atom != XCB_ATOM_NONE) {
        xcb_get_selection_owner_reply_t* owner = xcb_get_selection_owner_reply(
            connection, xcb_get_selection_owner(connection, atom->atom), nullptr);
        owned = owner && owner->owner != XCB_WINDOW_NONE;
        std::free(owner);
    }
    std::free(atom);
    return owned;
}

xcb_connection_t* XConnection() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

// Sets one of the window's X shapes in the screen's own pixels; false where there is no X
// server with the SHAPE extension.
bool SetXShape(QWidget* window, xcb_shape_kind_t kind, const QRegion& devicePixels) {
    xcb_connection_t* connection = XConnection();
    if (!connection) return false;
    const xcb_query_extension_reply_t* shape = xcb_get_extension_data(connection, &xcb_shape_id);
    if (!shape || !shape->present) return false;
    std::vector<xcb_rectangle_t> rects;
    rects.reserve(static_cast<std::size_t>(devicePixels.rectCount()));
    for (const QRect& r : devicePixels)
        rects.push_back({static_cast<std::int16_t>(r.x()), static_cast<std::int16_t>(r.y()),
                         static_cast<std::uint16_t>(r.width()),
                         static_cast<std::uint16_t>(r.height())});
    xcb_shape_rectangles(connection, XCB_SHAPE_SO_SET, kind, XCB_CLIP_ORDERING_UNSORTED,
                         static_cast<xcb_window_t>(window->winId()), 0, 0,
                         static_cast<std::uint32_t>(rects.size()), rects.data());
    xcb_flush(connection);
    return true;
}

}  // namespace

OutlineMode CurrentOutlineMode() {
    const QString platform = QGuiApplication::platformName();
    if (platform.startsWith(QLatin1String("wayland"))) return OutlineMode::PixelsWithInputRegion;
    if (platform == QLatin1String("xcb")) {
        xcb_connection_t* connection = XConnection();
        if (connection && XCompositorRuns(connection)) return OutlineMode::PixelsWithXInputShape;
    }
    return OutlineMode::Shape;
}

void SetWindowOutline(QWidget* window, const QRegion& region, const QRegion& devicePixels,
                      OutlineMode mode) {
    if (mode == OutlineMode::PixelsWithXInputShape &&
        SetXShape(window, XCB_SHAPE_SK_INPUT, devicePixels))
        return;
    // Qt's mask is the X bounding shape on xcb and the input region on Wayland.
    window->setMask(region);
    // Qt scales each rectangle of a mask up, so on a dense screen every step of the outline
    // would be two or three pixels tall: the finer shape replaces it where X can take it.
    if (mode == OutlineMode::Shape && devicePixels != region)
        SetXShape(window, XCB_SHAPE_SK_BOUNDING, devicePixels);
}

}  // namespace tavrin
