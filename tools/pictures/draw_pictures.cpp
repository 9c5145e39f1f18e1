// SPDX-License-Identifier: GPL-3.0-or-later
// Draws Tavrin's pictures: the face skin, the eye frames, the icons and mouse
// pointers, the About panel and the leave button.
//
//   draw_pictures <pictures folder> <eye folder> <icon theme folder>
//
// Every picture is drawn from code so that it can be changed and redrawn; the
// results are committed, so building the program never needs this tool.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPainterPathStroker>
#include <QRadialGradient>
#include <QtMath>
#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <vector>

namespace {

// ---------------------------------------------------------------- colours

// The face is one flat green where the eyes sit, so that the eye pictures,
// which are drawn over it as rectangles, melt into it.
const QColor kFace(140, 206, 84);
const QColor kFaceShade(112, 178, 64);
const QColor kFaceLight(176, 228, 126);
const QColor kLine(40, 96, 36);
// Dark enough for the yellow ear captions and the yellow prompt to read.
const QColor kEarInside(46, 112, 38);
const QColor kMouth(92, 28, 40);
const QColor kMouthInside(122, 42, 54);
const QColor kTongue(226, 110, 120);
const QColor kEyeRim(104, 134, 104);
const QColor kPupil(34, 30, 40);
const QColor kWhite(255, 255, 255);
const QColor kNavy(30, 56, 120);
const QColor kPaper(255, 248, 222);

constexpr int kSkinSize = 369;
constexpr int kEyeWidth = 97;
constexpr int kEyeHeight = 49;

void Fail(const QString& what) {
    std::fprintf(stderr, "draw_pictures: %s\n", qPrintable(what));
    std::exit(1);
}

void Save(const QImage& image, const QString& path, const char* format, int quality = -1) {
    if (!image.save(path, format, quality)) Fail("cannot write " + path);
}

// BMP files are written as 24 bits per pixel, the depth the program expects.
void SaveBmp(const QImage& image, const QString& path) {
    Save(image.convertToFormat(QImage::Format_RGB888), path, "BMP");
}

QImage NewImage(int w, int h, const QColor& fill) {
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.fill(fill);
    return image;
}

// Every picture is drawn in the units of its 1x size; a denser one (2 or 3 device pixels to
// the unit) is the same drawing on a painter scaled up, so that lines and text stay sharp
// instead of being blown up from the 1x pixels. At 1x the painter is left untouched.
void ScaleTo(QPainter& p, int density) {
    if (density != 1) p.scale(density, density);
}

// ---------------------------------------------------------------- skin

// A rounded head, a little wider at the jaw than an ellipse, so that the answer
// box and both buttons placed near its bottom still lie on it.
QPainterPath HeadPath() {
    const double cx = 184.5, cy = 206.0, a = 178.7, b = 154.0, n = 2.7;
    QPainterPath path;
    const int steps = 720;
    for (int i = 0; i <= steps; ++i) {
        const double t = 2.0 * M_PI * i / steps;
        const double c = std::cos(t), s = std::sin(t);
        const double x = cx + a * std::copysign(std::pow(std::abs(c), 2.0 / n), c);
        const double y = cy + b * std::copysign(std::pow(std::abs(s), 2.0 / n), s);
        if (i == 0)
            path.moveTo(x, y);
        else
            path.lineTo(x, y);
    }
    path.closeSubpath();
    return path;
}

struct Ear {
    QRectF outer;
    QRectF inner;
};

// The ear captions ("出题" and "退 出") stand in two lines at the left edges of
// their labels, about x 53..73 and 304..324, y 56..104: the dark insides sit
// under them. The ears are large enough to hold both labels whole (53..95 and
// 304..357, y 56..108), so that the window shape never cuts into them.
Ear LeftEar() { return {QRectF(3, 16, 96, 120), QRectF(28, 32, 72, 84)}; }
Ear RightEar() { return {QRectF(270, 16, 96, 120), QRectF(282, 32, 72, 84)}; }

QPainterPath MouthPath() {
    QPainterPath path;
    path.moveTo(72, 298);
    path.cubicTo(110, 276, 150, 272, 184.5, 272);
    path.cubicTo(219, 272, 259, 276, 297, 298);
    path.cubicTo(300, 322, 292, 336, 262, 342);
    path.cubicTo(230, 349, 139, 349, 107, 342);
    path.cubicTo(77, 336, 69, 322, 72, 298);
    path.closeSubpath();
    return path;
}

const QPointF kStemFoot(185.5, 54);
const QPointF kStemTop(185.5, 26);

QPainterPath LeavesPath() {
    QPainterPath leaves;
    leaves.moveTo(186, 30);
    leaves.cubicTo(172, 10, 150, 14, 146, 22);
    leaves.cubicTo(156, 34, 176, 36, 186, 30);
    leaves.moveTo(186, 26);
    leaves.cubicTo(196, 6, 220, 4, 226, 12);
    leaves.cubicTo(216, 26, 198, 30, 186, 26);
    return leaves;
}

QPainterPath Silhouette() {
    QPainterPath ears;
    ears.addEllipse(LeftEar().outer);
    ears.addEllipse(RightEar().outer);
    // The sprout with its outline, so that the outline stays inside the shape.
    QPainterPathStroker stroker;
    stroker.setWidth(3);
    stroker.setCapStyle(Qt::RoundCap);
    QPainterPath stem;
    stem.moveTo(kStemFoot);
    stem.lineTo(kStemTop);
    QPainterPath path = HeadPath().united(ears).united(stroker.createStroke(stem));
    stroker.setWidth(2.5);
    for (const QPolygonF& outline : LeavesPath().toSubpathPolygons()) {
        QPainterPath leaf;
        leaf.addPolygon(outline);
        leaf.closeSubpath();
        path = path.united(leaf).united(stroker.createStroke(leaf));
    }
    return path;
}

void DrawEar(QPainter& p, const Ear& ear) {
    p.setPen(QPen(kLine, 4));
    p.setBrush(kFace);
    p.drawEllipse(ear.outer);
}

void DrawEarInside(QPainter& p, const Ear& ear) {
    QRadialGradient glow(ear.inner.center(), ear.inner.width() * 0.6);
    glow.setColorAt(0.0, kEarInside.lighter(108));
    glow.setColorAt(1.0, kEarInside.darker(112));
    p.setPen(QPen(kLine, 2.5));
    p.setBrush(glow);
    p.drawEllipse(ear.inner);
}

QImage DrawSkin(int density = 1) {
    const QPainterPath head = HeadPath();
    // Painted over the outline colour rather than over white, so that the
    // anti-aliased rim never fades into near-white pixels: the window shape cuts
    // exactly white, and a pale fringe would show against the desktop.
    const int size = kSkinSize * density;
    QImage image = NewImage(size, size, kLine);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    ScaleTo(p, density);

    DrawEar(p, LeftEar());
    DrawEar(p, RightEar());

    p.setPen(Qt::NoPen);
    p.setBrush(kFace);
    p.drawPath(head);

    // Soft shading: a darker crescent along the jaw, a lighter one on the crown.
    p.save();
    p.setClipPath(head);
    p.setBrush(kFaceShade);
    p.drawPath(head.subtracted(head.translated(0, -12)));
    p.setBrush(kFaceLight);
    QPainterPath crown;
    crown.addRect(QRectF(0, 0, kSkinSize, 120));
    p.drawPath(head.subtracted(head.translated(0, 9)).intersected(crown));
    p.restore();
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(kLine, 4));
    p.drawPath(head);

    DrawEarInside(p, LeftEar());
    DrawEarInside(p, RightEar());

    // A shine on the forehead, well above the eyes.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(196, 238, 150));
    p.drawEllipse(QRectF(128, 66, 46, 18));
    p.drawEllipse(QRectF(180, 70, 12, 10));

    // A little sprout on top of the head.
    p.setPen(QPen(kLine, 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(kStemFoot, kStemTop);
    p.setPen(QPen(kLine, 2.5));
    p.setBrush(QColor(96, 186, 60));
    p.drawPath(LeavesPath());

    // Eyebrows: cheerful arcs just above where the eye pictures go (y 136).
    p.setPen(QPen(kLine, 6, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(92, 110, 58, 34), 40 * 16, 100 * 16);
    p.drawArc(QRectF(228, 110, 58, 34), 40 * 16, 100 * 16);

    // The cheeks and the nose are ovals of the window itself; a faint freckle
    // trio on each side of the face shows between them and the ears.
    p.setPen(Qt::NoPen);
    p.setBrush(kFaceShade);
    for (const QPointF& c : {QPointF(34, 160), QPointF(46, 168), QPointF(30, 174),
                             QPointF(335, 160), QPointF(323, 168), QPointF(339, 174)})
        p.drawEllipse(c, 2.6, 2.6);

    // A big open smile: the prompt, the answer box and both buttons sit in it.
    const QPainterPath mouth = MouthPath();
    p.setPen(QPen(kLine, 4));
    p.setBrush(kMouth);
    p.drawPath(mouth);
    p.save();
    p.setClipPath(mouth);
    p.setPen(Qt::NoPen);
    p.setBrush(kMouthInside);
    p.drawEllipse(QRectF(96, 300, 178, 70));
    p.setBrush(kTongue);
    p.drawEllipse(QRectF(142, 326, 86, 40));
    p.restore();
    p.setPen(QPen(kLine, 4));
    p.setBrush(Qt::NoBrush);
    p.drawPath(mouth);
    // Dimples at the corners of the smile.
    p.setPen(QPen(kLine, 3.5, Qt::SolidLine, Qt::RoundCap));
    p.drawArc(QRectF(58, 288, 20, 20), 120 * 16, 110 * 16);
    p.drawArc(QRectF(291, 288, 20, 20), -50 * 16, 110 * 16);
    p.end();

    // Cut the ground: everything outside the silhouette is exact white, and
    // nothing inside is.
    QImage mask(size, size, QImage::Format_Grayscale8);
    mask.fill(0);
    QPainter m(&mask);
    ScaleTo(m, density);
    m.setPen(Qt::NoPen);
    m.setBrush(Qt::white);
    m.drawPath(Silhouette());
    m.end();
    QImage skin = image.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < size; ++y) {
        auto* row = reinterpret_cast<QRgb*>(skin.scanLine(y));
        const uchar* inside = mask.constScanLine(y);
        for (int x = 0; x < size; ++x) {
            if (!inside[x])
                row[x] = qRgb(255, 255, 255);
            else if ((row[x] & 0xFFFFFF) == 0xFFFFFF)
                row[x] = qRgb(254, 254, 254);
        }
    }
    return skin;
}

// ---------------------------------------------------------------- eyes

const QRectF kEyeball(5, 3, 87, 43);

enum class Look { kAhead, kLeft, kRight, kUp };

void DrawEyeball(QPainter& p, const QRectF& ball) {
    p.setPen(QPen(kEyeRim, 3.5));
    p.setBrush(kWhite);
    p.drawEllipse(ball);
}

void DrawPupil(QPainter& p, const QRectF& ball, QPointF centre, double radius) {
    QPainterPath clip;
    clip.addEllipse(ball.adjusted(2, 2, -2, -2));
    p.save();
    p.setClipPath(clip);
    p.setPen(Qt::NoPen);
    QRadialGradient iris(centre, radius);
    iris.setColorAt(0.0, QColor(70, 60, 50));
    iris.setColorAt(0.55, QColor(58, 44, 34));
    iris.setColorAt(0.62, kPupil);
    iris.setColorAt(1.0, kPupil);
    p.setBrush(iris);
    p.drawEllipse(centre, radius, radius);
    p.setBrush(kWhite);
    p.drawEllipse(centre + QPointF(-radius * 0.35, -radius * 0.4), radius * 0.28, radius * 0.28);
    p.drawEllipse(centre + QPointF(radius * 0.35, radius * 0.3), radius * 0.12, radius * 0.12);
    p.restore();
}

void DrawLookingEye(QPainter& p, Look look) {
    DrawEyeball(p, kEyeball);
    QPointF c = kEyeball.center();
    switch (look) {
        case Look::kLeft:
            c += QPointF(-24, 2);
            break;
        case Look::kRight:
            c += QPointF(24, 2);
            break;
        case Look::kUp:
            c += QPointF(0, -9);
            break;
        case Look::kAhead:
            break;
    }
    DrawPupil(p, kEyeball, c, 14);
}

void DrawBlinkingEye(QPainter& p) {
    DrawLookingEye(p, Look::kAhead);
    // The upper lid comes halfway down, in the face's own green.
    QPainterPath ball;
    ball.addEllipse(kEyeball);
    QPainterPath lid;
    lid.moveTo(0, 0);
    lid.lineTo(kEyeWidth, 0);
    lid.lineTo(kEyeWidth, 22);
    lid.cubicTo(70, 29, 27, 29, 0, 22);
    lid.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(kFaceShade);
    p.drawPath(ball.intersected(lid));
    p.setPen(QPen(kLine, 4, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    QPainterPath edge;
    edge.moveTo(6, 23.5);
    edge.cubicTo(30, 29.5, 67, 29.5, 91, 23.5);
    p.drawPath(edge);
    p.setPen(QPen(kEyeRim, 3.5));
    p.drawEllipse(kEyeball);
}

void DrawDizzyEye(QPainter& p) {
    DrawEyeball(p, kEyeball);
    QPainterPath spiral;
    const QPointF c = kEyeball.center();
    for (int i = 0; i <= 400; ++i) {
        const double t = i / 400.0 * 2.9 * 2 * M_PI;
        const double r = 1.0 + t * 0.95;
        const QPointF pt = c + QPointF(r * std::cos(t) * 1.45, r * std::sin(t));
        if (i == 0)
            spiral.moveTo(pt);
        else
            spiral.lineTo(pt);
    }
    p.setPen(QPen(kPupil, 3.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(spiral);
}

void DrawHappyEye(QPainter& p) {
    // Closed with a big smile: ^
    QPainterPath arc;
    arc.moveTo(16, 34);
    arc.cubicTo(28, 4, 69, 4, 81, 34);
    p.setPen(QPen(kLine, 8, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawPath(arc);
    p.setPen(QPen(QColor(220, 90, 90), 0));
    p.setBrush(QColor(236, 120, 110));
    p.drawEllipse(QRectF(4, 37, 16, 8));
    p.drawEllipse(QRectF(77, 37, 16, 8));
}

QPainterPath StarPath(QPointF c, double outer, double inner, int points) {
    QPainterPath star;
    for (int i = 0; i < points * 2; ++i) {
        const double r = (i % 2 == 0) ? outer : inner;
        const double t = -M_PI / 2 + i * M_PI / points;
        const QPointF pt = c + QPointF(r * std::cos(t), r * std::sin(t));
        if (i == 0)
            star.moveTo(pt);
        else
            star.lineTo(pt);
    }
    star.closeSubpath();
    return star;
}

void DrawStarEye(QPainter& p) {
    const QRectF ball(2, 1, 93, 47);
    DrawEyeball(p, ball);
    const QPointF c = ball.center() + QPointF(0, 1.5);
    p.setPen(QPen(QColor(170, 100, 0), 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    QRadialGradient gold(c, 20);
    gold.setColorAt(0.0, QColor(255, 240, 120));
    gold.setColorAt(1.0, QColor(255, 176, 0));
    p.setBrush(gold);
    p.drawPath(StarPath(c, 21, 9, 5));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 200, 40));
    p.drawPath(StarPath(QPointF(18, 13), 5, 2, 4));
    p.drawPath(StarPath(QPointF(80, 34), 4, 1.6, 4));
}

QImage DrawEye(int frame, int density = 1) {
    QImage image = NewImage(kEyeWidth * density, kEyeHeight * density, kFace);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    ScaleTo(p, density);
    switch (frame) {
        case 1:
            DrawLookingEye(p, Look::kLeft);
            break;
        case 2:
            DrawLookingEye(p, Look::kRight);
            break;
        case 3:
            DrawLookingEye(p, Look::kUp);
            break;
        case 4:
            DrawBlinkingEye(p);
            break;
        case 5:
            DrawLookingEye(p, Look::kAhead);
            break;
        case 6:
            DrawDizzyEye(p);
            break;
        case 7:
            DrawHappyEye(p);
            break;
        case 8:
            DrawStarEye(p);
            break;
        default:
            Fail("no such eye frame");
    }
    return image;
}

// ---------------------------------------------------------------- icons

// Writes an .ico file with paletted pictures (256 or 16 colours) and a 1-bit
// transparency mask, the classic icon layout every loader reads.
struct IconPicture {
    QImage image;  // ARGB; alpha below one half is transparent
    int bits;      // 8 or 4
};

const std::vector<QRgb>& Vga16() {
    static const std::vector<QRgb> palette = {
        0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
        0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};
    return palette;
}

int Nearest(const std::vector<QRgb>& palette, QRgb c) {
    int best = 0;
    long bestDistance = -1;
    for (int i = 0; i < int(palette.size()); ++i) {
        const long dr = qRed(palette[i]) - qRed(c), dg = qGreen(palette[i]) - qGreen(c),
                   db = qBlue(palette[i]) - qBlue(c);
        const long d = 3 * dr * dr + 4 * dg * dg + 2 * db * db;
        if (bestDistance < 0 || d < bestDistance) {
            bestDistance = d;
            best = i;
        }
    }
    return best;
}

// Up to 255 colours for the opaque pixels (entry 0 stays black for the
// transparent ones): coarser buckets until the picture fits, each bucket
// represented by the average of its colours.
std::vector<QRgb> Palette256(const QImage& image) {
    for (int shift = 0; shift < 8; ++shift) {
        std::map<QRgb, std::array<long, 4>> buckets;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QRgb c = image.pixel(x, y);
                if (qAlpha(c) < 128) continue;
                const QRgb key = qRgb(qRed(c) >> shift, qGreen(c) >> shift, qBlue(c) >> shift);
                auto& b = buckets[key];
                b[0] += qRed(c);
                b[1] += qGreen(c);
                b[2] += qBlue(c);
                b[3] += 1;
            }
        if (buckets.size() <= 255) {
            std::vector<QRgb> palette{qRgb(0, 0, 0)};
            for (const auto& [key, b] : buckets)
                palette.push_back(qRgb(b[0] / b[3], b[1] / b[3], b[2] / b[3]));
            palette.resize(256, qRgb(0, 0, 0));
            return palette;
        }
    }
    Fail("cannot reduce an icon to 256 colours");
    return {};
}

void Put16(QByteArray& out, int v) {
    out.append(char(v & 0xFF));
    out.append(char((v >> 8) & 0xFF));
}

void Put32(QByteArray& out, qint64 v) {
    for (int i = 0; i < 4; ++i) out.append(char((v >> (8 * i)) & 0xFF));
}

QByteArray IconEntryData(const IconPicture& picture) {
    const QImage image = picture.image.convertToFormat(QImage::Format_ARGB32);
    const int w = image.width(), h = image.height(), bits = picture.bits;
    const std::vector<QRgb> palette = bits == 8 ? Palette256(image) : Vga16();
    const int colours = 1 << bits;
    const int xorStride = ((w * bits + 31) / 32) * 4;
    const int andStride = ((w + 31) / 32) * 4;

    QByteArray out;
    Put32(out, 40);
    Put32(out, w);
    Put32(out, 2 * h);
    Put16(out, 1);
    Put16(out, bits);
    Put32(out, 0);
    Put32(out, (xorStride + andStride) * h);
    Put32(out, 0);
    Put32(out, 0);
    Put32(out, colours);
    Put32(out, 0);
    for (int i = 0; i < colours; ++i) {
        const QRgb c = i < int(palette.size()) ? palette[i] : 0;
        out.append(char(qBlue(c)));
        out.append(char(qGreen(c)));
        out.append(char(qRed(c)));
        out.append(char(0));
    }
    for (int y = h - 1; y >= 0; --y) {
        QByteArray row(xorStride, 0);
        for (int x = 0; x < w; ++x) {
            const QRgb c = image.pixel(x, y);
            const int index = qAlpha(c) < 128 ? 0 : Nearest(palette, c);
            if (bits == 8)
                row[x] = char(index);
            else
                row[x / 2] = char(row[x / 2] | (x % 2 == 0 ? index << 4 : index));
        }
        out.append(row);
    }
    for (int y = h - 1; y >= 0; --y) {
        QByteArray row(andStride, 0);
        for (int x = 0; x < w; ++x)
            if (qAlpha(image.pixel(x, y)) < 128) row[x / 8] = char(row[x / 8] | (0x80 >> (x % 8)));
        out.append(row);
    }
    return out;
}

void SaveIcon(const std::vector<IconPicture>& pictures, const QString& path) {
    QByteArray out;
    Put16(out, 0);
    Put16(out, 1);
    Put16(out, int(pictures.size()));
    std::vector<QByteArray> data;
    for (const auto& picture : pictures) data.push_back(IconEntryData(picture));
    qint64 offset = 6 + 16 * qint64(pictures.size());
    for (size_t i = 0; i < pictures.size(); ++i) {
        out.append(char(pictures[i].image.width()));
        out.append(char(pictures[i].image.height()));
        out.append(char(pictures[i].bits == 8 ? 0 : 16));
        out.append(char(0));
        Put16(out, 1);
        Put16(out, pictures[i].bits);
        Put32(out, data[i].size());
        Put32(out, offset);
        offset += data[i].size();
    }
    for (const auto& d : data) out.append(d);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(out) != out.size())
        Fail("cannot write " + path);
}

QImage Transparent(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

// The face in small: ears, head, eyes, cheeks and a smile. Drawn on a 32-unit grid at any
// size, so every size of the desktop icon is drawn sharp rather than scaled from a picture.
QImage DrawFaceIcon(int size = 32) {
    QImage image = Transparent(size);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 32.0, size / 32.0);
    p.setPen(QPen(kLine, 1.4));
    p.setBrush(kFace);
    p.drawEllipse(QRectF(1, 1.5, 11, 11));
    p.drawEllipse(QRectF(20, 1.5, 11, 11));
    p.setBrush(kEarInside);
    p.setPen(Qt::NoPen);
    p.drawEllipse(QRectF(3.5, 4, 6, 6));
    p.drawEllipse(QRectF(22.5, 4, 6, 6));
    p.setPen(QPen(kLine, 1.4));
    p.setBrush(kFace);
    p.drawEllipse(QRectF(1.5, 5.5, 29, 25));
    p.setPen(QPen(kEyeRim, 1));
    p.setBrush(kWhite);
    p.drawEllipse(QRectF(6.5, 11, 8, 7));
    p.drawEllipse(QRectF(17.5, 11, 8, 7));
    p.setPen(Qt::NoPen);
    p.setBrush(kPupil);
    p.drawEllipse(QRectF(9, 13, 4, 4));
    p.drawEllipse(QRectF(20, 13, 4, 4));
    p.setBrush(QColor(0xC0, 0x40, 0x00));
    p.drawEllipse(QRectF(4, 18.5, 6, 4));
    p.setBrush(QColor(0xC0, 0x00, 0x00));
    p.drawEllipse(QRectF(22, 18.5, 6, 4));
    p.setPen(QPen(kLine, 1));
    p.setBrush(kMouth);
    QPainterPath smile;
    smile.moveTo(10, 22);
    smile.quadTo(16, 21, 22, 22);
    smile.quadTo(21, 28.5, 16, 28.5);
    smile.quadTo(11, 28.5, 10, 22);
    p.drawPath(smile);
    return image;
}

// A yellow pencil with its point at the top-left corner, where the pointer's
// hot spot is.
QImage DrawPencil(int size) {
    QImage image = Transparent(size);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 32.0, size / 32.0);
    p.translate(0.5, 0.5);
    p.rotate(45);
    // Along the x axis, from the point (0, 0) to the eraser.
    const double w = 7.0;
    QPainterPath wood;
    wood.moveTo(0, 0);
    wood.lineTo(9, -w / 2);
    wood.lineTo(9, w / 2);
    wood.closeSubpath();
    p.setPen(QPen(QColor(60, 40, 20), 1.0));
    p.setBrush(QColor(240, 200, 150));
    p.drawPath(wood);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 40, 40));
    QPainterPath lead;
    lead.moveTo(0, 0);
    lead.lineTo(3.5, -w * 3.5 / 18);
    lead.lineTo(3.5, w * 3.5 / 18);
    lead.closeSubpath();
    p.drawPath(lead);
    p.setPen(QPen(QColor(60, 40, 20), 1.0));
    p.setBrush(QColor(255, 204, 0));
    p.drawRect(QRectF(9, -w / 2, 24, w));
    p.setPen(QPen(QColor(200, 140, 0), 0.8));
    p.drawLine(QPointF(9, 0), QPointF(33, 0));
    p.setPen(QPen(QColor(60, 40, 20), 1.0));
    p.setBrush(QColor(180, 180, 190));
    p.drawRect(QRectF(33, -w / 2, 4, w));
    p.setBrush(QColor(240, 130, 150));
    p.drawRoundedRect(QRectF(37, -w / 2, 5, w), 1.5, 1.5);
    return image;
}

// Pointers in the 16 classic colours, drawn without smoothing so that every
// pixel keeps one of them. The tip is at the top-left corner.
QPainterPath ArrowPath(double s) {
    QPainterPath arrow;
    arrow.moveTo(0, 0);
    arrow.lineTo(0, 19 * s);
    arrow.lineTo(5 * s, 14 * s);
    arrow.lineTo(9 * s, 22 * s);
    arrow.lineTo(12 * s, 20.5 * s);
    arrow.lineTo(8 * s, 13 * s);
    arrow.lineTo(14 * s, 13 * s);
    arrow.closeSubpath();
    return arrow;
}

// For "出题": a magic wand arrow with a star, new questions come out of it.
QImage DrawLabel1Pointer(int density = 1) {
    QImage image = Transparent(32 * density);
    QPainter p(&image);
    ScaleTo(p, density);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, 1.2));
    p.setBrush(QColor(255, 255, 0));
    p.drawPath(ArrowPath(1.0).translated(0.6, 0.6));
    p.setPen(QPen(QColor(128, 0, 128), 1.0));
    p.setBrush(QColor(255, 0, 255));
    p.drawPath(StarPath(QPointF(23, 23), 8.5, 3.8, 5));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 255, 255));
    p.drawEllipse(QPointF(17, 8), 1.8, 1.8);
    p.drawEllipse(QPointF(28, 12), 1.4, 1.4);
    return image;
}

QImage WithoutSmoothing(QImage image) {
    // Snap every pixel to the 16 classic colours and to fully opaque or clear,
    // so that the icon keeps the look it was drawn with.
    image = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb c = image.pixel(x, y);
            if (qAlpha(c) < 128)
                image.setPixel(x, y, qRgba(0, 0, 0, 0));
            else
                image.setPixel(x, y, Vga16()[Nearest(Vga16(), qUnpremultiply(c))] | 0xFF000000);
        }
    return image;
}

// For "退 出": an arrow leaving through a little door.
QImage DrawLabel4Pointer(int density = 1) {
    QImage image = Transparent(32 * density);
    QPainter p(&image);
    ScaleTo(p, density);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(QColor(128, 0, 0));
    p.drawRect(QRect(17, 9, 12, 20));
    p.setBrush(QColor(255, 255, 0));
    p.drawEllipse(QRect(19, 18, 2, 2));
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, 1.2));
    p.setBrush(QColor(255, 0, 0));
    p.drawPath(ArrowPath(1.0).translated(0.6, 0.6));
    return WithoutSmoothing(image);
}

// For the About window: a friendly blue arrow with a smiling face.
QImage DrawAboutPointer(int density = 1) {
    QImage image = Transparent(32 * density);
    QPainter p(&image);
    ScaleTo(p, density);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, 1.2));
    p.setBrush(QColor(0, 255, 255));
    p.drawPath(ArrowPath(1.0).translated(0.6, 0.6));
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(QColor(255, 255, 0));
    p.drawEllipse(QRectF(16.5, 16.5, 13, 13));
    p.setBrush(Qt::black);
    p.setPen(Qt::NoPen);
    p.drawRect(QRectF(20, 20, 1.6, 2));
    p.drawRect(QRectF(24.5, 20, 1.6, 2));
    p.setPen(QPen(Qt::black, 1.2));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(19.5, 21, 7, 5), 200 * 16, 140 * 16);
    return WithoutSmoothing(image);
}

// ---------------------------------------------------------------- About

QImage DrawAbout(const QImage& faceIcon, int density = 1) {
    const int size = 425;
    QImage image = NewImage(size * density, size * density, kNavy);
    QPainter p(&image);
    ScaleTo(p, density);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    // The frame: a deep blue band with a sprinkling of stars. The labels of the
    // window lie on it (the name at both sides, the heading at the top, the
    // version at the bottom, the leave button in the lower right corner), so it
    // stays dark and quiet there.
    QLinearGradient band(0, 0, size, size);
    band.setColorAt(0.0, QColor(38, 70, 146));
    band.setColorAt(1.0, QColor(24, 44, 102));
    p.fillRect(QRect(0, 0, size, size), band);
    p.setPen(QPen(QColor(255, 214, 64), 3));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(4.5, 4.5, size - 9, size - 9), 18, 18);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 230, 120));
    const QPointF stars[] = {{20, 24},   {70, 18},  {330, 20}, {402, 24}, {16, 110},
                             {410, 110}, {18, 300}, {16, 380}, {60, 406}, {330, 408}};
    for (const QPointF& s : stars) p.drawPath(StarPath(s, 5, 2.2, 5));
    // Keep the gold line out from under the window's own captions.
    for (const QRect& caption : {QRect(0, 156, 36, 106), QRect(396, 148, 29, 138),
                                 QRect(148, 0, 156, 40), QRect(132, 396, 160, 29)})
        p.fillRect(caption, band);

    // The panel with the text.
    const QRectF panel(40, 44, 350, 306);
    p.setPen(QPen(QColor(255, 214, 64), 4));
    p.setBrush(kPaper);
    p.drawRoundedRect(panel, 16, 16);
    p.setPen(QPen(QColor(230, 200, 150), 1.5, Qt::DashLine));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(panel.adjusted(8, 8, -8, -8), 11, 11);

    QFont title("WenQuanYi Micro Hei");
    title.setPixelSize(26);
    title.setBold(true);
    p.setFont(title);
    p.setPen(QColor(40, 110, 40));
    p.drawText(QRectF(60, 60, 310, 36), Qt::AlignCenter, "关于 Tavrin");

    QFont body("AR PL UMing CN");
    body.setPixelSize(17);
    body.setBold(true);
    p.setFont(body);
    p.setPen(QColor(60, 50, 40));
    const QStringList lines = {
        "一个帮小朋友练习",         "加减乘除的小程序。",      "",
        "★ 点绿脸耳朵上的“出题”，", "   选运算、范围和题数。", "★ 在嘴巴里的框里写答案，",
        "   再按“确定”。",          "★ 做完了按“得分”，",      "   听听你得了多少分！",
    };
    double y = 104;
    for (const QString& line : lines) {
        if (!line.isEmpty()) p.drawText(QPointF(66, y + 15), line);
        y += line.isEmpty() ? 8 : 23;
    }
    QFont small("WenQuanYi Micro Hei");
    small.setPixelSize(15);
    p.setFont(small);
    p.setPen(QColor(30, 56, 120));
    p.drawText(QRectF(60, 316, 200, 24), Qt::AlignLeft | Qt::AlignVCenter, "版本 3.03");

    // The green face waves from the corner of the panel.
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(QRectF(306, 266, 64, 64), faceIcon);
    p.end();
    return image;
}

// The whole face as the window shows it, smiling with both eyes, on a clear
// ground: the About panel's decoration.
QImage HappyFace(int density = 1) {
    QImage face = DrawSkin(density).convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < face.height(); ++y)
        for (int x = 0; x < face.width(); ++x)
            if ((face.pixel(x, y) & 0xFFFFFF) == 0xFFFFFF) face.setPixel(x, y, 0);
    QPainter p(&face);
    p.setRenderHint(QPainter::Antialiasing);
    ScaleTo(p, density);
    QImage eye = DrawEye(7, density);
    eye.setDevicePixelRatio(density);
    p.drawImage(QPoint(72, 136), eye);
    p.drawImage(QPoint(208, 136), eye);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(QColor(0xC0, 0x40, 0x00));
    p.drawEllipse(QRectF(16, 184, 145, 105));
    p.setBrush(QColor(0xC0, 0x00, 0x00));
    p.drawEllipse(QRectF(208, 184, 145, 105));
    p.setBrush(QColor(0x80, 0x80, 0x80));
    p.drawEllipse(QRectF(164, 184, 41, 97));
    return face;
}

QImage DrawLeaveButton(bool pressed, const QColor& ground, int density = 1) {
    QImage image = NewImage(32 * density, 32 * density, ground);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    ScaleTo(p, density);
    const QPointF c(16, 16);
    if (pressed) {
        p.setPen(QPen(QColor(200, 236, 255), 2.5));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(c, 14.2, 14.2);
    }
    QRadialGradient blue(c + QPointF(-3, -4), 15);
    blue.setColorAt(0.0, pressed ? QColor(120, 190, 255) : QColor(140, 200, 255));
    blue.setColorAt(0.6, pressed ? QColor(20, 90, 220) : QColor(30, 110, 235));
    blue.setColorAt(1.0, QColor(10, 50, 150));
    p.setPen(QPen(QColor(8, 30, 90), 1.2));
    p.setBrush(blue);
    p.drawEllipse(c, 11.5, 11.5);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 150));
    p.drawEllipse(QRectF(10, 7.5, 8, 4.5));
    return image;
}

QString Join(const QString& folder, const QString& name) { return QDir(folder).filePath(name); }

// The densities drawn besides 1x, and the name of a picture's denser variant: Qt's own
// convention, "skin@2x.png" beside "skin.bmp".
constexpr int kDensities[] = {2, 3};

QString DenseName(const QString& name, int density, const char* suffix) {
    return QFileInfo(name).completeBaseName() + QString("@%1x.").arg(density) + suffix;
}

// Dense pictures are PNG, which Qt reads without a plugin, packed as tightly as it goes; the
// About panel stays JPEG, as at 1x.
void SavePng(const QImage& image, const QString& path) { Save(image, path, "PNG", 0); }

void WriteResourceFile(const QString& folder, const QString& file, const QStringList& names) {
    QByteArray text = "<!DOCTYPE RCC>\n<RCC version=\"1.0\">\n<qresource prefix=\"/pictures\">\n";
    for (const QString& name : names)
        text += QString("    <file alias=\"%1\">%1</file>\n").arg(name).toUtf8();
    text += "</qresource>\n</RCC>\n";
    QFile out(Join(folder, file));
    if (!out.open(QIODevice::WriteOnly) || out.write(text) != text.size())
        Fail("cannot write " + file);
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr,
                     "usage: draw_pictures <pictures folder> <eye folder> <icon theme folder>\n");
        return 2;
    }
    const QString pictures = QString::fromLocal8Bit(argv[1]);
    const QString eyes = QString::fromLocal8Bit(argv[2]);
    const QString iconTheme = QString::fromLocal8Bit(argv[3]);
    QDir().mkpath(pictures);
    QDir().mkpath(eyes);

    const QStringList names = {"skin.bmp",           "eye.bmp",
                               "face.ico",           "pencil.ico",
                               "label1_pointer.ico", "label4_pointer.ico",
                               "about_pointer.ico",  "about.jpg",
                               "leave_released.bmp", "leave_pressed.bmp"};
    SaveBmp(DrawSkin(), Join(pictures, "skin.bmp"));
    for (int frame = 1; frame <= 8; ++frame)
        SaveBmp(DrawEye(frame), Join(eyes, QString::number(frame)));
    SaveBmp(DrawEye(5), Join(pictures, "eye.bmp"));

    const QImage face = DrawFaceIcon();
    SaveIcon({{face, 8}}, Join(pictures, "face.ico"));
    // The desktop's icon, in the hicolor theme's layout: <size>x<size>/apps/<application id>.png.
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString folder = Join(iconTheme, QString("%1x%1/apps").arg(size));
        QDir().mkpath(folder);
        Save(DrawFaceIcon(size), Join(folder, "org.tavrin.Tavrin.png"), "PNG");
    }
    SaveIcon({{DrawPencil(32), 8}, {DrawPencil(16), 8}}, Join(pictures, "pencil.ico"));
    SaveIcon({{DrawLabel1Pointer(), 8}}, Join(pictures, "label1_pointer.ico"));
    SaveIcon({{DrawLabel4Pointer(), 4}}, Join(pictures, "label4_pointer.ico"));
    SaveIcon({{DrawAboutPointer(), 4}}, Join(pictures, "about_pointer.ico"));

    const QImage about = DrawAbout(HappyFace());
    Save(about, Join(pictures, "about.jpg"), "JPG", 92);
    // The button pictures sit on the About frame's lower right corner.
    const QColor ground = about.pixelColor(376, 356);
    SaveBmp(DrawLeaveButton(false, ground), Join(pictures, "leave_released.bmp"));
    SaveBmp(DrawLeaveButton(true, ground), Join(pictures, "leave_pressed.bmp"));

    WriteResourceFile(pictures, "pictures.qrc", names);

    // The same drawings for dense screens, listed apart: the build packs them into a file
    // beside the data folder instead of the program, so a 1x screen never maps them. The eye folder
    // keeps its names without extension: "1@2x" beside "1".
    QStringList denseNames;
    for (const int d : kDensities) {
        const auto dense = [&](const QString& name, const char* suffix = "png") {
            const QString file = DenseName(name, d, suffix);
            denseNames << file;
            return Join(pictures, file);
        };
        SavePng(DrawSkin(d), dense("skin.bmp"));
        SavePng(DrawEye(5, d), dense("eye.bmp"));
        for (int frame = 1; frame <= 8; ++frame)
            SavePng(DrawEye(frame, d), Join(eyes, QString("%1@%2x").arg(frame).arg(d)));
        SavePng(DrawFaceIcon(32 * d), dense("face.ico"));
        SavePng(DrawPencil(32 * d), dense("pencil.ico"));
        SavePng(DrawLabel1Pointer(d), dense("label1_pointer.ico"));
        SavePng(DrawLabel4Pointer(d), dense("label4_pointer.ico"));
        SavePng(DrawAboutPointer(d), dense("about_pointer.ico"));
        const QImage denseAbout = DrawAbout(HappyFace(d), d);
        Save(denseAbout, dense("about.jpg", "jpg"), "JPG", 92);
        const QColor denseGround = denseAbout.pixelColor(376 * d, 356 * d);
        SavePng(DrawLeaveButton(false, denseGround, d), dense("leave_released.bmp"));
        SavePng(DrawLeaveButton(true, denseGround, d), dense("leave_pressed.bmp"));
    }
    WriteResourceFile(pictures, "pictures_dense.qrc", denseNames);
    return 0;
}
