// SPDX-License-Identifier: GPL-3.0-or-later
// The floor under the start-up benchmark: the face's own window design, with its skin and eye
// pictures and its fonts, shown by a bare Qt program that does nothing else (no sound, no
// settings, no record, no eyes, menu, tray or window shape). Whatever the program costs beyond
// this is its own; this much is Qt's, the fonts' and the machine's.
//   build/bin/startup_bench --program build/bin/startup_floor
//   ../shared/perf/startup_vs_peer.sh build/bin/startup_floor
#include <QApplication>
#include <QPixmap>

#include "shell/fonts.h"
#include "shell/pictures.h"
#include "ui_face_window.h"

int main(int argc, char* argv[]) {
    tavrin::RegisterFontSubstitutions();
    QApplication app(argc, argv);
    tavrin::ApplyDefaultFont(app);
    QWidget face(nullptr, Qt::Tool | Qt::FramelessWindowHint);
    Ui::FORM1 ui;
    ui.setupUi(&face);
    ui.picshape->setPixmap(tavrin::CompiledPicture(QStringLiteral("skin.bmp")));
    const QPixmap eye = tavrin::CompiledPicture(QStringLiteral("eye.bmp"));
    ui.Image1->setPixmap(eye);
    ui.Image2->setPixmap(eye);
    face.show();
    return app.exec();
}
