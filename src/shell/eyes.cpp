#include "shell/eyes.h"

#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QLabel>
#include <QPixmap>
#include <QWidget>
#include <QtDebug>
#include <algorithm>
#include <array>

#include "generation/random_source.h"

namespace tavrin {

namespace {

constexpr int kRestingPicture = 5;
constexpr int kLastFrame = 8;

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

void Eyes::Timer2_Timer() {
    if (const std::optional<int> picture = animation_.Tick()) ShowPictures(*picture, *picture);
}

void Eyes::Command1_MouseDown() {
    const auto [left, right] = EyeExpression(DrawExpression(random_));
    ShowPictures(left, right);
}

void Eyes::Command1_MouseUp() { ShowPictures(kRestingPicture, kRestingPicture); }

void Eyes::ShowPictures(int left, int right) {
    ShowPicture(image1_, left);
    ShowPicture(image2_, right);
}

void Eyes::ShowPicture(QLabel* eye, int number) {
    const QString path = QDir(folder_).filePath(QString::number(number));
    QImageReader reader;
    // A FIFO or a device would hold the GUI thread for good: open regular files only.
    if (QFileInfo(path).isFile()) reader.setFileName(path);
    // The files have no extension; only their content tells the format.
    reader.setDecideFormatFromContent(true);
    const QImage picture = reader.read();
    if (picture.isNull()) {
        // An incomplete eye folder must not stop the program: the eye keeps what it shows.
        if (!reported_.contains(path)) {
            reported_.insert(path);
            qWarning().noquote() << "Tavrin: cannot show eye picture" << path << "-"
                                 << (reader.fileName().isEmpty()
                                         ? QStringLiteral("not a regular file")
                                         : reader.errorString());
        }
        return;
    }
    eye->setPixmap(QPixmap::fromImage(picture));
}

EyePressFilter::EyePressFilter(Eyes& eyes, QObject* parent) : QObject(parent), eyes_(eyes) {}

bool EyePressFilter::eventFilter(QObject* watched, QEvent* event) {
    const auto* button = qobject_cast<QWidget*>(watched);
    if (button == nullptr || !button->isEnabled()) return false;
    switch (event->type()) {
        case QEvent::MouseButtonPress:
        // The second press of a double click is a press like any other.
        case QEvent::MouseButtonDblClick:
            eyes_.Command1_MouseDown();
            break;
        case QEvent::MouseButtonRelease:
            eyes_.Command1_MouseUp();
            break;
        default:
            break;
    }
    return false;
}

}  // namespace tavrin
