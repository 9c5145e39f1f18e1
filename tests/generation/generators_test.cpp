// SPDX-License-Identifier: GPL-3.0-or-later
#include "generation/generators.h"

#include <gtest/gtest.h>

#include <cmath>
#include <deque>
#include <set>

#include "session/number_text.h"
#include "generation/question_set.h"

namespace tavrin {
namespace {

RandomSource FixedClockSource(double seconds = 36000.25) {
    return RandomSource([seconds] { return seconds; });
}

// Hands out prepared draws, so the formulas can be checked at their extremes.
class ScriptedSource : public RandomSource {
public:
    explicit ScriptedSource(std::deque<double> draws) : draws_(std::move(draws)) {}
    double Draw() override {
        const double r = draws_.front();
        draws_.pop_front();
        return r;
    }
    void Reseed() override { ++reseeds; }
    int reseeds = 0;

private:
    std::deque<double> draws_;
};

constexpr double kAlmostOne = 1.0 - 0x1.0p-53;

struct Row {
    QString first, sign, second, result, answer;
};

Row LastRow(const QuestionStore& store) {
    const auto r = static_cast<std::int16_t>(store.RowCount() - 1);
    return {store.Cell(1, r), store.Cell(2, r), store.Cell(3, r), store.Cell(4, r),
            store.Cell(5, r)};
}

int Value(const QString& text) { return text.trimmed().toInt(); }

using Generator = bool (*)(QuestionStore&, RandomSource&, std::int16_t);

TEST(Generators, RangeOneMakesTheOnlyPossibleQuestions) {
    const struct {
        Generator make;
        Row row;
    } cases[] = {
        {MakeAddition, {" 1", "＋", " 0", "1", ""}},
        {MakeSubtraction, {" 0", "－", " 0", "0", ""}},
        {MakeMultiplication, {" 1", "×", " 0", "0", ""}},
        {MakeDivision, {" 1", "÷", " 1", "1", ""}},
    };
    for (const auto& c : cases) {
        QuestionStore store;
        auto random = FixedClockSource();
        for (int i = 0; i < 50; ++i) ASSERT_TRUE(c.make(store, random, 1));
        for (std::int16_t r = 0; r < store.RowCount(); ++r) {
            EXPECT_EQ(store.Cell(1, r), c.row.first);
            EXPECT_EQ(store.Cell(2, r), c.row.sign);
            EXPECT_EQ(store.Cell(3, r), c.row.second);
            EXPECT_EQ(store.Cell(4, r), c.row.result);
            EXPECT_TRUE(store.Cell(5, r).isNull() || store.Cell(5, r).isEmpty());
        }
    }
}

TEST(Generators, RangeZeroFollowsTheFormulas) {
    QuestionStore store;
    auto random = FixedClockSource();
    MakeSubtraction(store, random, 0);
    MakeMultiplication(store, random, 0);
    MakeDivision(store, random, 0);
    EXPECT_EQ(store.Cell(1, 0) + store.Cell(2, 0) + store.Cell(3, 0) + "=" + store.Cell(4, 0),
              QStringLiteral(" 0－ 0=0"));
    EXPECT_EQ(store.Cell(1, 1) + store.Cell(2, 1) + store.Cell(3, 1) + "=" + store.Cell(4, 1),
              QStringLiteral(" 1× 0=0"));
    EXPECT_EQ(store.Cell(1, 2) + store.Cell(2, 2) + store.Cell(3, 2) + "=" + store.Cell(4, 2),
              QStringLiteral(" 1÷ 1=1"));

    // The second addend is ⌊−r⌋: −1 for every draw but exactly 0.
    ScriptedSource zero({0.5, 0.0});
    ScriptedSource other({0.5, 0.25});
    QuestionStore sums;
    MakeAddition(sums, zero, 0);
    MakeAddition(sums, other, 0);
    EXPECT_EQ(sums.Cell(1, 0) + sums.Cell(3, 0) + "=" + sums.Cell(4, 0), QStringLiteral(" 1 0=1"));
    EXPECT_EQ(sums.Cell(1, 1) + sums.Cell(3, 1) + "=" + sums.Cell(4, 1), QStringLiteral(" 1-1=0"));
}

TEST(Generators, EachReseedsThenDrawsTwiceThenAppendsOneRow) {
    // Replaying the same draws by hand must give the same row, so the order of
    // the steps and the formulas are the ones the children's sets rely on.
    for (std::int16_t n : {7, 20, 181, -9}) {
        auto random = FixedClockSource();
        QuestionStore store;
        for (int i = 0; i < 200; ++i) {
            auto replay = random;
            replay.Reseed();
            const double r1 = replay.Draw();
            const double r2 = replay.Draw();
            const int op = i % 4;
            int a = 0, b = 0, first = 0, second = 0, result = 0;
            switch (op) {
                case 0:
                    a = int(std::floor(r1 * n + 1)), b = int(std::floor(r2 * (n - a)));
                    first = a, second = b, result = a + b;
                    MakeAddition(store, random, n);
                    break;
                case 1:
                    a = int(std::floor(r1 * n)), b = int(std::floor(r2 * n));
                    if (a < b) std::swap(a, b);
                    first = a, second = b, result = a - b;
                    MakeSubtraction(store, random, n);
                    break;
                case 2:
                    a = int(std::floor(r1 * n + 1)), b = int(std::floor(r2 * n));
                    first = a, second = b, result = a * b;
                    MakeMultiplication(store, random, n);
                    break;
                case 3:
                    a = int(std::floor(r1 * n + 1)), b = int(std::floor(r2 * n + 1));
                    first = a * b, second = a, result = b;
                    MakeDivision(store, random, n);
                    break;
            }
            const Row row = LastRow(store);
            ASSERT_EQ(store.RowCount(), i + 1);
            EXPECT_EQ(row.first, OperandText(std::int16_t(first)));
            EXPECT_EQ(row.second, OperandText(std::int16_t(second)));
            EXPECT_EQ(row.result, ResultText(std::int16_t(result)));
            // The next draw continues where the generator left the source.
            EXPECT_EQ(random.Draw(), replay.Draw());
        }
    }
}

TEST(Generators, StayWithinTheirBoundsOverManyDraws) {
    for (int n : {1, 10, 20, 100, 181}) {
        auto random = FixedClockSource(n);
        QuestionStore store;
        std::set<int> firstAddends, divisors;
        for (int i = 0; i < 4000; ++i) {
            ASSERT_TRUE(MakeAddition(store, random, std::int16_t(n)));
            Row row = LastRow(store);
            const int a = Value(row.first), b = Value(row.second), s = Value(row.result);
            firstAddends.insert(a);
            EXPECT_TRUE(a >= 1 && a <= n && b >= 0 && a + b == s && s <= n) << n;
            EXPECT_TRUE(a < n ? s <= n - 1 : b == 0) << "sum N only as N + 0";

            ASSERT_TRUE(MakeSubtraction(store, random, std::int16_t(n)));
            row = LastRow(store);
            const int x = Value(row.first), y = Value(row.second), d = Value(row.result);
            EXPECT_TRUE(y >= 0 && x >= y && x <= n - 1 && d == x - y && d >= 0);

            ASSERT_TRUE(MakeMultiplication(store, random, std::int16_t(n)));
            row = LastRow(store);
            const int f = Value(row.first), g = Value(row.second), p = Value(row.result);
            EXPECT_TRUE(f >= 1 && f <= n && g >= 0 && g <= n - 1 && p == f * g);

            ASSERT_TRUE(MakeDivision(store, random, std::int16_t(n)));
            row = LastRow(store);
            const int dividend = Value(row.first), divisor = Value(row.second),
                      quotient = Value(row.result);
            divisors.insert(divisor);
            EXPECT_TRUE(divisor >= 1 && divisor <= n && quotient >= 1 && quotient <= n &&
                        dividend == divisor * quotient);
        }
        EXPECT_EQ(*firstAddends.begin(), 1);
        EXPECT_EQ(*firstAddends.rbegin(), n);
        if (n <= 100) {
            EXPECT_EQ(int(divisors.size()), n) << "every divisor 1..N turns up";
        }
    }
}

TEST(Generators, RangeTenAdditionReachesTenOnlyAsTenPlusZero) {
    auto random = FixedClockSource();
    QuestionStore store;
    int tens = 0;
    for (int i = 0; i < 5000; ++i) {
        MakeAddition(store, random, 10);
        const Row row = LastRow(store);
        if (Value(row.result) == 10) {
            ++tens;
            EXPECT_EQ(row.first, QStringLiteral(" 10"));
            EXPECT_EQ(row.second, QStringLiteral(" 0"));
        } else {
            EXPECT_LE(Value(row.result), 9);
        }
    }
    EXPECT_GT(tens, 0);
}

TEST(Generators, NegativeRangesFollowTheFormulasAndWriteTheirSigns) {
    auto random = FixedClockSource();
    QuestionStore store;
    bool sawNegativeOperand = false, sawZeroDivisor = false;
    for (int i = 0; i < 2000; ++i) {
        ASSERT_TRUE(MakeMultiplication(store, random, -3));
        Row row = LastRow(store);
        EXPECT_EQ(Value(row.first) * Value(row.second), Value(row.result));
        EXPECT_TRUE(Value(row.first) >= -2 && Value(row.first) <= 1);
        EXPECT_TRUE(Value(row.second) >= -3 && Value(row.second) <= 0);
        if (row.first.startsWith('-')) {
            sawNegativeOperand = true;
            EXPECT_FALSE(row.first.startsWith(' '));
        }
        ASSERT_TRUE(MakeDivision(store, random, -3));
        row = LastRow(store);
        if (Value(row.second) == 0) sawZeroDivisor = true;
        EXPECT_EQ(Value(row.first), Value(row.second) * Value(row.result));
    }
    EXPECT_TRUE(sawNegativeOperand);
    EXPECT_TRUE(sawZeroDivisor) << "nothing is divided, so a divisor of 0 may stand";
}

TEST(Generators, QuestionsMadeWithinOneClockTickStillVary) {
    auto random = FixedClockSource(43200.0);  // the clock never moves
    QuestionStore store;
    std::set<QString> questions;
    for (int i = 0; i < 30; ++i) {
        MakeMultiplication(store, random, 100);
        questions.insert(LastRow(store).first + LastRow(store).second);
    }
    EXPECT_GE(questions.size(), 25u);
}

TEST(Generators, NeverWriteAValueThatLeftSixteenBits) {
    const Generator generators[] = {MakeAddition, MakeSubtraction, MakeMultiplication,
                                    MakeDivision};
    for (Generator make : generators) {
        for (int n : {-32768, -30000, -183, 182, 200, 32767}) {
            auto random = FixedClockSource(n);
            QuestionStore store;
            for (int i = 0; i < 300; ++i) make(store, random, std::int16_t(n));
            for (std::int16_t r = 0; r < store.RowCount(); ++r) {
                const long a = Value(store.Cell(1, r)), b = Value(store.Cell(3, r)),
                           c = Value(store.Cell(4, r));
                const QString sign = store.Cell(2, r);
                const long expected = sign == "＋"   ? a + b
                                      : sign == "－" ? a - b
                                      : sign == "×"  ? a * b
                                                     : a;  // dividend = divisor × quotient
                EXPECT_EQ(sign == "÷" ? b * c : c, expected) << n;
            }
        }
    }
}

// Draws at both ends of [0, 1) reach each formula's extremes, so a range is safe
// exactly when every combination of extreme draws fits.
bool FitsAtExtremes(Generator make, int n) {
    for (double r1 : {0.0, kAlmostOne})
        for (double r2 : {0.0, kAlmostOne}) {
            ScriptedSource random({r1, r2});
            QuestionStore store;
            if (!make(store, random, std::int16_t(n))) return false;
        }
    return true;
}

TEST(Generators, SafeRangesAreExactlyTheRangesThatCannotOverflow) {
    const struct {
        Operation operation;
        Generator make;
    } cases[] = {{Operation::Addition, MakeAddition},
                 {Operation::Subtraction, MakeSubtraction},
                 {Operation::Multiplication, MakeMultiplication},
                 {Operation::Division, MakeDivision}};
    for (const auto& c : cases) {
        const RangeBounds safe = SafeRange(c.operation);
        for (int n = -32768; n <= 32767; ++n) {
            const bool inside = n >= safe.lowest && n <= safe.highest;
            ASSERT_EQ(FitsAtExtremes(c.make, n), inside) << "range " << n;
        }
    }
}

}  // namespace
}  // namespace tavrin
