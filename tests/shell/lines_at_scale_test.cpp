// SPDX-License-Identifier: GPL-3.0-or-later
// The dialog's dividers and the menu's 1-pixel lines, grabbed as a screen of each ratio would
// show them: whole, of one thickness along their length and alike everywhere.
#include <QMenu>
#include <QPainter>
#include <cmath>

#include "face_fixture.h"

namespace tavrin {
namespace {

using testing::FaceWindowTest;

// A widget as a screen of `scale` shows it: what QWidget::grab does on such a screen.
QImage GrabAt(QWidget* widget, qreal scale) {
    QImage image(QSize(int(std::lround(widget->width() * scale)),
                       int(std::lround(widget->height() * scale))),
                 QImage::Format_RGB32);
    image.setDevicePixelRatio(scale);
    image.fill(Qt::white);
    widget->render(&image);
    return image;
}

// How many pixels of exactly `colour` follow one another from (x, y) on, a step of (dx, dy)
// each; where the run starts, by `start`.
int RunOf(const QImage& image, QRgb colour, int x, int y, int dx, int dy, int* start = nullptr) {
    // Skip to the first pixel of the colour, then count.
    while (x >= 0 && y >= 0 && x < image.width() && y < image.height() &&
           (image.pixel(x, y) & 0xFFFFFF) != (colour & 0xFFFFFF)) {
        x += dx;
        y += dy;
    }
    if (start) *start = dx ? x : y;
    int run = 0;
    while (x >= 0 && y >= 0 && x < image.width() && y < image.height() &&
           (image.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF)) {
        ++run;
        x += dx;
        y += dy;
    }
    return run;
}

struct Scale {
    qreal ratio;
    // How thick in screen pixels a 1-pixel line is drawn.
    int thickness;
};
const Scale kScales[] = {{1, 1}, {1.25, 1}, {1.5, 1}, {1.75, 1}, {2, 2}, {2.5, 2}, {3, 3}};
void PrintTo(const Scale& scale, std::ostream* out) { *out << scale.ratio << "x"; }

class LinesAtScale : public FaceWindowTest, public ::testing::WithParamInterface<Scale> {};

// A horizontal line across `columns` (device pixels) within the rows [top, bottom): the same
// rows, of the given thickness, in every column.
void ExpectEvenHorizontalLine(const QImage& image, QRgb colour, int first, int last, int top,
                              int bottom, int thickness, const char* what) {
    int wrong = 0, start = -1;
    std::ostringstream seen;
    for (int x = first; x < last; ++x) {
        int at = 0;
        const int run = RunOf(image, colour, x, top, 0, 1, &at);
        const bool ok = run == thickness && at < bottom && (start < 0 || at == start);
        if (start < 0 && run > 0) start = at;
        if (!ok && wrong++ < 4) seen << " x=" << x << ": " << run << " from " << at;
    }
    EXPECT_EQ(wrong, 0) << what << ": columns where the line is not " << thickness
                        << " pixels thick on the same rows;" << seen.str();
}

TEST_P(LinesAtScale, TheDialogsDividersAreWholeAndEven) {
    const Scale scale = GetParam();
    Start(QByteArray());
    QuestionSetDialog& dialog = OpenDialog();
    const QImage shown = GrabAt(&dialog, scale.ratio);
    const QRgb ink = dialog.ui().Line1->palette().color(QPalette::WindowText).rgb();
    for (QFrame* line : {dialog.ui().Line1, dialog.ui().Line3}) {
        const QRect r(line->mapTo(&dialog, QPoint()), line->size());
        // The line's own room in screen pixels, a pixel either side, and clear of the frame.
        const int top = int(std::floor(r.top() * scale.ratio)) - 1;
        const int bottom = int(std::ceil((r.bottom() + 1) * scale.ratio)) + 1;
        const int first = int(std::ceil(4 * scale.ratio));
        const int last = int(std::floor((dialog.width() - 4) * scale.ratio));
        ExpectEvenHorizontalLine(shown, ink, first, last, top, bottom, scale.thickness,
                                 qPrintable(line->objectName()));
    }
}

// At 1x the dividers look exactly as a plain 1-pixel frame draws them.
TEST_F(FaceWindowTest, TheDialogsDividersAt1xAreThoseOfAPlainFrame) {
    Start(QByteArray());
    QuestionSetDialog& dialog = OpenDialog();
    QFrame plain;
    plain.setFrameShape(QFrame::HLine);
    plain.setFrameShadow(QFrame::Plain);
    plain.setLineWidth(1);
    plain.setPalette(dialog.ui().Line1->palette());
    plain.resize(dialog.ui().Line1->size());
    EXPECT_EQ(GrabAt(dialog.ui().Line1, 1), GrabAt(&plain, 1));
    EXPECT_EQ(GrabAt(dialog.ui().Line3, 1), GrabAt(&plain, 1));
}

// The menu as a style sheet alone drew it, 1-pixel lines and all.
const char* const kStyleSheetMenu = R"(
QMenu {
    background-color: qlineargradient(x1: 0, y1: 0, x2: 1, y2: 0,
        stop: 0 #808000, stop: 0.09 #808000, stop: 0.0901 #FFC0FF, stop: 1 #FFC0FF);
    border: 1px solid #000000;
    padding: 2px 0px;
}
QMenu::item {
    color: #000000;
    background-color: transparent;
    padding: 4px 28px 4px 32px;
    border: 1px solid transparent;
}
QMenu::item:selected {
    color: #FF00FF;
    background-color: #C0FFC0;
    border: 1px solid #00C000;
}
QMenu::separator {
    height: 1px;
    background: #000000;
    margin: 3px 4px 3px 28px;
}
QMenu::indicator {
    width: 10px;
    height: 10px;
    left: 6px;
    border: none;
}
QMenu::indicator:checked {
    background-color: #FFFFFF;
    border-radius: 5px;
}
)";

// At whole ratios the menu is pixel for pixel what the style sheet drew, hovered item and all.
TEST_F(FaceWindowTest, TheMenuAtWholeRatiosIsWhatItsStyleSheetDrew) {
    Start(QByteArray());
    QMenu* menu = face->popupMenu();
    ASSERT_NE(menu, nullptr);
    QMenu designed;
    designed.setStyleSheet(QString::fromUtf8(kStyleSheetMenu));
    for (QAction* action : menu->actions()) designed.addAction(action);
    // One popup at a time: opening one closes the other.
    const auto grabs = [&](QMenu* shown) {
        shown->popup(QPoint(10, 10));
        EXPECT_TRUE(QTest::qWaitForWindowExposed(shown));
        shown->setActiveAction(ui().menu_wj_6);
        std::vector<QImage> grabbed;
        for (qreal ratio : {1.0, 2.0, 3.0}) grabbed.push_back(GrabAt(shown, ratio));
        shown->hide();
        return grabbed;
    };
    const std::vector<QImage> ours = grabs(menu), theirs = grabs(&designed);
    for (std::size_t i = 0; i < ours.size(); ++i) {
        ASSERT_EQ(ours[i].size(), theirs[i].size());
        int unlike = 0;
        std::ostringstream first;
        for (int y = 0; y < ours[i].height(); ++y)
            for (int x = 0; x < ours[i].width(); ++x)
                if (ours[i].pixel(x, y) != theirs[i].pixel(x, y) && unlike++ < 6)
                    first << " (" << x << ", " << y << ": " << std::hex << ours[i].pixel(x, y)
                          << " for " << theirs[i].pixel(x, y) << std::dec << ")";
        EXPECT_EQ(unlike, 0) << "at " << i + 1 << "x, first:" << first.str();
    }
}

TEST_P(LinesAtScale, TheMenusBorderSeparatorsAndHoverEdgeAreWholeAndEven) {
    const Scale scale = GetParam();
    Start(QByteArray());
    QMenu* menu = face->popupMenu();
    ASSERT_NE(menu, nullptr);
    menu->popup(QPoint(10, 10));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(menu));
    QAction* hovered = ui().menu_wj_3;
    menu->setActiveAction(hovered);
    const QImage shown = GrabAt(menu, scale.ratio);
    const int t = scale.thickness;
    const QRgb black = qRgb(0, 0, 0), green = qRgb(0x00, 0xC0, 0x00);
    const int w = shown.width(), h = shown.height();

    // The border: as thick on every side, from the very edge, at two places along it.
    for (int i = 0; i < 4; ++i) {
        const int middle = (i < 2 ? w : h) / 2;
        const int edge = i == 1 ? h - 1 : i == 3 ? w - 1 : 0;
        for (int along : {middle / 2, middle + middle / 2}) {
            int start = -1;
            const int run = i < 2 ? RunOf(shown, black, along, edge, 0, i == 0 ? 1 : -1, &start)
                                  : RunOf(shown, black, edge, along, i == 2 ? 1 : -1, 0, &start);
            EXPECT_EQ(start, edge) << "border side " << i << " at " << along;
            EXPECT_EQ(run, t) << "border side " << i << " at " << along;
        }
    }
    // Every separator, the same rows along its length.
    int separators = 0;
    for (QAction* action : menu->actions()) {
        if (!action->isSeparator()) continue;
        ++separators;
        const QRect item = menu->actionGeometry(action);
        ExpectEvenHorizontalLine(shown, black, int(std::ceil((item.left() + 30) * scale.ratio)),
                                 int(std::floor((item.right() - 6) * scale.ratio)),
                                 int(std::floor(item.top() * scale.ratio)),
                                 int(std::ceil((item.bottom() + 1) * scale.ratio)), t, "separator");
    }
    EXPECT_EQ(separators, 6);
    // The hovered item's green edge, above and below, as thick as the border.
    const QRect item = menu->actionGeometry(hovered);
    const int first = int(std::ceil((item.left() + 2) * scale.ratio));
    const int last = int(std::floor((item.right() - 1) * scale.ratio));
    ExpectEvenHorizontalLine(shown, green, first, last,
                             int(std::floor(item.top() * scale.ratio)) - 1,
                             int(std::ceil((item.top() + 2) * scale.ratio)), t, "hover edge, top");
    int left = 0;
    const int leftRun =
        RunOf(shown, green, 0, int(std::lround(item.center().y() * scale.ratio)), 1, 0, &left);
    EXPECT_EQ(leftRun, t) << "hover edge, left";
    menu->hide();
}

INSTANTIATE_TEST_SUITE_P(EveryScale, LinesAtScale, ::testing::ValuesIn(kScales),
                         [](const ::testing::TestParamInfo<Scale>& info) {
                             return "x" + std::to_string(int(std::lround(info.param.ratio * 100)));
                         });

}  // namespace
}  // namespace tavrin
