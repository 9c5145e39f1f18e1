// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/number_text.h"

#include <gtest/gtest.h>

namespace tavrin {
namespace {

TEST(NumberText, OperandsCarryASignPositionAndResultsDoNot) {
    EXPECT_EQ(OperandText(7), QStringLiteral(" 7"));
    EXPECT_EQ(OperandText(0), QStringLiteral(" 0"));
    EXPECT_EQ(OperandText(-1), QStringLiteral("-1"));
    EXPECT_EQ(OperandText(-32768), QStringLiteral("-32768"));
    EXPECT_EQ(ResultText(7), QStringLiteral("7"));
    EXPECT_EQ(ResultText(0), QStringLiteral("0"));
    EXPECT_EQ(ResultText(-1), QStringLiteral("-1"));
}

TEST(NumberText, ReadsTheLeadingNumberRoundedHalfToEven) {
    const struct {
        const char* text;
        int value;
    } cases[] = {
        {"", 0},          {"abc", 0},         {" 12", 12},        {"2.5", 2},     {"3.5", 4},
        {"-3", -3},       {"1e2", 100},       {"12abc", 12},      {"-2.5", -2},   {"0.5", 0},
        {"1.5", 2},       {"+5", 5},          {"1 2", 12},        {"\t7\n", 7},   {".5", 0},
        {"5.", 5},        {"1e", 1},          {"1e-1", 0},        {"-", 0},       {"e5", 0},
        {"32767", 32767}, {"-32768", -32768}, {"32767.4", 32767}, {"1E+2x", 100}, {"- 4", -4},
        {"12-3", 12},     {"２", 0},
    };
    for (const auto& c : cases) {
        const auto value = Number(QString::fromUtf8(c.text));
        ASSERT_TRUE(value.has_value()) << c.text;
        EXPECT_EQ(*value, c.value) << "text: \"" << c.text << '"';
    }
    // Beyond a double's range, told by value: tiny however many digits it has.
    EXPECT_EQ(Number(QString("0." + QString(330, '0') + "1")), 0);
}

TEST(NumberText, ReportsValuesBeyondSixteenBitsInsteadOfWrapping) {
    for (const char* text : {"99999", "32768", "-32769", "32767.5", "1e5", "1e400",
                             "123456789012345678901234567890", "-1e999"}) {
        EXPECT_FALSE(Number(QString::fromUtf8(text)).has_value()) << text;
    }
    EXPECT_FALSE(Number(QString("1" + QString(400, '0') + "e-1")).has_value());
    EXPECT_DOUBLE_EQ(LeadingNumber(u"99999"), 99999.0);
    EXPECT_TRUE(Number(u"1e-999").has_value());
}

}  // namespace
}  // namespace tavrin
