// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/messages.h"

#include <QGuiApplication>
#include <QMessageBox>
#include <QWindow>
#include <utility>

namespace tavrin {

namespace {

// weston 10 shows a tool window such as the face as a bare surface with no place in its
// desktop shell, and that shell dies (SIGSEGV) when a dialog names one as its X parent.
// The box keeps its parent for its place over it and for its modality; the X server is
// told Qt's client leader instead, as for the About window. It is done as the box shows,
// after Qt made its window and before it names the parent: winId() earlier would make
// every widget on the face a native window of its own.
class MessageBox : public QMessageBox {
public:
    using QMessageBox::QMessageBox;

protected:
    void showEvent(QShowEvent* event) override {
        if (parentWidget() && parentWidget()->window()->windowType() == Qt::Tool &&
            QGuiApplication::platformName() == QLatin1String("xcb") && windowHandle())
            windowHandle()->setTransientParent(nullptr);
        QMessageBox::showEvent(event);
    }
};

void ShowMessageBox(QWidget* parent, const QString& text, MessageIcon icon) {
    MessageBox box(icon == MessageIcon::Warning ? QMessageBox::Warning : QMessageBox::NoIcon,
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
