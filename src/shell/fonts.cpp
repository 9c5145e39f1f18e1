// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/fonts.h"

#include <QApplication>
#include <QFont>
#include <QFontDatabase>
#include <QStringList>
#include <cstdio>
#include <utility>

namespace tavrin {

namespace {

// A Song (Ming) face, a brush (Kai) face and a rounded sans face, from the Debian packages
// fonts-arphic-uming, fonts-arphic-ukai and fonts-wqy-microhei.
constexpr const char* kSongFace = "AR PL UMing CN";
constexpr const char* kLishuFace = "AR PL UKai CN";
constexpr const char* kSansFace = "WenQuanYi Micro Hei";

// 9 pt is the size of the dialog font the designs were laid out with: the captions fill their
// labels at 12 px per character.
constexpr int kDefaultPointSize = 9;

}  // namespace

void RegisterFontSubstitutions() {
    QFont::insertSubstitution(QStringLiteral("宋体"), QString::fromLatin1(kSongFace));
    QFont::insertSubstitution(QStringLiteral("隶书"), QString::fromLatin1(kLishuFace));
    QFont::insertSubstitution(QStringLiteral("幼圆"), QString::fromLatin1(kSansFace));
}

void ApplyDefaultFont(QApplication& app) {
    QFont font(QString::fromLatin1(kSansFace), kDefaultPointSize);
    app.setFont(font);
}

void WarnWhenChineseFontsMissing() {
    // Any font that writes Simplified Chinese stands in for the three faces. Asked once the face
    // is laid out, Qt has read the font list already, so this costs microseconds.
    const QStringList chinese = QFontDatabase::families(QFontDatabase::SimplifiedChinese);
    if (chinese.isEmpty()) {
        std::fputs(
            "tavrin: no Chinese font is installed, so the questions and buttons cannot be read; "
            "install fonts-arphic-uming fonts-arphic-ukai fonts-wqy-microhei\n",
            stderr);
        return;
    }
    // The package only recommends the two AR PL faces: without them every text still reads,
    // in another face, and the parent learns what brings the designed look.
    QStringList missing;
    for (const auto& [face, package] :
         {std::pair{kSongFace, "fonts-arphic-uming"}, std::pair{kLishuFace, "fonts-arphic-ukai"}})
        if (!chinese.contains(QString::fromLatin1(face))) missing << QString::fromLatin1(package);
    if (missing.isEmpty()) return;
    std::fprintf(stderr,
                 "tavrin: the captions are shown in another Chinese font; for their designed "
                 "look install %s\n",
                 qPrintable(missing.join(u' ')));
}

}  // namespace tavrin
