// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/eyes.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QApplication>
#include <QColor>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QTemporaryDir>
#include <QWidget>
#include <memory>
#include <vector>

#include "generation/random_source.h"

namespace tavrin {
namespace {

// Hands out fixed draws and notes whether each was preceded by a re-seed.
class ScriptedRandom : public RandomSource {
public:
    explicit ScriptedRandom(std::vector<double> draws) : draws_(std::move(draws)) {}

    double Draw() override {
        drawsAfterReseed.push_back(reseeded_);
        reseeded_ = false;
        const double d = draws_[next_ % draws_.size()];
        ++next_;
        return d;
    }
    void Reseed() override { reseeded_ = true; }

    std::vector<bool> drawsAfterReseed;

private:
    std::vector<double> draws_;
    std::size_t next_ = 0;
    bool reseeded_ = false;
};

// The draw that gives expression r.
double DrawFor(int r) { return (r - 0.5) / 6.0; }

bool SameImage(const QImage& a, const QImage& b) {
    return !a.isNull() && !b.isNull() &&
           a.convertToFormat(QImage::Format_RGB32) == b.convertToFormat(QImage::Format_RGB32);
}

// A face with two eye controls and a folder of eight eye pictures, each its own colour and
// size so that the picture on show can be told apart.
class EyesTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        for (int n = 1; n <= 8; ++n) {
            QImage picture(20 + n, 10 + n, QImage::Format_RGB32);
            picture.fill(QColor::fromHsv(n * 40, 200, 200));
            ASSERT_TRUE(picture.save(Path(n), "BMP"));
            pictures[n] = picture;
        }
        face.resize(200, 100);
        image1 = new QLabel(&face);
        image2 = new QLabel(&face);
        image1->setGeometry(0, 0, 97, 49);
        image2->setGeometry(100, 0, 97, 49);
        face.show();
    }

    QString Path(int n) const { return QDir(folder.path()).filePath(QString::number(n)); }

    // The picture number a control shows: 0 for none, -1 for something else.
    int Shown(QLabel* eye) const {
        const QImage shown = eye->pixmap().toImage();
        if (shown.isNull()) return 0;
        for (int n = 1; n <= 8; ++n) {
            if (SameImage(shown, pictures[n])) return n;
        }
        return -1;
    }

    std::pair<int, int> Pictures() const { return {Shown(image1), Shown(image2)}; }

    QTemporaryDir folder;
    QImage pictures[9];
    QWidget face;
    QLabel* image1 = nullptr;
    QLabel* image2 = nullptr;
};

TEST(EyeExpressionTest, TableAndDraw) {
    EXPECT_EQ(EyeExpression(1), std::make_pair(7, 7));
    EXPECT_EQ(EyeExpression(2), std::make_pair(8, 8));
    EXPECT_EQ(EyeExpression(3), std::make_pair(7, 6));
    EXPECT_EQ(EyeExpression(4), std::make_pair(6, 7));
    EXPECT_EQ(EyeExpression(5), std::make_pair(8, 7));
    EXPECT_EQ(EyeExpression(6), std::make_pair(7, 8));

    ScriptedRandom random({0.0, 1.0 / 6.0 - 1e-9, 1.0 / 6.0, 0.5, 0.999999});
    std::vector<int> drawn;
    for (int i = 0; i < 5; ++i) drawn.push_back(DrawExpression(random));
    EXPECT_EQ(drawn, (std::vector<int>{1, 1, 2, 4, 6}));
    // Every draw comes straight after a re-seed from the clock.
    EXPECT_EQ(random.drawsAfterReseed, std::vector<bool>(5, true));
}

TEST_F(EyesTest, TwentyTicksWithAStopAndAResume) {
    ScriptedRandom random({DrawFor(3)});
    Eyes eyes(image1, image2, folder.path(), random);

    std::vector<int> shown;
    for (int i = 0; i < 11; ++i) {
        eyes.Tick();
        ASSERT_EQ(Shown(image1), Shown(image2));
        shown.push_back(Shown(image1));
    }
    EXPECT_EQ(shown, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 8, 1, 2}));

    // Stopped: presses still pull faces and do not move the animation on.
    eyes.OnConfirmPressed();
    EXPECT_EQ(Pictures(), std::make_pair(7, 6));
    eyes.OnConfirmReleased();
    EXPECT_EQ(Pictures(), std::make_pair(5, 5));
    EXPECT_EQ(eyes.Animation().EyeFrame, 2);

    // Resumed: on with the next picture, not back at 1.
    shown.clear();
    for (int i = 0; i < 9; ++i) {
        eyes.Tick();
        shown.push_back(Shown(image1));
    }
    EXPECT_EQ(shown, (std::vector<int>{3, 4, 5, 6, 7, 8, 8, 1, 2}));
}

TEST_F(EyesTest, APictureReplacedWhileTheProgramRunsIsShownNextTime) {
    ScriptedRandom random({DrawFor(1)});
    Eyes eyes(image1, image2, folder.path(), random);
    eyes.Tick();
    ASSERT_EQ(Pictures(), std::make_pair(1, 1));
    ASSERT_TRUE(QFile::remove(Path(1)));
    ASSERT_TRUE(QFile::copy(Path(2), Path(1)));
    for (int i = 0; i < 9; ++i) eyes.Tick();  // round to picture 1 again
    // File 1 now holds picture 2; the picture decoded before would still show 1.
    EXPECT_EQ(Pictures(), std::make_pair(2, 2));
}

TEST_F(EyesTest, ShipsReadableEyePicturesWithoutExtension) {
    const QString shipped = QStringLiteral(TAVRIN_SOURCE_DIR "/data/eye");
    ScriptedRandom random({DrawFor(2)});
    Eyes eyes(image1, image2, shipped, random);
    for (int n = 1; n <= 8; ++n) {
        eyes.Tick();
        const QImage file(QDir(shipped).filePath(QString::number(n)), "BMP");
        EXPECT_EQ(file.size(), QSize(97, 49)) << n;
        EXPECT_TRUE(SameImage(image1->pixmap().toImage(), file)) << n;
        EXPECT_TRUE(SameImage(image2->pixmap().toImage(), file)) << n;
    }
    // Drawn at its own size from the top-left corner, never stretched to the control.
    image1->resize(150, 80);
    EXPECT_EQ(image1->pixmap().size(), QSize(97, 49));
    EXPECT_FALSE(image1->hasScaledContents());
    EXPECT_EQ(image1->alignment(), Qt::AlignLeft | Qt::AlignTop);
}

QStringList* capturedWarnings = nullptr;

void CaptureWarnings(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtWarningMsg && capturedWarnings != nullptr) capturedWarnings->append(message);
}

TEST_F(EyesTest, BrokenPictureKeepsThePictureOnShowAndWarnsOnce) {
    ASSERT_TRUE(QFile::remove(Path(2)));
    ASSERT_EQ(mkfifo(QFile::encodeName(Path(2)), 0600), 0);  // never opened, never waited on
    ASSERT_TRUE(QFile::remove(Path(3)));
    {
        QFile damaged(Path(4));
        ASSERT_TRUE(damaged.open(QIODevice::WriteOnly | QIODevice::Truncate));
        damaged.write("BM this is not a picture");
    }
    QFile::resize(Path(7), 40);  // a bitmap cut short

    QStringList warnings;
    capturedWarnings = &warnings;
    const QtMessageHandler previous = qInstallMessageHandler(CaptureWarnings);

    ScriptedRandom random({DrawFor(1)});
    Eyes eyes(image1, image2, folder.path(), random);
    std::vector<int> shown;
    for (int i = 0; i < 18; ++i) {
        eyes.Tick();
        shown.push_back(Shown(image2));
    }
    // Expression 1 wants picture 7 in both eyes, which cannot be read either.
    eyes.OnConfirmPressed();
    const std::pair<int, int> duringPress = Pictures();

    qInstallMessageHandler(previous);
    capturedWarnings = nullptr;

    EXPECT_EQ(shown, (std::vector<int>{1, 1, 1, 1, 5, 6, 6, 8, 8, 1, 1, 1, 1, 5, 6, 6, 8, 8}));
    EXPECT_EQ(duringPress, std::make_pair(8, 8));
    ASSERT_EQ(warnings.size(), 4) << warnings.join('\n').toStdString();
    for (int i : {0, 1, 2, 3}) EXPECT_TRUE(warnings[i].contains(Path(i < 3 ? i + 2 : 7)));

    // Mended, a picture shows on its next turn: the failure is remembered only for that file.
    ASSERT_TRUE(QFile::remove(Path(4)));
    ASSERT_TRUE(QFile::copy(Path(5), Path(4)));
    for (int i = 0; i < 4; ++i) eyes.Tick();
    EXPECT_EQ(Shown(image2), 5);
}

class EyePressFilterTest : public EyesTest {
protected:
    void SetUp() override {
        EyesTest::SetUp();
        command1 = new QPushButton(QStringLiteral("确定"), &face);
        command1->setGeometry(0, 60, 57, 17);
        eyes = std::make_unique<Eyes>(image1, image2, folder.path(), random);
        filter = std::make_unique<EyePressFilter>(*eyes);
        command1->installEventFilter(filter.get());
        QObject::connect(command1, &QPushButton::clicked, [this] { ++clicks; });
    }

    void Mouse(QEvent::Type type, Qt::MouseButton button) {
        const QPointF at(5, 5);
        const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : button;
        QMouseEvent event(type, at, command1->mapToGlobal(at), button, held, Qt::NoModifier);
        QApplication::sendEvent(command1, &event);
    }

    void Key(QEvent::Type type) {
        QKeyEvent event(type, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
        QApplication::sendEvent(command1, &event);
    }

    ScriptedRandom random{{DrawFor(2)}};
    QPushButton* command1 = nullptr;
    std::unique_ptr<Eyes> eyes;
    std::unique_ptr<EyePressFilter> filter;
    int clicks = 0;
};

TEST_F(EyePressFilterTest, KeyboardActivationAndDisabledButtonChangeNoPicture) {
    Key(QEvent::KeyPress);
    Key(QEvent::KeyRelease);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(Pictures(), std::make_pair(0, 0));

    command1->setEnabled(false);
    Mouse(QEvent::MouseButtonPress, Qt::LeftButton);
    Mouse(QEvent::MouseButtonRelease, Qt::LeftButton);
    EXPECT_EQ(Pictures(), std::make_pair(0, 0));
    EXPECT_EQ(clicks, 1);
}

TEST_F(EyePressFilterTest, EveryMouseButtonPullsAFaceAndTheButtonStillWorks) {
    for (Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton}) {
        Mouse(QEvent::MouseButtonPress, button);
        EXPECT_EQ(Pictures(), std::make_pair(8, 8)) << button;
        Mouse(QEvent::MouseButtonRelease, button);
        EXPECT_EQ(Pictures(), std::make_pair(5, 5)) << button;
    }
    // The filter only watches: the left click still reaches the button.
    EXPECT_EQ(clicks, 1);
}

}  // namespace
}  // namespace tavrin
