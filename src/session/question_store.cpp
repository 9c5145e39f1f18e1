// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/question_store.h"

#include <algorithm>
#include <utility>

namespace tavrin {

void QuestionStore::Clear() {
    rows_.clear();
    answerMs_.clear();
}

bool QuestionStore::AppendRow(QString first, QString sign, QString second, QString result) {
    if (rows_.size() >= static_cast<std::size_t>(kMaxRows)) return false;
    rows_.push_back({std::move(first), std::move(sign), std::move(second), std::move(result), {}});
    answerMs_.push_back(-1);
    return true;
}

std::int16_t QuestionStore::RowCount() const { return static_cast<std::int16_t>(rows_.size()); }

QString QuestionStore::Cell(int column, std::int16_t row) const {
    if (column < 1 || column > kColumns || row < 0 || row >= RowCount()) return {};
    return rows_[static_cast<std::size_t>(row)][static_cast<std::size_t>(column - 1)];
}

void QuestionStore::SetAnswer(std::int16_t row, const QString& text) {
    if (row < 0 || row >= RowCount()) return;
    rows_[static_cast<std::size_t>(row)][4] = text;
}

void QuestionStore::SetAnswerMs(std::int16_t row, std::int32_t ms) {
    if (row < 0 || row >= RowCount()) return;
    answerMs_[static_cast<std::size_t>(row)] = std::max<std::int32_t>(ms, 0);
}

std::optional<std::int32_t> QuestionStore::AnswerMs(std::int16_t row) const {
    if (row < 0 || row >= RowCount() || answerMs_[static_cast<std::size_t>(row)] < 0) return {};
    return answerMs_[static_cast<std::size_t>(row)];
}

void QuestionStore::ShowQuestion(std::int16_t row, QuestionView& view) const {
    view.SetQuestionTexts(Cell(1, row), Cell(2, row), Cell(3, row));
}

void QuestionStore::ClearQuestion(QuestionView& view) { view.SetQuestionTexts({}, {}, {}); }

}  // namespace tavrin
