// SPDX-License-Identifier: GPL-3.0-or-later
#include "generation/question_set.h"

#include <algorithm>
#include <cmath>

#include "generation/generators.h"
#include "session/number_text.h"

namespace tavrin {

QString OperationMask(bool addition, bool subtraction, bool multiplication, bool division) {
    QString mask;
    for (bool ticked : {addition, subtraction, multiplication, division})
        mask += ticked ? u'1' : u'0';
    return mask;
}

std::vector<Operation> OperationsForMask(QStringView mask) {
    using enum Operation;
    struct Entry {
        const char16_t* mask;
        std::vector<Operation> operations;
    };
    static const Entry table[] = {
        {u"1111", {Addition, Subtraction, Multiplication, Division}},
        {u"1110", {Addition, Subtraction, Multiplication}},
        {u"1101", {Addition, Subtraction, Division}},
        {u"1100", {Addition, Subtraction}},
        {u"1011", {Addition, Multiplication, Division}},
        {u"1010", {Addition, Multiplication}},
        {u"1001", {Addition, Division}},
        {u"1000", {Addition}},
        {u"0111", {Division, Subtraction, Multiplication}},
        {u"0110", {Multiplication, Subtraction}},
        {u"0101", {Division, Subtraction}},
        {u"0100", {Subtraction}},
        {u"0011", {Multiplication, Division}},
        {u"0010", {Multiplication}},
        {u"0001", {Division}},
    };
    for (const auto& entry : table)
        if (mask == QStringView(entry.mask)) return entry.operations;
    return {};
}

namespace {

std::optional<Operation> ChooseFrom(const std::vector<Operation>& operations,
                                    RandomSource& random) {
    if (operations.empty()) return std::nullopt;
    if (operations.size() == 1) return operations.front();
    const auto m = static_cast<double>(operations.size());
    const auto k = static_cast<std::size_t>(std::floor(random.Draw() * m));
    return operations[std::min(k, operations.size() - 1)];
}

}  // namespace

std::optional<Operation> ChooseOperation(QStringView mask, RandomSource& random) {
    return ChooseFrom(OperationsForMask(mask), random);
}

bool MakeQuestion(Operation operation, QuestionStore& store, RandomSource& random, std::int16_t n) {
    switch (operation) {
        case Operation::Addition:
            return MakeAddition(store, random, n);
        case Operation::Subtraction:
            return MakeSubtraction(store, random, n);
        case Operation::Multiplication:
            return MakeMultiplication(store, random, n);
        case Operation::Division:
            return MakeDivision(store, random, n);
    }
    return false;
}

int MakeQuestionSet(QuestionStore& store, RandomSource& random, QStringView mask,
                    std::int16_t count, std::int16_t n) {
    const auto operations = OperationsForMask(mask);
    if (operations.empty() || count <= 0) return 0;
    store.Reserve(count);
    int made = 0;
    for (int q = 1; q <= count; ++q) {
        const auto operation = ChooseFrom(operations, random);
        if (!operation) break;
        if (MakeQuestion(*operation, store, random, n)) ++made;
    }
    return made;
}

RangeBounds SafeRange(Operation operation) {
    // Addition forms n − a with a up to 1, and subtraction's difference reaches
    // −n: both leave 16 bits only at −32768. A product reaches n·(n−1) for a
    // positive range and n·(n+1) for a negative one; a dividend reaches n² and
    // (n+1)².
    switch (operation) {
        case Operation::Addition:
        case Operation::Subtraction:
            return {-32767, 32767};
        case Operation::Multiplication:
            return {-181, 181};
        case Operation::Division:
            return {-182, 181};
    }
    return {0, 0};
}

QuestionSetCheck CheckQuestionSetInput(QStringView rangeText, QStringView countText,
                                       QStringView mask) {
    QuestionSetCheck check;
    // A number beyond 16 bits is too large or too small by its sign.
    const auto count = Number(countText);
    if (!count) {
        check.ok = false;
        check.message = LeadingNumber(countText) < 0
                            ? QStringLiteral("题目数量太小了。请输入 0 到 32767 之间的数。")
                            : QStringLiteral("题目数量太大了。请输入不超过 32767 的数。");
        return check;
    }
    const auto range = Number(rangeText);
    if (!range) {
        check.ok = false;
        check.message = QStringLiteral("运算范围的数%1了。请输入 -32768 到 32767 之间的数。")
                            .arg(LeadingNumber(rangeText) < 0 ? QStringLiteral("太小")
                                                              : QStringLiteral("太大"));
        return check;
    }
    check.count = *count;
    check.range = *range;

    RangeBounds bounds{-32768, 32767};
    bool timesOrDivide = false;
    for (Operation operation : OperationsForMask(mask)) {
        const RangeBounds safe = SafeRange(operation);
        bounds.lowest = std::max(bounds.lowest, safe.lowest);
        bounds.highest = std::min(bounds.highest, safe.highest);
        timesOrDivide |= operation == Operation::Multiplication || operation == Operation::Division;
    }
    if (*count > 0 && (*range < bounds.lowest || *range > bounds.highest)) {
        check.ok = false;
        check.message =
            (timesOrDivide
                 ? QStringLiteral(
                       "做乘法或除法时，运算范围要在 %1 到 %2 之间，不然数字太大，算不出来。")
                 : QStringLiteral("运算范围要在 %1 到 %2 之间。"))
                .arg(bounds.lowest)
                .arg(bounds.highest);
    }
    return check;
}

}  // namespace tavrin
