// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/question_store.h"

#include <utility>

namespace tavrin {

void QuestionStore::Clear() { rows_.clear(); }

bool QuestionStore::AppendRow(QString first, QString sign, QString second, QString result) {
    if (rows_.size() >= static_cast<std::size_t>(kMaxRows)) return false;
    rows_.push_back({std::move(first), std::move(sign), std::move(second), std::move(result), {}});
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

void QuestionStore::ShowQuestion(std::int16_t row, QuestionView& view) const {
    view.SetQuestionTexts(Cell(1, row), Cell(2, row), Cell(3, row));
}

void QuestionStore::ClearQuestion(QuestionView& view) { view.SetQuestionTexts({}, {}, {}); }

}  // namespace tavrin
