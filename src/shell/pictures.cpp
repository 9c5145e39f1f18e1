// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/pictures.h"

#include <QFileInfo>
#include <QImageReader>
#include <QPixmap>
#include <QtGlobal>

// Outside any namespace, as the macro requires.
static void InitPictureResources() { Q_INIT_RESOURCE(pictures); }

namespace tavrin {

void InitPictures() { InitPictureResources(); }

QPixmap CompiledPicture(const QString& name) {
    InitPictures();
    QImageReader reader(QStringLiteral(":/pictures/") + name, QFileInfo(name).suffix().toLatin1());
    reader.setAutoDetectImageFormat(false);
    return QPixmap::fromImage(reader.read());
}

}  // namespace tavrin
