// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/question_store.h"

#include <gtest/gtest.h>

namespace tavrin {
namespace {

struct RecordingView : QuestionView {
    void SetQuestionTexts(const QString& a, const QString& s, const QString& b) override {
        shown = {a, s, b};
    }
    std::vector<QString> shown{"x", "x", "x"};
};

TEST(QuestionStore, RowsStayParallelAndOutOfRangeCellsReadEmpty) {
    QuestionStore store;
    ASSERT_TRUE(store.AppendRow(" 3", "＋", " 4", "7"));
    ASSERT_TRUE(store.AppendRow("-1", "－", " 0", "-1"));
    EXPECT_EQ(store.RowCount(), 2);
    EXPECT_EQ(store.Cell(1, 1), "-1");
    EXPECT_EQ(store.Cell(4, 0), "7");
    EXPECT_EQ(store.Cell(5, 0), "");
    for (auto [column, row] : {std::pair{1, 2}, {5, 99}, {0, 0}, {6, 0}, {1, -1}})
        EXPECT_EQ(store.Cell(column, std::int16_t(row)), "");

    store.SetAnswer(1, "  -1 ");
    store.SetAnswer(7, "ignored");
    EXPECT_EQ(store.Cell(5, 1), "  -1 ") << "answers are kept exactly as typed";

    store.Clear();
    EXPECT_EQ(store.RowCount(), 0);
    for (int column = 1; column <= 5; ++column) EXPECT_EQ(store.Cell(column, 0), "");
}

TEST(QuestionStore, ShowsAndClearsTheQuestionOnTheFace) {
    QuestionStore store;
    RecordingView view;
    store.ShowQuestion(0, view);
    EXPECT_EQ(view.shown, (std::vector<QString>{"", "", ""})) << "an empty store blanks the face";

    store.AppendRow(" 12", "÷", " 3", "4");
    store.ShowQuestion(0, view);
    EXPECT_EQ(view.shown, (std::vector<QString>{" 12", "÷", " 3"}));
    QuestionStore::ClearQuestion(view);
    EXPECT_EQ(view.shown, (std::vector<QString>{"", "", ""}));
}

TEST(QuestionStore, HoldsAtMostTheLargestSixteenBitRowCount) {
    QuestionStore store;
    for (int i = 0; i < QuestionStore::kMaxRows; ++i)
        ASSERT_TRUE(store.AppendRow("a", "b", "c", "d"));
    EXPECT_FALSE(store.AppendRow("a", "b", "c", "d"));
    EXPECT_EQ(store.RowCount(), 32767);
    EXPECT_EQ(store.Cell(1, 32766), "a");
}

}  // namespace
}  // namespace tavrin
