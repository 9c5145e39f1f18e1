// SPDX-License-Identifier: GPL-3.0-or-later
#include "record/review.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <set>

#include "generation/random_source.h"
#include "record/record_store.h"

namespace tavrin {
namespace {

TEST(ReviewRules, OnTimeAllowsThreeSecondsAndOneMorePerFurtherDigit) {
    const struct {
        const char* result;
        bool right;
        std::optional<int> ms;
        bool onTime;
    } rows[] = {
        {"7", true, 3000, true},   {"7", true, 3001, false},  {"12", true, 4000, true},
        {"12", true, 4001, false}, {"100", true, 5000, true}, {"-3", true, 3000, true},
        {"-3", true, 3500, false}, {"7", false, 900, false},  {"7", true, std::nullopt, false},
        {"0", true, 0, true},
    };
    for (const auto& r : rows)
        EXPECT_EQ(IsOnTime(r.right, r.ms, QString::fromUtf8(r.result)), r.onTime)
            << r.result << " in " << r.ms.value_or(-1) << " ms, right " << r.right;
}

// One answer of a history: its set, right or wrong, and its time (0 for none).
struct A {
    int set;
    bool right;
    int ms;
};
std::vector<FactAnswer> History(std::initializer_list<A> answers) {
    std::vector<FactAnswer> h;
    for (const A& a : answers)
        h.push_back({a.set, static_cast<std::int64_t>(h.size()), a.right,
                     a.ms ? std::optional<int>(a.ms) : std::nullopt});
    return h;
}
constexpr int kQuick = 1200, kSlow = 6000, kUntimed = 0;

TEST(ReviewRules, DueRuleAndStateFollowEachHistory) {
    const struct {
        const char* why;
        std::vector<FactAnswer> history;
        bool due;
        Miss lastMiss;
        FactState state;
    } rows[] = {
        {"never met", History({}), false, Miss::None, FactState::NotMet},
        {"latest wrong", History({{1, false, kQuick}}), true, Miss::Wrong, FactState::Due},
        {"latest slow", History({{1, true, kQuick}, {2, true, kSlow}}), true, Miss::Slow,
         FactState::Due},
        {"once on time", History({{1, true, kQuick}}), false, Miss::None, FactState::Slow},
        {"on time in two sets", History({{1, true, kQuick}, {2, true, kQuick}}), false, Miss::None,
         FactState::Known},
        {"missed, then on time once", History({{1, false, kQuick}, {2, true, kQuick}}), true,
         Miss::Wrong, FactState::Due},
        {"missed, then on time twice in one set",
         History({{1, false, kQuick}, {2, true, kQuick}, {2, true, kQuick}}), true, Miss::Wrong,
         FactState::Due},
        {"missed, then on time in two sets",
         History({{1, false, kQuick}, {2, true, kQuick}, {3, true, kQuick}}), false, Miss::None,
         FactState::Known},
        {"slow, then on time in two sets",
         History({{1, false, kQuick}, {2, true, kSlow}, {3, true, kQuick}, {4, true, kQuick}}),
         false, Miss::None, FactState::Known},
        {"a wrong answer after a slow one",
         History({{1, true, kSlow}, {2, false, kQuick}, {3, true, kQuick}}), true, Miss::Wrong,
         FactState::Due},
        {"a miss older than the last three",
         History({{1, false, kQuick},
                  {2, true, kSlow + 1},
                  {3, true, kQuick},
                  {4, true, kQuick},
                  {5, true, kQuick}}),
         false, Miss::None, FactState::Known},
        {"an old miss, then untimed right answers",
         History(
             {{1, false, kUntimed}, {2, true, kUntimed}, {3, true, kUntimed}, {4, true, kUntimed}}),
         false, Miss::None, FactState::Slow},
        {"an old miss, then one untimed right answer",
         History({{1, false, kUntimed}, {2, true, kUntimed}}), true, Miss::Wrong, FactState::Due},
    };
    for (const auto& r : rows) {
        const DueVerdict v = JudgeFact(r.history, u"7");
        EXPECT_EQ(v.due, r.due) << r.why;
        if (r.due) {
            EXPECT_EQ(v.lastMiss, r.lastMiss) << r.why;
        }
        EXPECT_EQ(StateOf(r.history, u"7"), r.state) << r.why;
    }
}

FactHistory Fact(int a, const char* sign, std::vector<FactAnswer> history) {
    return {QString::number(a).rightJustified(2), QString::fromUtf8(sign), QStringLiteral(" 1"),
            QString::number(a + 1), std::move(history)};
}
FactAnswer At(std::int64_t order, bool right, int ms) { return {order, order, right, ms}; }

TEST(ReviewChoice, WrongBeforeSlowMostRecentlyMissedFirstAtMostTwenty) {
    std::vector<FactHistory> facts;
    for (int a = 1; a <= 24; ++a) facts.push_back(Fact(a, "＋", {At(100 + a, false, kQuick)}));
    for (int a = 30; a <= 33; ++a) facts.push_back(Fact(a, "×", {At(500 + a, true, kSlow)}));
    facts.push_back(Fact(40, "－", {At(999, true, kQuick)}));
    // Wrong long ago, slow lately: it counts as slow, behind every wrong one.
    facts.push_back(Fact(41, "÷", {At(1, false, kQuick), At(998, true, kSlow)}));

    const auto chosen = ChooseReviewFacts(facts);
    ASSERT_EQ(chosen.size(), 20u);
    for (std::size_t i = 0; i < chosen.size(); ++i)
        EXPECT_EQ(chosen[i].first.trimmed().toInt(), 24 - static_cast<int>(i))
            << "the wrong ones, the latest miss first";

    // Fewer wrong ones leave room for the slow ones, after them.
    facts.erase(facts.begin() + 2, facts.begin() + 24);
    const auto mixed = ChooseReviewFacts(facts);
    QStringList order;
    for (const FactHistory& f : mixed) order << f.first.trimmed();
    EXPECT_EQ(order, QStringList({"2", "1", "41", "33", "32", "31", "30"}));

    RandomSource random([] { return 0.25; });
    const QuestionStore set = MakeReviewSet(mixed, random);
    ASSERT_EQ(set.RowCount(), 7);
    std::multiset<QString> shown, expected;
    for (std::int16_t row = 0; row < set.RowCount(); ++row)
        shown.insert(set.Cell(1, row).trimmed());
    for (const QString& f : order) expected.insert(f);
    EXPECT_EQ(shown, expected) << "every chosen fact once";
    QStringList setOrder;
    for (std::int16_t row = 0; row < set.RowCount(); ++row) setOrder << set.Cell(1, row).trimmed();
    EXPECT_NE(setOrder, order) << "shown in random order";
    const SetChoice choice = ReviewChoice(set);
    EXPECT_EQ(choice.kind, "review");
    EXPECT_EQ(choice.mask, "1011");
    EXPECT_EQ(choice.range, 41);

    EXPECT_TRUE(ChooseReviewFacts({Fact(1, "＋", {At(1, true, kQuick)})}).empty());
    EXPECT_TRUE(ChooseReviewFacts({}).empty());
}

MarkedSet SetOf(std::initializer_list<RecordedQuestion> questions) {
    MarkedSet set;
    set.markedAt = QDateTime::currentDateTime();
    set.mask = "1010";
    set.questions = questions;
    set.count = static_cast<int>(set.questions.size());
    return set;
}

// Through the record: only each fact's latest answers are read, oldest first, and
// what they make due is what the review set holds.
TEST(ReviewChoice, ReadsEachFactsLatestAnswersFromTheRecord) {
    QTemporaryDir dir;
    const RecordStore store(dir.filePath("record.sqlite"));
    EXPECT_TRUE(store.LoadLatestAnswers().facts.empty()) << "no record, nothing due";
    const RecordedQuestion wrong{" 3", "＋", " 4", "7", "8", false, 2000};
    const RecordedQuestion right{" 3", "＋", " 4", "7", "7", true, 1500};
    const RecordedQuestion slow{" 6", "×", " 7", "42", "42", true, 9000};
    const RecordedQuestion quick{" 6", "×", " 7", "42", "42", true, 2000};
    const RecordedQuestion untimed{" 2", "＋", " 2", "4", "5", false, std::nullopt};
    for (const MarkedSet& set : {SetOf({untimed, wrong, slow}), SetOf({right, quick}),
                                 SetOf({right, quick}), SetOf({quick, wrong})})
        ASSERT_TRUE(store.Append(set).stored);

    const auto latest = store.LoadLatestAnswers();
    ASSERT_TRUE(latest.error.isEmpty()) << latest.error.toStdString();
    ASSERT_EQ(latest.facts.size(), 3u);
    for (const FactHistory& f : latest.facts) {
        EXPECT_LE(f.answers.size(), 3u);
        for (std::size_t i = 1; i < f.answers.size(); ++i)
            EXPECT_LT(f.answers[i - 1].order, f.answers[i].order) << "oldest first";
    }
    const auto chosen = ChooseReviewFacts(latest.facts);
    ASSERT_EQ(chosen.size(), 2u);
    EXPECT_EQ(chosen[0].first + chosen[0].sign + chosen[0].second, " 3＋ 4") << "missed last";
    EXPECT_EQ(chosen[1].first + chosen[1].sign + chosen[1].second, " 2＋ 2");
    EXPECT_EQ(chosen[0].result, "7");
}

}  // namespace
}  // namespace tavrin
