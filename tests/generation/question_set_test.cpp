// SPDX-License-Identifier: GPL-3.0-or-later
#include "generation/question_set.h"

#include <gtest/gtest.h>

#include <map>

namespace tavrin {
namespace {

using enum Operation;

RandomSource FixedClockSource() {
    return RandomSource([] { return 1234.5; });
}

TEST(OperationChoice, EveryMaskMapsDrawsToItsOperations) {
    const std::map<QString, std::vector<Operation>> expected = {
        {"1111", {Addition, Subtraction, Multiplication, Division}},
        {"1110", {Addition, Subtraction, Multiplication}},
        {"1101", {Addition, Subtraction, Division}},
        {"1100", {Addition, Subtraction}},
        {"1011", {Addition, Multiplication, Division}},
        {"1010", {Addition, Multiplication}},
        {"1001", {Addition, Division}},
        {"1000", {Addition}},
        {"0111", {Division, Subtraction, Multiplication}},
        {"0110", {Multiplication, Subtraction}},
        {"0101", {Division, Subtraction}},
        {"0100", {Subtraction}},
        {"0011", {Multiplication, Division}},
        {"0010", {Multiplication}},
        {"0001", {Division}},
        {"0000", {}},
    };
    for (const auto& [mask, operations] : expected) {
        EXPECT_EQ(OperationsForMask(mask), operations) << mask.toStdString();
        const bool a = mask[0] == '1', s = mask[1] == '1', m = mask[2] == '1', d = mask[3] == '1';
        EXPECT_EQ(OperationMask(a, s, m, d), mask);
    }
    EXPECT_TRUE(OperationsForMask(u"11").empty());
}

TEST(OperationChoice, DrawsOncePerQuestionAndNotAtAllForOneOperation) {
    auto random = FixedClockSource();
    auto twin = random;
    EXPECT_EQ(ChooseOperation(u"0010", random), Multiplication);
    EXPECT_EQ(ChooseOperation(u"0000", random), std::nullopt);
    EXPECT_EQ(random.Draw(), twin.Draw()) << "no draw was made";

    // k = ⌊r·m⌋ picks from the mask's list.
    for (int i = 0; i < 100; ++i) {
        auto replay = random;
        const double r = replay.Draw();
        const auto chosen = ChooseOperation(u"0111", random);
        EXPECT_EQ(chosen, OperationsForMask(u"0111")[std::size_t(r * 3)]);
        EXPECT_EQ(random.Draw(), replay.Draw());
    }
}

TEST(QuestionSet, MixesTheTickedOperationsRowByRow) {
    auto random = FixedClockSource();
    QuestionStore store;
    EXPECT_EQ(MakeQuestionSet(store, random, u"1100", 20, 20), 20);
    std::map<QString, int> signs;
    for (std::int16_t r = 0; r < store.RowCount(); ++r) ++signs[store.Cell(2, r)];
    EXPECT_EQ(signs.size(), 2u);
    EXPECT_EQ(signs["＋"] + signs["－"], 20);

    QuestionStore none;
    EXPECT_EQ(MakeQuestionSet(none, random, u"0000", 10, 20), 0);
    EXPECT_EQ(MakeQuestionSet(none, random, u"1111", 0, 20), 0);
    EXPECT_EQ(MakeQuestionSet(none, random, u"1111", -5, 20), 0);
    EXPECT_EQ(none.RowCount(), 0);
}

TEST(QuestionSetCheck, RefusesNumbersAndRangesThatCannotBeComputed) {
    const struct {
        const char* range;
        const char* count;
        const char* mask;
        bool ok;
    } cases[] = {
        {"181", "10", "1111", true},     {"182", "10", "0010", false},
        {"182", "10", "0001", false},    {"182", "10", "1100", true},
        {"-181", "10", "0010", true},    {"-182", "10", "0010", false},
        {"-182", "10", "0001", true},    {"-183", "10", "0001", false},
        {"-32768", "10", "1000", false}, {"-32767", "10", "0100", true},
        {"32767", "10", "1100", true},   {"99999", "10", "1000", false},
        {"10", "99999", "1000", false},  {"10", "-40000", "1000", false},
        {"5000", "0", "0010", true},     {"5000", "10", "0000", true},
        {"", "10", "0011", true},        {"abc", "3", "1111", true},
    };
    for (const auto& c : cases) {
        const auto check = CheckQuestionSetInput(QString::fromUtf8(c.range),
                                                 QString::fromUtf8(c.count), QString(c.mask));
        EXPECT_EQ(check.ok, c.ok) << c.range << " / " << c.count << " / " << c.mask;
        EXPECT_EQ(check.message.isEmpty(), c.ok);
    }
    const auto refused = CheckQuestionSetInput(u"200", u"10", u"1010");
    EXPECT_TRUE(refused.message.contains("-181")) << refused.message.toStdString();
    EXPECT_TRUE(refused.message.contains("181"));
    // Beyond 16 bits the message says which way.
    const struct {
        const char16_t *range, *count, *message;
    } beyond[] = {
        {u"99999", u"10", u"运算范围的数太大了。请输入 -32768 到 32767 之间的数。"},
        {u"-32769", u"10", u"运算范围的数太小了。请输入 -32768 到 32767 之间的数。"},
        {u"-1e400", u"10", u"运算范围的数太小了。请输入 -32768 到 32767 之间的数。"},
        {u"10", u"32768", u"题目数量太大了。请输入不超过 32767 的数。"},
        {u"10", u"-40000", u"题目数量太小了。请输入 0 到 32767 之间的数。"},
    };
    for (const auto& b : beyond)
        EXPECT_EQ(CheckQuestionSetInput(b.range, b.count, u"1000").message,
                  QString::fromUtf16(b.message));
    const auto read = CheckQuestionSetInput(u"2.5", u"3.5", u"1000");
    EXPECT_EQ(read.range, 2);
    EXPECT_EQ(read.count, 4);
}

}  // namespace
}  // namespace tavrin
