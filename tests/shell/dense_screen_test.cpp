// SPDX-License-Identifier: GPL-3.0-or-later
// The shell on a screen of twice the density: the pictures it picks there, and the eye
// folder's dense frames.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/time.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QTemporaryDir>
#include <QWidget>

#include "generation/random_source.h"
#include "shell/about_window.h"
#include "shell/eyes.h"
#include "shell/face_window.h"
#include "shell/window_shape.h"
#include "sound/clip_player.h"
#include "ui_about_window.h"
#include "ui_face_window.h"

namespace tavrin {
namespace {

// Before the test program's QApplication reads it.
const bool kTwiceTheDensity = qputenv("QT_SCALE_FACTOR", "2");

class FixedRandom : public RandomSource {
public:
    double Draw() override { return 0.1; }
    void Reseed() override {}
};

QImage Filled(QSize size, const QColor& colour) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

QStringList* capturedWarnings = nullptr;
void CaptureWarnings(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtWarningMsg && capturedWarnings != nullptr) capturedWarnings->append(message);
}

TEST(DenseScreen, RunsAtTwiceTheDensity) {
    ASSERT_TRUE(kTwiceTheDensity);
    ASSERT_EQ(qApp->devicePixelRatio(), 2);
}

// Frame n is a flat colour at 1x, another at 2x; frame 2 has no 2x file, frame 3's is a FIFO,
// frame 4's is no picture. Each falls back to its 1x file, and only the unusable ones say so.
TEST(DenseScreen, EyesTakeTheDenseFramesThatAreThereAndRegular) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const auto path = [&](const QString& name) { return QDir(folder.path()).filePath(name); };
    const auto sparse = [](int n) { return QColor::fromHsv(n * 40, 200, 200).rgb(); };
    const auto dense = [](int n) { return QColor::fromHsv(n * 40, 100, 250).rgb(); };
    for (int n = 1; n <= 8; ++n) {
        ASSERT_TRUE(Filled({97, 49}, sparse(n)).save(path(QString::number(n)), "BMP"));
        if (n < 2 || n > 4) {
            ASSERT_TRUE(Filled({194, 98}, dense(n)).save(path(QString("%1@2x").arg(n)), "PNG"));
        }
    }
    ASSERT_EQ(mkfifo(QFile::encodeName(path("3@2x")), 0600), 0);
    {
        QFile broken(path("4@2x"));
        ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
        broken.write("\x89PNG but no more");
    }

    QWidget face;
    auto* image1 = new QLabel(&face);
    auto* image2 = new QLabel(&face);
    image1->setGeometry(0, 0, 97, 49);
    image2->setGeometry(100, 0, 97, 49);
    face.show();
    FixedRandom random;
    Eyes eyes(image1, image2, folder.path(), random);
    QStringList warnings;
    capturedWarnings = &warnings;
    const QtMessageHandler previous = qInstallMessageHandler(CaptureWarnings);
    const auto colourShown = [&] { return image1->pixmap().toImage().pixel(10, 10); };
    const auto tick = [&] {
        eyes.Tick();
        const QPixmap shown = image1->pixmap();
        EXPECT_EQ(shown.deviceIndependentSize(), QSizeF(97, 49));
        return shown.devicePixelRatio();
    };
    std::vector<qreal> ratios;
    std::vector<QRgb> colours;
    for (int n = 1; n <= 8; ++n) {
        ratios.push_back(tick());
        colours.push_back(colourShown());
        EXPECT_EQ(colours.back(), n >= 2 && n <= 4 ? sparse(n) : dense(n)) << "frame " << n;
    }
    EXPECT_EQ(ratios, (std::vector<qreal>{2, 1, 1, 1, 2, 2, 2, 2}));
    ASSERT_EQ(warnings.size(), 2) << warnings.join('\n').toStdString();
    EXPECT_TRUE(warnings[0].contains("3@2x") && warnings[0].contains("not a regular file"));
    EXPECT_TRUE(warnings[1].contains("4@2x"));

    // A dense frame replaced on disk is read again; the next cycle warns no more.
    // Same size and the same file, so only its time tells the change.
    const QRgb replaced = QColor::fromHsv(200, 100, 250).rgb();
    const qint64 sizeBefore = QFileInfo(path("1@2x")).size();
    ASSERT_TRUE(Filled({194, 98}, replaced).save(path("1@2x"), "PNG"));
    ASSERT_EQ(QFileInfo(path("1@2x")).size(), sizeBefore);
    const timeval later[2] = {{2000000000, 0}, {2000000000, 0}};
    ASSERT_EQ(utimes(QFile::encodeName(path("1@2x")), later), 0);
    tick();  // the wrapping tick
    tick();
    EXPECT_EQ(colourShown(), replaced);
    for (int n = 2; n <= 8; ++n) tick();
    qInstallMessageHandler(previous);
    capturedWarnings = nullptr;
    EXPECT_EQ(warnings.size(), 2) << warnings.join('\n').toStdString();
}

// The face and the About window show their 2x pictures at their 1x sizes; their controls
// stay where the designs put them.
TEST(DenseScreen, WindowsShowTheir2xPicturesInTheDesignedPlaces) {
    QTemporaryDir settings;
    FaceWindowParts parts;
    parts.settingsPath = settings.filePath("Qbx_R");
    parts.dataFolder = QStringLiteral(TAVRIN_SOURCE_DIR "/data/eye");
    parts.useTray = false;
    FaceWindow face(parts);
    const QPixmap skin = face.ui().picshape->pixmap();
    EXPECT_EQ(skin.devicePixelRatio(), 2);
    EXPECT_EQ(skin.deviceIndependentSize(), QSizeF(369, 369));
    EXPECT_EQ(skin.toImage().convertToFormat(QImage::Format_RGB32),
              QImage(TAVRIN_SOURCE_DIR "/data/pictures/skin@2x.png")
                  .convertToFormat(QImage::Format_RGB32));
    EXPECT_EQ(face.ui().Image1->pixmap().devicePixelRatio(), 2);

    QWidget designed;
    Ui::FORM1 design;
    design.setupUi(&designed);
    for (QWidget* control : face.ui().picshape->findChildren<QWidget*>()) {
        auto* twin = designed.findChild<QWidget*>(control->objectName());
        if (twin == nullptr) continue;
        EXPECT_EQ(control->geometry(), twin->geometry()) << qPrintable(control->objectName());
    }

    SilentClipPlayer player;
    AboutWindow* about = AboutWindow::ShowAbout(false, player);
    ASSERT_NE(about, nullptr);
    const auto* image1 = about->findChild<QLabel*>("Image1");
    const auto* image4 = about->findChild<QLabel*>("Image4");
    ASSERT_TRUE(image1 && image4);
    EXPECT_EQ(image1->pixmap().devicePixelRatio(), 2);
    EXPECT_EQ(image1->pixmap().deviceIndependentSize(), QSizeF(425, 425));
    EXPECT_EQ(about->LeaveButton()->pixmap().size(), QSize(64, 64));
    EXPECT_EQ(image4->pixmap().size(), QSize(64, 64));
    EXPECT_NE(image4->pixmap().toImage(), about->LeaveButton()->pixmap().toImage());
    about->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// The shape is scanned from the face as the dense screen shows it: the picture's own pixels,
// inside the client area at twice its size.
TEST(DenseScreen, FaceImageLaysTheDensePictureOneToOne) {
    QImage picture = Filled({8, 8}, Qt::red);
    picture.setPixel(3, 5, qRgb(0, 0, 255));
    picture.setDevicePixelRatio(2);
    const QImage face = FaceImage({6, 5}, Qt::white, QPixmap::fromImage(picture), 2);
    ASSERT_EQ(face.size(), QSize(12, 10));
    EXPECT_EQ(face.pixel(3, 5), qRgb(0, 0, 255));
    EXPECT_EQ(face.pixel(7, 7), qRgb(255, 0, 0));
    EXPECT_EQ(face.pixel(8, 0), qRgb(255, 255, 255));
    EXPECT_EQ(face.pixel(0, 8), qRgb(255, 255, 255));
}

}  // namespace
}  // namespace tavrin
