// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/eyes.h"

#include <sys/stat.h>

#include <QDir>
#include <QEvent>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QLabel>
#include <QPixmap>
#include <QWidget>
#include <QtDebug>
#include <algorithm>
#include <array>

#include "generation/random_source.h"
#include "shell/pictures.h"

namespace tavrin {

namespace {

constexpr int kRestingPicture = 5;
constexpr int kLastFrame = 8;

// A picture that covers its eye without transparency hides what lies behind it, so a change
// of picture repaints only the eye, not the face under it.
void SetEyePixmap(QLabel* eye, const QPixmap& pixmap) {
    // In device-independent pixels: a dense picture has more pixels than the eye is wide.
    const QSizeF size = pixmap.deviceIndependentSize();
    const bool covers = !pixmap.hasAlphaChannel() && size.width() >= eye->width() &&
                        size.height() >= eye->height() && eye->frameWidth() == 0;
    eye->setAttribute(Qt::WA_OpaquePaintEvent, covers);
    eye->setPixmap(pixmap);
}

}  // namespace

std::optional<int> EyeAnimation::Tick() {
    if (EyeFrame >= kLastFrame) {
        EyeFrame = 0;
        return std::nullopt;
    }
    ++EyeFrame;
    return EyeFrame;
}

std::pair<int, int> EyeExpression(int r) {
    static constexpr std::array<std::pair<int, int>, 6> kExpressions{{
        {7, 7},
        {8, 8},
        {7, 6},
        {6, 7},
        {8, 7},
        {7, 8},
    }};
    if (r < 1 || r > static_cast<int>(kExpressions.size())) {
        return {kRestingPicture, kRestingPicture};
    }
    return kExpressions[r - 1];
}

int DrawExpression(RandomSource& random) {
    random.Reseed();
    const int r = static_cast<int>(random.Draw() * 6) + 1;
    // A draw of exactly 1 (never expected) must not step off the table.
    return std::clamp(r, 1, 6);
}

Eyes::Eyes(QLabel* image1, QLabel* image2, QString eyeFolder, RandomSource& random)
    : image1_(image1), image2_(image2), folder_(std::move(eyeFolder)), random_(random) {
    for (QLabel* eye : {image1_, image2_}) {
        // Pictures keep their own size and hang from the top-left corner.
        eye->setScaledContents(false);
        eye->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    }
}

void Eyes::Tick() {
    if (const std::optional<int> picture = animation_.Tick()) ShowPictures(*picture, *picture);
}

void Eyes::OnConfirmPressed() {
    const auto [left, right] = EyeExpression(DrawExpression(random_));
    ShowPictures(left, right);
}

void Eyes::OnConfirmReleased() { ShowPictures(kRestingPicture, kRestingPicture); }

bool Eyes::ShowAgain() {
    if (shownLeft_ == 0) return false;
    ShowPictures(shownLeft_, shownRight_);
    return true;
}

void Eyes::ShowPictures(int left, int right) {
    shownLeft_ = left;
    shownRight_ = right;
    const QPixmap* shown = ShowPicture(image1_, left);
    // Mostly both eyes show one picture: one look at its file does for both.
    if (right == left && shown != nullptr) {
        SetEyePixmap(image2_, *shown);
    } else {
        ShowPicture(image2_, right);
    }
}

const QPixmap* Eyes::ShowPicture(QLabel* eye, int number) {
    const QString path = QDir(folder_).filePath(QString::number(number));
    // A dense screen takes the picture drawn for its density ("1@2x" beside "1") when the
    // folder has it, and the 1x picture otherwise.
    const qreal ratio = eye->devicePixelRatioF();
    const int density = PictureDensity(ratio);
    const QPixmap* pixmap = nullptr;
    if (density > 1) pixmap = Decode(path + QStringLiteral("@%1x").arg(density), density, ratio);
    if (pixmap == nullptr) pixmap = Decode(path, 1, 1);
    if (pixmap == nullptr) return nullptr;
    SetEyePixmap(eye, *pixmap);
    return pixmap;
}

const QPixmap* Eyes::Decode(const QString& path, int density, qreal ratio) {
    // The eyes change three times a second all day; decoding the same file each time is most
    // of what the program does while a child thinks.
    Decoded file;
    struct stat info {};
    // A FIFO or a device would hold the GUI thread for good: open regular files only.
    const bool found = ::stat(QFile::encodeName(path).constData(), &info) == 0;
    const bool regular = found && S_ISREG(info.st_mode);
    // A folder without dense pictures is an ordinary one: the 1x picture stands in, silently.
    if (density > 1 && !found) return nullptr;
    if (regular) {
        file.device = info.st_dev;
        file.inode = info.st_ino;
        file.size = info.st_size;
        file.modifiedNs = std::int64_t{info.st_mtim.tv_sec} * 1000000000 + info.st_mtim.tv_nsec;
        file.ratio = ratio;
        const auto known = decoded_.constFind(path);
        if (known != decoded_.cend() && known->device == file.device &&
            known->inode == file.inode && known->size == file.size &&
            known->modifiedNs == file.modifiedNs && known->ratio == file.ratio) {
            // A file that could not be read is not read again until it changes.
            if (known->pixmap.isNull()) return nullptr;
            return &known->pixmap;
        }
    }
    // The files have no extension. The 1x pictures are BMP and the dense ones PNG, and read as
    // such no image plugin is loaded; anything else is told by its content.
    QImageReader reader;
    if (regular) reader.setFileName(path);
    reader.setFormat(density > 1 ? "png" : "bmp");
    reader.setAutoDetectImageFormat(false);
    QImage decoded = reader.read();
    if (decoded.isNull() && regular) {
        reader.setFileName(path);
        reader.setFormat(QByteArray());
        reader.setAutoDetectImageFormat(true);
        reader.setDecideFormatFromContent(true);
        decoded = reader.read();
    }
    if (decoded.isNull()) {
        // An incomplete eye folder must not stop the program: the eye keeps what it shows.
        if (!reported_.contains(path)) {
            reported_.insert(path);
            qWarning().noquote() << "Tavrin: cannot show eye picture" << path << "-"
                                 << (regular ? reader.errorString()
                                             : QStringLiteral("not a regular file"));
        }
        if (regular) decoded_.insert(path, std::move(file));
        return nullptr;
    }
    file.pixmap = QPixmap::fromImage(FitToScreen(std::move(decoded), density, ratio));
    return &decoded_.insert(path, std::move(file))->pixmap;
}

EyePressFilter::EyePressFilter(Eyes& eyes, QObject* parent) : QObject(parent), eyes_(eyes) {}

bool EyePressFilter::eventFilter(QObject* watched, QEvent* event) {
    const auto* button = qobject_cast<QWidget*>(watched);
    if (button == nullptr || !button->isEnabled()) return false;
    switch (event->type()) {
        case QEvent::MouseButtonPress:
        // The second press of a double click is a press like any other.
        case QEvent::MouseButtonDblClick:
            eyes_.OnConfirmPressed();
            break;
        case QEvent::MouseButtonRelease:
            eyes_.OnConfirmReleased();
            break;
        default:
            break;
    }
    return false;
}

}  // namespace tavrin
