// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/native_shape.h"

#include <xcb/shape.h>
#include <xcb/xcb.h>

#include <QGuiApplication>
#include <QRegion>
#include <QWidget>
#include <vector>

namespace tavrin {

bool SetDeviceShape(QWidget* window, const QRegion& devicePixels) {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) return false;
    const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    if (connection == nullptr) return false;
    const xcb_query_extension_reply_t* shape = xcb_get_extension_data(connection, &xcb_shape_id);
    if (shape == nullptr || !shape->present) return false;
    std::vector<xcb_rectangle_t> rects;
    rects.reserve(std::size_t(devicePixels.rectCount()));
    for (const QRect& r : devicePixels)
        rects.push_back({qint16(r.x()), qint16(r.y()), quint16(r.width()), quint16(r.height())});
    // Qt's own mask goes to the same shape kind, and this replaces it.
    xcb_shape_rectangles(connection, XCB_SHAPE_SO_SET, XCB_SHAPE_SK_BOUNDING,
                         XCB_CLIP_ORDERING_UNSORTED, xcb_window_t(window->winId()), 0, 0,
                         quint32(rects.size()), rects.data());
    xcb_flush(connection);
    return true;
}

}  // namespace tavrin
