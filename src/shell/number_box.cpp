// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/number_box.h"

#include <QLineEdit>

#include "session/typed_text.h"

namespace tavrin {

void KeepNumberBoxAscii(QLineEdit* box) {
    QObject::connect(box, &QLineEdit::textEdited, box, [box](const QString& text) {
        const QString ascii = AsciiNumberText(text);
        if (ascii == text) return;
        // One character for one, so the cursor stays where the child typed.
        const int cursor = box->cursorPosition();
        box->setText(ascii);
        box->setCursorPosition(cursor);
    });
}

}  // namespace tavrin
