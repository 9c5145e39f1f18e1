// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace tavrin {

enum class MessageIcon { None, Warning };

// Every message box of the program goes through here, so tests can record the
// messages instead of blocking on a modal box.
using MessageSink = std::function<void(QWidget* parent, const QString& text, MessageIcon icon)>;

// A modal box titled "Tavrin4.00" with the text alone and an OK button.
void ShowMessage(QWidget* parent, const QString& text, MessageIcon icon = MessageIcon::None);

// Replaces the boxes (pass nullptr to restore them); returns the previous sink.
MessageSink SetMessageSink(MessageSink sink);

}  // namespace tavrin
