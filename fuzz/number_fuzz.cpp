// SPDX-License-Identifier: GPL-3.0-or-later
// Number() against strtold on the same text, and the question-set check
// against what the generators then make.

#include <QString>
#include <algorithm>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "generation/generators.h"
#include "session/number_text.h"
#include "generation/question_set.h"
#include "session/question_store.h"

namespace {

using namespace tavrin;

// The reading rule, told independently: blanks anywhere are dropped, anything
// but ASCII ends the number, and the C library reads the rest in long double.
long double Oracle(const QString& text) {
    std::string ascii;
    for (QChar c : text) {
        if (c == u' ' || c == u'\t' || c == u'\n' || c == u'\r') continue;
        const char16_t u = c.unicode();
        const bool plain =
            (u >= '0' && u <= '9') || u == '.' || u == '+' || u == '-' || u == 'e' || u == 'E';
        ascii.push_back(plain ? char(u) : '#');
    }
    // strtold also reads "0x1p3", "inf" and "nan", which are no numbers here.
    std::size_t digits = ascii.find_first_not_of("+-");
    if (digits > 1 || digits == std::string::npos) return 0;
    if (ascii.compare(digits, 2, "0x") == 0 || ascii.compare(digits, 2, "0X") == 0)
        ascii.resize(digits + 1);
    return std::strtold(ascii.c_str(), nullptr);
}

// Draws taken from the input, so the fuzzer steers the generators too.
class InputRandom : public RandomSource {
public:
    InputRandom(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    double Draw() override { return size_ ? data_[next_++ % size_] / 256.0 : 0.0; }
    void Reseed() override {}

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t next_ = 0;
};

void CheckNumber(const QString& text) {
    const std::optional<std::int16_t> value = Number(text);
    const long double expected = Oracle(text);
    // Half-way cases may fall either side once the text is read as a double.
    constexpr long double kSlack = 1e-9L;
    if (value) {
        if (std::fabs(*value - expected) > 0.5L + kSlack) std::abort();
    } else if (expected > -32768.5L + kSlack && expected < 32767.5L - kSlack) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Layout: mask byte, then range text and count text split at the first NUL.
    if (size < 1) return 0;
    const QString mask = OperationMask(data[0] & 1, data[0] & 2, data[0] & 4, data[0] & 8);
    const std::string rest(reinterpret_cast<const char*>(data + 1), size - 1);
    const std::size_t split = std::min(rest.find('\0'), rest.size());
    const QString range = QString::fromUtf8(rest.substr(0, split));
    const QString count = QString::fromUtf8(rest.substr(std::min(split + 1, rest.size())));
    CheckNumber(range);
    CheckNumber(count);

    const QuestionSetCheck check = CheckQuestionSetInput(range, count, mask);
    const auto typedRange = Number(range);
    const auto typedCount = Number(count);
    if (check.ok
            ? !typedRange || !typedCount || check.range != *typedRange || check.count != *typedCount
            : check.message.isEmpty())
        std::abort();
    if (!check.ok || check.count <= 0 || OperationsForMask(mask).empty()) return 0;
    // What passes the check must make every question, each one right.
    QuestionStore store;
    InputRandom random(data, size);
    const auto wanted = static_cast<std::int16_t>(std::min<int>(check.count, 32));
    if (MakeQuestionSet(store, random, mask, wanted, check.range) != wanted) std::abort();
    for (std::int16_t row = 0; row < store.RowCount(); ++row) {
        const int a = *Number(store.Cell(1, row));
        const int b = *Number(store.Cell(3, row));
        const int result = *Number(store.Cell(4, row));
        const char16_t sign = store.Cell(2, row).at(0).unicode();
        const bool right = sign == kPlusSign    ? a + b == result
                           : sign == kMinusSign ? a - b == result
                           : sign == kTimesSign ? a * b == result
                                                : a == b * result;  // 0 ÷ 0 may be asked
        if (!right) std::abort();
    }
    return 0;
}
