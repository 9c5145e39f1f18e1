// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/number_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

namespace tavrin {

namespace {

// Every 16-bit value as operand text, built at compile time. A large set
// writes tens of thousands of number texts; pointing into this table instead
// of allocating each one makes the set several times quicker to make.
constexpr int kWidth = 7;  // "-32768" and " 32767" are six characters, plus a terminator
struct DecimalTable {
    char16_t text[65536][kWidth]{};
    unsigned char length[65536]{};
};

constexpr DecimalTable MakeDecimalTable() {
    DecimalTable table;
    for (int value = -32768; value <= 32767; ++value) {
        char16_t digits[kWidth]{};
        int count = 0;
        int magnitude = value < 0 ? -value : value;
        do {
            digits[count++] = static_cast<char16_t>(u'0' + magnitude % 10);
            magnitude /= 10;
        } while (magnitude != 0);
        auto& text = table.text[value + 32768];
        int n = 0;
        text[n++] = value < 0 ? u'-' : u' ';
        while (count > 0) text[n++] = digits[--count];
        table.length[value + 32768] = static_cast<unsigned char>(n);
    }
    return table;
}

constexpr DecimalTable kDecimals = MakeDecimalTable();

QString Decimal(std::int16_t value, bool signPosition) {
    const auto index = static_cast<std::size_t>(value + 32768);
    const char16_t* text = kDecimals.text[index];
    qsizetype length = kDecimals.length[index];
    if (!signPosition && value >= 0) ++text, --length;
    return QString::fromRawData(reinterpret_cast<const QChar*>(text), length);
}

}  // namespace

QString OperandText(std::int16_t value) { return Decimal(value, true); }

QString ResultText(std::int16_t value) { return Decimal(value, false); }

namespace {

bool IsBlank(QChar c) { return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r'; }
bool IsDigit(QChar c) { return c >= u'0' && c <= u'9'; }

// Copies the longest prefix that forms a number into plain ASCII, skipping
// blanks; from_chars then reads it without any dependence on the locale.
std::string NumberPrefix(QStringView text, bool& negative) {
    std::string out;
    qsizetype i = 0;
    auto skipBlanks = [&] {
        while (i < text.size() && IsBlank(text[i])) ++i;
    };
    skipBlanks();
    negative = false;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) {
        negative = text[i] == u'-';
        ++i;
    }
    bool digits = false;
    auto takeDigits = [&] {
        for (skipBlanks(); i < text.size() && IsDigit(text[i]); skipBlanks()) {
            out.push_back(static_cast<char>(text[i++].unicode()));
            digits = true;
        }
    };
    takeDigits();
    if (i < text.size() && text[i] == u'.') {
        out.push_back('.');
        ++i;
        takeDigits();
    }
    if (!digits) return {};
    skipBlanks();
    if (i < text.size() && (text[i] == u'e' || text[i] == u'E')) {
        std::string exponent = "e";
        qsizetype j = i + 1;
        while (j < text.size() && IsBlank(text[j])) ++j;
        if (j < text.size() && (text[j] == u'-' || text[j] == u'+')) {
            exponent.push_back(static_cast<char>(text[j].unicode()));
            ++j;
        }
        bool expDigits = false;
        for (; j < text.size(); ++j) {
            if (IsBlank(text[j])) continue;
            if (!IsDigit(text[j])) break;
            exponent.push_back(static_cast<char>(text[j].unicode()));
            expDigits = true;
        }
        if (expDigits) out += exponent;
    }
    return out;
}

// The power of ten of the first significant digit of a prefix such as
// "0.000123e-5" (-9 here); how it is spelt does not matter, only its value.
long long DecimalExponent(const std::string& prefix) {
    const std::size_t e = std::min(prefix.find('e'), prefix.size());
    const std::size_t point = std::min(prefix.find('.'), e);
    const std::size_t first = prefix.find_first_of("123456789");
    if (first >= e) return 0;  // all zeros
    long long exponent = 0;
    for (std::size_t i = e + 1; i < prefix.size(); ++i) {
        if (prefix[i] >= '0' && prefix[i] <= '9')
            exponent = std::min(exponent * 10 + (prefix[i] - '0'), 1'000'000'000'000LL);
    }
    if (e + 1 < prefix.size() && prefix[e + 1] == '-') exponent = -exponent;
    const long long position = first < point ? static_cast<long long>(point - first) - 1
                                             : -static_cast<long long>(first - point);
    return position + exponent;
}

}  // namespace

double LeadingNumber(QStringView text) {
    bool negative = false;
    const std::string prefix = NumberPrefix(text, negative);
    if (prefix.empty()) return 0.0;
    double value = 0.0;
    auto [end, ec] = std::from_chars(prefix.data(), prefix.data() + prefix.size(), value);
    if (ec == std::errc::result_out_of_range) {
        // Beyond what a double holds: infinite for large values, zero for tiny
        // ones; either way the caller sees it for what it is.
        value = DecimalExponent(prefix) < 0 ? 0.0 : HUGE_VAL;
    } else if (ec != std::errc{}) {
        value = 0.0;
    }
    return negative ? -value : value;
}

std::optional<std::int16_t> Number(QStringView text) {
    const double rounded = std::nearbyint(LeadingNumber(text));  // half to even
    if (!(rounded >= -32768.0 && rounded <= 32767.0)) return std::nullopt;
    return static_cast<std::int16_t>(rounded);
}

}  // namespace tavrin
