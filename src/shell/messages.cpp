// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/messages.h"

#include <QGuiApplication>
#include <QMessageBox>
#include <QWindow>
#include <utility>

namespace tavrin {

namespace {

void ShowMessageBox(QWidget* parent, const QString& text, MessageIcon icon) {
    QMessageBox box(icon == MessageIcon::Warning ? QMessageBox::Warning : QMessageBox::NoIcon,
                    QStringLiteral("Tavrin4.00"), text, QMessageBox::Ok, parent);
    // weston 10 shows a tool window such as the face as a bare surface with no place in its
    // desktop shell, and that shell dies (SIGSEGV) when a dialog names one as its X parent.
    // The box keeps its parent for its place over it and for its modality; the X server is
    // told Qt's client leader instead, as for the About window.
    if (parent && parent->window()->windowType() == Qt::Tool &&
        QGuiApplication::platformName() == QLatin1String("xcb")) {
        box.winId();
        box.windowHandle()->setTransientParent(nullptr);
    }
    box.exec();
}

MessageSink& Sink() {
    static MessageSink sink = ShowMessageBox;
    return sink;
}

}  // namespace

void ShowMessage(QWidget* parent, const QString& text, MessageIcon icon) {
    Sink()(parent, text, icon);
}

MessageSink SetMessageSink(MessageSink sink) {
    return std::exchange(Sink(), sink ? std::move(sink) : MessageSink(ShowMessageBox));
}

}  // namespace tavrin
