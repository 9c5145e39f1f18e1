// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHash>
#include <QObject>
#include <QPixmap>
#include <QSet>
#include <QString>
#include <cstdint>
#include <optional>
#include <utility>

class QEvent;
class QLabel;

namespace tavrin {

class RandomSource;

// The idle animation of the eyes: pictures 1 to 8, then one tick with no change, so picture 8
// stays up twice as long and a cycle lasts nine ticks.
struct EyeAnimation {
    // The animation picture shown last, or 0 just after a wrap. Stopping the timer keeps it,
    // so a restarted animation carries on where it stopped.
    std::int16_t EyeFrame = 0;

    // One tick: the number of the picture to show, or nothing on the wrapping tick.
    std::optional<int> Tick();
};

// The pictures of Image1 and Image2 for the expression r, 1 to 6.
std::pair<int, int> EyeExpression(int r);

// Picks an expression with equal chances, re-seeding from the clock first.
int DrawExpression(RandomSource& random);

// Puts the pictures of the eye folder into the two eye controls. Pictures are read from file
// each time they are shown, so the folder can be changed while the program runs; a file that
// is still the same file, of the same size and time, is not decoded again.
class Eyes {
public:
    // eyeFolder holds the pictures "1" to "8" (no extension, format told by content).
    Eyes(QLabel* image1, QLabel* image2, QString eyeFolder, RandomSource& random);

    // The animation timer's tick.
    void Tick();
    // A mouse press on the confirm button: a random expression.
    void OnConfirmPressed();
    // Its release: both eyes rest on picture 5.
    void OnConfirmReleased();
    // The pictures on show again, read for the eyes' screen as it is now (after a move to a
    // screen of another ratio). False when none has been shown yet.
    bool ShowAgain();

    const EyeAnimation& Animation() const { return animation_; }

private:
    void ShowPictures(int left, int right);
    // The picture now shown, or null when the file could not be read or kept.
    const QPixmap* ShowPicture(QLabel* eye, int number);
    // The picture of one file, made for a screen of `ratio`, from the cache while the file is
    // unchanged; null when it cannot be read (reported once) or, for a dense picture, is absent.
    const QPixmap* Decode(const QString& path, int density, qreal ratio);

    QLabel* image1_;
    QLabel* image2_;
    QString folder_;
    RandomSource& random_;
    EyeAnimation animation_;
    // The pictures last shown, 0 before the first.
    int shownLeft_ = 0, shownRight_ = 0;
    // A broken picture file is reported once, not on every tick.
    QSet<QString> reported_;

    // Keyed by path; a null pixmap marks a file that could not be read.
    struct Decoded {
        std::uint64_t device = 0, inode = 0;
        std::int64_t size = 0, modifiedNs = 0;
        // The screen's device pixel ratio the picture was made for.
        qreal ratio = 1;
        QPixmap pixmap;
    };
    QHash<QString, Decoded> decoded_;
};

// Install on the confirm button: mouse presses and releases of any button while it is
// enabled drive the eyes. Keyboard activation sends no mouse event, so it changes nothing.
// The events go on to the button untouched.
class EyePressFilter : public QObject {
    Q_OBJECT

public:
    explicit EyePressFilter(Eyes& eyes, QObject* parent = nullptr);

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Eyes& eyes_;
};

}  // namespace tavrin
