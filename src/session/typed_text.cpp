// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/typed_text.h"

namespace tavrin {

QString AsciiNumberText(QString text) {
    for (QChar& c : text) {
        const char16_t u = c.unicode();
        if ((u >= u'０' && u <= u'９') || u == u'＋' || u == u'－' || u == u'．')
            c = QChar(u - 0xFEE0);  // the full-width forms mirror ASCII 0x21..0x7E
        else if (u == u'\u3000')
            c = QLatin1Char(' ');
    }
    return text;
}

}  // namespace tavrin
