// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/pictures.h"

#include <QCoreApplication>
#include <QCursor>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QPixmap>
#include <QPoint>
#include <QResource>
#include <cmath>

// Outside any namespace, as the macro requires.
static void InitPictureResources() { Q_INIT_RESOURCE(pictures); }

namespace tavrin {

namespace {

QImage ReadCompiled(const QString& name) {
    InitPictures();
    QImageReader reader(QStringLiteral(":/pictures/") + name, QFileInfo(name).suffix().toLatin1());
    reader.setAutoDetectImageFormat(false);
    return reader.read();
}

// Smooth scaling with the white ground taken as clear, so that the rim blends with nothing;
// afterwards a pixel is ground again when less than half of it was drawing.
QImage ScaleCuttingWhite(const QImage& picture, const QSize& size) {
    QImage clear = picture.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < clear.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(clear.scanLine(y));
        for (int x = 0; x < clear.width(); ++x)
            if ((row[x] & 0xFFFFFF) == 0xFFFFFF) row[x] = 0;
    }
    QImage scaled = clear.convertToFormat(QImage::Format_ARGB32_Premultiplied)
                        .scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                        .convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < scaled.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(scaled.scanLine(y));
        for (int x = 0; x < scaled.width(); ++x) {
            QRgb& p = row[x];
            if (qAlpha(p) < 128) {
                p = qRgb(255, 255, 255);
            } else {
                p = qRgb(qRed(p), qGreen(p), qBlue(p));
                // Drawing is never white: white is the ground.
                if ((p & 0xFFFFFF) == 0xFFFFFF) p = qRgb(254, 254, 254);
            }
        }
    }
    return scaled.convertToFormat(QImage::Format_RGB32);
}

}  // namespace

void InitPictures() { InitPictureResources(); }

QString DensePicturesFile() {
    return QDir::cleanPath(QCoreApplication::applicationDirPath() +
                           QStringLiteral("/../share/tavrin/pictures_dense.rcc"));
}

QPixmap CompiledPicture(const QString& name) { return QPixmap::fromImage(ReadCompiled(name)); }

int PictureDensity(qreal devicePixelRatio) {
    if (devicePixelRatio <= 1) return 1;
    return devicePixelRatio <= 2 ? 2 : 3;
}

QString DenseName(const QString& name, int density) {
    if (density <= 1) return name;
    const QFileInfo info(name);
    const bool jpeg = info.suffix().compare(QLatin1String("jpg"), Qt::CaseInsensitive) == 0;
    return info.completeBaseName() + QStringLiteral("@%1x.").arg(density) +
           (jpeg ? QStringLiteral("jpg") : QStringLiteral("png"));
}

QImage FitToScreen(QImage picture, int density, qreal devicePixelRatio, Ground ground) {
    if (picture.isNull() || density < 1) return picture;
    if (devicePixelRatio != density) {
        const QSize size(std::lround(picture.width() * devicePixelRatio / density),
                         std::lround(picture.height() * devicePixelRatio / density));
        picture = ground == Ground::kWhiteCutAway
                      ? ScaleCuttingWhite(picture, size)
                      : picture.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    picture.setDevicePixelRatio(devicePixelRatio);
    return picture;
}

QPixmap CompiledPicture(const QString& name, qreal devicePixelRatio, Ground ground) {
    const int density = PictureDensity(devicePixelRatio);
    if (density == 1) return CompiledPicture(name);
    InitPictures();
    // Opened only when a screen asks for them; without the file the 1x pictures serve.
    static const bool opened = QResource::registerResource(DensePicturesFile());
    Q_UNUSED(opened);
    const QString dense = DenseName(name, density);
    if (QFile::exists(QStringLiteral(":/pictures/") + dense))
        return QPixmap::fromImage(
            FitToScreen(ReadCompiled(dense), density, devicePixelRatio, ground));
    return CompiledPicture(name);
}

QCursor PointerCursor(const QPixmap& picture, const QPoint& hotSpot) {
    const bool serverPixels = QGuiApplication::platformName() == QLatin1String("xcb");
    const qreal scale = serverPixels ? picture.devicePixelRatio() : 1.0;
    return QCursor(picture, int(std::lround(hotSpot.x() * scale)),
                   int(std::lround(hotSpot.y() * scale)));
}

}  // namespace tavrin
