// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace tavrin {

// Where the question on show appears: the first operand, the operator sign and
// the second operand, left to right across the face.
class QuestionView {
public:
    virtual ~QuestionView() = default;
    virtual void SetQuestionTexts(const QString& first, const QString& sign,
                                  const QString& second) = 0;
};

// The current question set: five parallel text columns, one row per question
// in the order the questions were made.
class QuestionStore {
public:
    static constexpr int kColumns = 5;
    static constexpr std::int16_t kMaxRows = 32767;

    void Clear();
    void Reserve(std::int16_t rows) { rows_.reserve(static_cast<std::size_t>(rows)); }
    // The answer column starts empty. Returns false, adding nothing, once the
    // store holds kMaxRows rows.
    bool AppendRow(QString first, QString sign, QString second, QString result);
    std::int16_t RowCount() const;
    // Column 1..5 (first operand, sign, second operand, result, answer). A row
    // or column outside the store reads as "".
    QString Cell(int column, std::int16_t row) const;
    // Stores the answer exactly as typed, blanks and all; ignored outside the store.
    void SetAnswer(std::int16_t row, const QString& text);
    // How long the answer took, from its question's showing to 确定; nothing
    // until the row is answered.
    void SetAnswerMs(std::int16_t row, std::int32_t ms);
    std::optional<std::int32_t> AnswerMs(std::int16_t row) const;

    void ShowQuestion(std::int16_t row, QuestionView& view) const;
    static void ClearQuestion(QuestionView& view);

private:
    std::vector<std::array<QString, kColumns>> rows_;
    std::vector<std::int32_t> answerMs_;  // -1 while unanswered
};

// 你的得分是 N 分 spread over 14 cells; cell 5 holds the latest score text and
// the blank tail lets the sentence run out of the marquee.
using ScoreLine = std::array<QString, 14>;
inline constexpr int kScoreTextCell = 5;

// What the dialog was asked for when the current set was made, kept so that
// the marked set can go into the practice record once.
struct SetChoice {
    QString mask;
    std::int16_t range = 0;
    std::int16_t count = 0;
    bool recorded = false;
    // "new" for a set from the dialog, "review" for one made of the facts still due.
    QString kind = QStringLiteral("new");
};

// The state of one practice session, alive for the whole run.
struct SessionState {
    QuestionStore store;
    std::int16_t questionIndex = 0;
    bool setFinished = false;
    ScoreLine scoreLine;
    SetChoice choice;
};

}  // namespace tavrin
