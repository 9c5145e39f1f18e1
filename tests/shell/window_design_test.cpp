// SPDX-License-Identifier: GPL-3.0-or-later
// The three window designs, checked where drift would change the program's look: places,
// stacking, captions, colours, fonts, the menu actions and the focus order.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <vector>

#include "shell/fonts.h"
#include "shell/oval_shape.h"
#include "shell/pictures.h"
#include "ui_about_window.h"
#include "ui_dialog.h"
#include "ui_face_window.h"

namespace tavrin {
namespace {

constexpr const char* kSong = "AR PL UMing CN";
constexpr const char* kKai = "AR PL UKai CN";
constexpr const char* kSans = "WenQuanYi Micro Hei";

template <typename Ui>
struct Form {
    QWidget window;
    Ui ui;
    Form() {
        ui.setupUi(&window);
        // Style sheets (the fractional font sizes) take effect when a widget is polished.
        window.ensurePolished();
    }
    QWidget* Find(const char* name) {
        auto* found = window.findChild<QWidget*>(QString::fromLatin1(name));
        if (found == nullptr) ADD_FAILURE() << "no control " << name;
        return found;
    }
};

// A control's design place; rows in the order of the design, top of the stacking order first.
struct Placed {
    const char* name;
    QRect geometry;
};

// What a control shows: caption (nullptr: not a text control), text colour (invalid: default),
// font face as resolved, point size, weight and slant.
struct Look {
    const char* name;
    const char* caption;
    QColor color;
    const char* face;
    double points;
    bool bold = false;
    bool italic = false;
};

// Direct child controls from the top of the stacking order down.
std::vector<QString> StackFromTop(const QWidget* parent) {
    std::vector<QString> names;
    for (QObject* child : parent->children()) {
        if (child->isWidgetType()) names.insert(names.begin(), child->objectName());
    }
    return names;
}

std::vector<QString> Names(const std::vector<Placed>& rows) {
    std::vector<QString> names;
    for (const Placed& row : rows) names.push_back(QString::fromLatin1(row.name));
    return names;
}

// Places are measured from `origin` of the container: the face's from inside its frame.
template <typename Ui>
void ExpectPlaces(Form<Ui>& form, const std::vector<Placed>& rows, QPoint origin = {}) {
    for (const Placed& row : rows) {
        if (QWidget* w = form.Find(row.name)) {
            EXPECT_EQ(w->geometry(), row.geometry.translated(origin)) << row.name;
        }
    }
}

QString CaptionOf(QWidget* w) {
    if (auto* label = qobject_cast<QLabel*>(w)) return label->text();
    if (auto* button = qobject_cast<QAbstractButton*>(w)) return button->text();
    if (auto* edit = qobject_cast<QLineEdit*>(w)) return edit->text();
    return {};
}

template <typename Ui>
void ExpectLooks(Form<Ui>& form, const std::vector<Look>& looks) {
    for (const Look& look : looks) {
        QWidget* w = form.Find(look.name);
        if (w == nullptr) continue;
        SCOPED_TRACE(look.name);
        if (look.caption != nullptr) {
            EXPECT_EQ(CaptionOf(w), QString::fromUtf8(look.caption));
        }
        if (look.color.isValid()) {
            EXPECT_EQ(w->palette().color(QPalette::WindowText), look.color);
        }
        EXPECT_EQ(QFontInfo(w->font()).family(), QString::fromLatin1(look.face));
        EXPECT_DOUBLE_EQ(w->font().pointSizeF(), look.points);
        EXPECT_EQ(w->font().bold(), look.bold);
        EXPECT_EQ(w->font().italic(), look.italic);
        if (auto* label = qobject_cast<QLabel*>(w)) {
            EXPECT_FALSE(label->autoFillBackground());
        }
    }
}

// The focusable controls in keyboard order, starting at `first`.
std::vector<QString> TabChain(QWidget* first, size_t count) {
    std::vector<QString> chain{first->objectName()};
    for (QWidget* w = first->nextInFocusChain(); w != first && chain.size() < count;
         w = w->nextInFocusChain()) {
        if (w->focusPolicy() & Qt::TabFocus) chain.push_back(w->objectName());
    }
    return chain;
}

const QColor kYellow(0xFF, 0xFF, 0x00);
const QColor kWhite(0xFF, 0xFF, 0xFF);
const QColor kSilver(0xC0, 0xC0, 0xC0);

// ---------------------------------------------------------------------------------------------
// The face window

const std::vector<Placed> kFaceOnWindow = {
    {"List5", {280, 376, 41, 52}}, {"List4", {240, 376, 41, 52}}, {"List3", {200, 376, 41, 52}},
    {"List2", {160, 376, 41, 52}}, {"List1", {120, 376, 41, 52}}, {"picshape", {0, 0, 371, 373}},
};

const std::vector<Placed> kFaceOnPicshape = {
    {"Command4", {88, 312, 57, 17}},  {"Command1", {224, 312, 57, 17}},
    {"Text1", {152, 304, 65, 25}},    {"Image2", {208, 136, 97, 49}},
    {"Image1", {72, 136, 97, 49}},    {"Label7_0", {216, 288, 8, 16}},
    {"Label7_1", {224, 272, 10, 19}}, {"Label7_2", {240, 256, 11, 21}},
    {"Label7_3", {256, 232, 12, 24}}, {"Label7_4", {272, 208, 14, 27}},
    {"Label7_5", {288, 184, 15, 29}}, {"Label7_6", {304, 152, 16, 32}},
    {"Label6", {172, 208, 27, 48}},   {"Label5", {224, 208, 29, 56}},
    {"Label4", {304, 56, 53, 52}},    {"Label1", {53, 56, 42, 52}},
    {"Shape6", {208, 184, 145, 105}}, {"Shape5", {164, 184, 41, 97}},
    {"Label3", {96, 208, 31, 56}},    {"Shape4", {16, 184, 145, 105}},
    {"Label2", {144, 280, 89, 25}},
};

TEST(FaceWindowDesign, EveryControlStandsInItsPlaceAndStackingOrder) {
    Form<Ui::FORM1> form;
    EXPECT_EQ(form.window.size(), QSize(370, 373));
    ExpectPlaces(form, kFaceOnWindow);
    // Inside the face's 1-px frame, where the skin lies too.
    ASSERT_EQ(form.ui.picshape->contentsRect().topLeft(), QPoint(1, 1));
    ExpectPlaces(form, kFaceOnPicshape, form.ui.picshape->contentsRect().topLeft());
    EXPECT_EQ(StackFromTop(&form.window), Names(kFaceOnWindow));
    EXPECT_EQ(StackFromTop(form.ui.picshape), Names(kFaceOnPicshape));
    for (QListWidget* list :
         {form.ui.List1, form.ui.List2, form.ui.List3, form.ui.List4, form.ui.List5}) {
        EXPECT_GE(list->y(), form.window.height()) << "a list box shows on the face";
    }
}

TEST(FaceWindowDesign, CaptionsColoursAndFonts) {
    Form<Ui::FORM1> form;
    ExpectLooks(form, {
                          {"Command4", "得分", {}, kSans, 9},
                          {"Command1", "确定", {}, kSans, 9},
                          {"Text1", "", {}, kSong, 15.75, true},
                          {"Label7_0", "", kSilver, kSong, 12},
                          {"Label7_1", "", kSilver, kSong, 14.25},
                          {"Label7_2", "", kSilver, kSong, 15.75},
                          {"Label7_3", "", kSilver, kSong, 18},
                          {"Label7_4", "", kSilver, kSong, 20.25},
                          {"Label7_5", "", kSilver, kSong, 21.75},
                          {"Label7_6", "", kSilver, kSong, 24},
                          {"Label6", "", kWhite, kSong, 36, true},
                          {"Label5", "", kWhite, kSong, 42, true},
                          {"Label3", "", kWhite, kSong, 42, true},
                          {"Label4", "退 出", kYellow, kSong, 15, true},
                          {"Label1", "出题", kYellow, kSong, 15, true},
                          {"Label2", "在下面输入答案", kYellow, kSans, 9},
                      });
    // The operands grow about their centres, the second one to the right.
    EXPECT_EQ(form.ui.Label3->alignment(), Qt::AlignHCenter | Qt::AlignTop);
    EXPECT_EQ(form.ui.Label6->alignment(), Qt::AlignHCenter | Qt::AlignTop);
    EXPECT_EQ(form.ui.Label5->alignment(), Qt::AlignLeft | Qt::AlignTop);

    EXPECT_EQ(form.ui.Text1->palette().color(QPalette::Base), QColor(0x80, 0x80, 0x00));
    EXPECT_EQ(form.ui.Text1->palette().color(QPalette::Text), kWhite);
    for (QPushButton* button : {form.ui.Command1, form.ui.Command4}) {
        EXPECT_EQ(button->palette().color(QPalette::Button), kWhite);
        EXPECT_EQ(button->cursor().shape(), Qt::ArrowCursor);
        EXPECT_FALSE(button->autoDefault());
    }

    EXPECT_EQ(form.ui.Shape4->fillColor(), QColor(0xC0, 0x40, 0x00));
    EXPECT_EQ(form.ui.Shape5->fillColor(), QColor(0x80, 0x80, 0x80));
    EXPECT_EQ(form.ui.Shape6->fillColor(), QColor(0xC0, 0x00, 0x00));
    EXPECT_EQ(form.ui.Shape4->outlineColor(), QColor(Qt::black));
    EXPECT_EQ(form.ui.Shape6->outlineColor(), QColor(Qt::black));
    // The nose is outlined in the window text colour, whatever the desktop makes of it.
    EXPECT_FALSE(form.ui.Shape5->outlineColor().isValid());
    EXPECT_EQ(form.ui.Shape5->effectiveOutlineColor(),
              form.ui.Shape5->palette().color(QPalette::WindowText));
}

TEST(FaceWindowDesign, ScoreCellsGrowAlongARisingDiagonal) {
    Form<Ui::FORM1> form;
    const std::vector<QLabel*> cells = {form.ui.Label7_0, form.ui.Label7_1, form.ui.Label7_2,
                                        form.ui.Label7_3, form.ui.Label7_4, form.ui.Label7_5,
                                        form.ui.Label7_6};
    for (size_t i = 1; i < cells.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_GT(cells[i]->font().pointSizeF(), cells[i - 1]->font().pointSizeF());
        EXPECT_GT(QFontMetricsF(cells[i]->font()).height(),
                  QFontMetricsF(cells[i - 1]->font()).height());
        EXPECT_GT(cells[i]->x(), cells[i - 1]->x());
        EXPECT_LT(cells[i]->y(), cells[i - 1]->y());
    }
}

TEST(FaceWindowDesign, DrawsBlackWindowWhiteFramedFaceAndColouredOvals) {
    Form<Ui::FORM1> form;
    form.window.show();
    const QImage face = form.ui.picshape->grab().toImage();
    const QImage window = form.window.grab().toImage();
    for (const OvalShape* oval : {form.ui.Shape4, form.ui.Shape5, form.ui.Shape6}) {
        const QPoint centre = oval->geometry().center();
        EXPECT_EQ(face.pixelColor(centre), oval->fillColor()) << oval->objectName().toStdString();
    }
    EXPECT_EQ(face.pixelColor(form.ui.Text1->geometry().center()), QColor(0x80, 0x80, 0x00));
    // The black of the window must not leak into the face, which keeps the desktop's colours.
    EXPECT_EQ(form.ui.picshape->palette().color(QPalette::Window),
              QApplication::palette().color(QPalette::Window));
    EXPECT_EQ(face.pixelColor(0, 200), QColor(Qt::black)) << "the frame";
    EXPECT_EQ(window.pixelColor(100, 371), QApplication::palette().color(QPalette::Window));
    EXPECT_EQ(form.window.palette().color(QPalette::Window), QColor(Qt::black));
}

TEST(FaceWindowDesign, MenuActionsAreUncheckedAndAnswerTheirShortcutsInTheWindow) {
    Form<Ui::FORM1> form;
    struct Item {
        QAction* action;
        const char* caption;
        const char* shortcut;
        bool checkable;
    };
    const Item items[] = {
        {form.ui.menu_wj_1, "出题(C)", "Ctrl+C", false},
        {form.ui.menu_wj_3, "打开语音提示(D)", "Ctrl+D", true},
        {form.ui.menu_wj_4, "关闭语音提示(G)", "Ctrl+G", true},
        {form.ui.menu_wj_6, "打开音效功能", "", true},
        {form.ui.menu_wj_7, "关闭音效功能", "", true},
        {form.ui.menu_gy_1, "关于作者(W)", "Ctrl+W", false},
        {form.ui.menu_wj_15, "帮助(H)", "Ctrl+H", false},
        {form.ui.menu_wj_17, "退出程序(E)", "Ctrl+E", false},
    };
    for (const Item& item : items) {
        SCOPED_TRACE(item.caption);
        EXPECT_EQ(item.action->text(), QString::fromUtf8(item.caption));
        EXPECT_EQ(item.action->shortcut(), QKeySequence(QString::fromLatin1(item.shortcut)));
        EXPECT_EQ(item.action->shortcutContext(), Qt::WindowShortcut);
        EXPECT_EQ(item.action->isCheckable(), item.checkable);
        EXPECT_FALSE(item.action->isChecked());
        EXPECT_TRUE(item.action->isEnabled());
        EXPECT_TRUE(form.window.actions().contains(item.action));
    }
}

TEST(FaceWindowDesign, FocusGoesFromTheAnswerBoxToConfirmThenScore) {
    Form<Ui::FORM1> form;
    const std::vector<QString> expected = {"Text1", "Command1", "Command4", "List1",
                                           "List2", "List3",    "List4",    "List5"};
    EXPECT_EQ(TabChain(form.ui.Text1, expected.size()), expected);
}

// ---------------------------------------------------------------------------------------------
// The question-set dialog

const std::vector<Placed> kDialogControls = {
    {"Check4", {184, 32, 49, 17}},       {"Check3", {128, 32, 57, 17}},
    {"Check2", {72, 32, 49, 17}},        {"Check1", {8, 32, 49, 17}},
    {"Text2", {128, 89, 57, 24}},        {"Text1", {48, 64, 57, 24}},
    {"CancelButton", {192, 88, 57, 25}}, {"OKButton", {192, 64, 57, 25}},
    {"Label3", {72, 8, 129, 17}},        {"Line3", {0, 24, 296, 1}},
    {"Line1", {0, 56, 296, 1}},          {"Label2", {16, 97, 129, 25}},
    {"Label1", {16, 72, 193, 25}},
};

TEST(DialogDesign, EveryControlStandsInItsPlaceAndStackingOrder) {
    Form<Ui::Dialog> form;
    EXPECT_EQ(form.window.size(), QSize(256, 119));
    ExpectPlaces(form, kDialogControls);
    EXPECT_EQ(StackFromTop(&form.window), Names(kDialogControls));
    EXPECT_EQ(form.ui.Line1->frameShape(), QFrame::HLine);
    EXPECT_EQ(form.ui.Line3->frameShape(), QFrame::HLine);
}

TEST(DialogDesign, CaptionsFontsAndButtons) {
    Form<Ui::Dialog> form;
    ExpectLooks(form, {
                          {"Check4", "除法", {}, kSans, 9},
                          {"Check3", "乘法", {}, kSans, 9},
                          {"Check2", "减法", {}, kSans, 9},
                          {"Check1", "加法", {}, kSans, 9},
                          {"Text2", "", {}, kSong, 14.25},
                          {"Text1", "", {}, kSong, 14.25},
                          {"CancelButton", "取消", {}, kSans, 9},
                          {"OKButton", "确定", {}, kSans, 9},
                          {"Label3", "选择下列运算", {}, kSans, 9},
                          {"Label2", "输入要做的题目数量", {}, kSans, 9},
                          {"Label1", "输入             以内的运算", {}, kSong, 9},
                      });
    for (QCheckBox* box : {form.ui.Check1, form.ui.Check2, form.ui.Check3, form.ui.Check4}) {
        EXPECT_FALSE(box->isChecked());
    }
    // Enter and Esc press neither button.
    for (QPushButton* button : {form.ui.OKButton, form.ui.CancelButton}) {
        EXPECT_FALSE(button->isDefault());
        EXPECT_FALSE(button->autoDefault());
    }
    const std::vector<QString> expected = {"OKButton", "CancelButton", "Text1",  "Text2",
                                           "Check1",   "Check2",       "Check3", "Check4"};
    EXPECT_EQ(TabChain(form.ui.OKButton, expected.size()), expected);
}

TEST(DialogDesign, AnswerBoxesSitInTheGapsOfTheirCaptions) {
    Form<Ui::Dialog> form;
    const QFontMetricsF range(form.ui.Label1->font());
    const double left = form.ui.Label1->x();
    const QString caption = form.ui.Label1->text();
    const qsizetype gap = caption.indexOf(QLatin1Char(' '));
    // Text1 covers the blanks only: the words on either side stay in view.
    EXPECT_LE(left + range.horizontalAdvance(caption.left(gap)), form.ui.Text1->x());
    EXPECT_GE(left + range.horizontalAdvance(caption.left(gap + 13)),
              form.ui.Text1->geometry().right() + 1);
    EXPECT_LE(left + range.horizontalAdvance(caption), form.ui.OKButton->x());

    const QFontMetricsF count(form.ui.Label2->font());
    EXPECT_LE(form.ui.Label2->x() + count.horizontalAdvance(form.ui.Label2->text()),
              form.ui.Text2->x());
}

// ---------------------------------------------------------------------------------------------
// The About window

const std::vector<Placed> kAboutControls = {
    {"Image4", {160, 440, 32, 32}}, {"Image3", {80, 440, 32, 32}},   {"Label5", {371, 367, 17, 25}},
    {"Image2", {360, 360, 32, 32}}, {"Label4", {400, 152, 25, 129}}, {"Label3", {0, 160, 33, 97}},
    {"Label2", {152, 0, 148, 36}},  {"Label1", {136, 400, 152, 24}}, {"Image1", {0, 0, 425, 425}},
};

TEST(AboutWindowDesign, EveryControlStandsInItsPlaceAndStackingOrder) {
    Form<Ui::GYW> form;
    EXPECT_EQ(form.window.size(), QSize(424, 425));
    ExpectPlaces(form, kAboutControls);
    EXPECT_EQ(StackFromTop(&form.window), Names(kAboutControls));
    EXPECT_GE(form.ui.Image3->y(), form.window.height());
    EXPECT_GE(form.ui.Image4->y(), form.window.height());
}

TEST(AboutWindowDesign, CaptionsColoursAndFonts) {
    Form<Ui::GYW> form;
    ExpectLooks(form, {
                          {"Label5", "离开", kYellow, kSong, 7.5},
                          {"Label4", "T\na\nv\nr\ni\nn", kWhite, kSong, 18, false, true},
                          {"Label3", "T\na\nv\nr\ni\nn", kWhite, kSong, 18, false, true},
                          {"Label2", "关于我……", kYellow, kSans, 18, true},
                          {"Label1", "Tavrin3.03", kYellow, kKai, 18, true},
                      });
    // One character wide, so the caption stands in two lines.
    const QFontMetricsF leave(form.ui.Label5->font());
    const QRectF wrapped = leave.boundingRect(QRectF(0, 0, form.ui.Label5->width(), 1000),
                                              Qt::TextWordWrap, form.ui.Label5->text());
    EXPECT_NEAR(wrapped.height() / leave.lineSpacing(), 2.0, 0.01);
}

TEST(WindowPictures, ComeFromTheResourcesAtTheirDesignedSizes) {
    // The program is built with its pictures; without them the face would be an empty square.
    ASSERT_TRUE(QFile::exists(QStringLiteral(":/pictures/skin.bmp")))
        << "the pictures are not compiled in";
    // The face's own pictures are read by the face window, as BMP.
    Form<Ui::FORM1> face;
    Form<Ui::GYW> about;
    face.ui.picshape->setPixmap(CompiledPicture(QStringLiteral("skin.bmp")));
    EXPECT_EQ(face.ui.picshape->pixmap().size(), QSize(369, 369));
    EXPECT_EQ(CompiledPicture(QStringLiteral("eye.bmp")).size(), QSize(97, 49));
    EXPECT_EQ(CompiledPicture(QStringLiteral("pencil.ico")).size(), QSize(32, 32));
    EXPECT_EQ(about.ui.Image1->pixmap().size(), QSize(425, 425));
    for (QLabel* button : {about.ui.Image2, about.ui.Image3, about.ui.Image4}) {
        EXPECT_EQ(button->pixmap().size(), QSize(32, 32));
    }
    EXPECT_EQ(about.ui.Image2->pixmap().toImage(), about.ui.Image3->pixmap().toImage());
    EXPECT_NE(about.ui.Image3->pixmap().toImage(), about.ui.Image4->pixmap().toImage());
    // The skin sits inside the 1-pixel frame.
    face.window.show();
    const QImage shown = face.ui.picshape->grab().toImage();
    const QImage skin = face.ui.picshape->pixmap().toImage();
    EXPECT_EQ(shown.pixelColor(1, 1), skin.pixelColor(0, 0));
    EXPECT_EQ(shown.pixelColor(185, 31), skin.pixelColor(184, 30));
}

}  // namespace
}  // namespace tavrin
