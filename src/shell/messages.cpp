// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/messages.h"

#include <QMessageBox>
#include <utility>

namespace tavrin {

namespace {

void ShowMessageBox(QWidget* parent, const QString& text, MessageIcon icon) {
    QMessageBox box(icon == MessageIcon::Warning ? QMessageBox::Warning : QMessageBox::NoIcon,
                    QStringLiteral("Tavrin4.00"), text, QMessageBox::Ok, parent);
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
