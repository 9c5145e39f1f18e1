// SPDX-License-Identifier: GPL-3.0-or-later
#include "record/report.h"

#include <QCoreApplication>
#include <QHash>
#include <QLocale>
#include <algorithm>
#include <map>
#include <unordered_map>

namespace tavrin {

namespace {

const char* const kOperationNames[] = {"加", "减", "乘", "除"};

QString OperationLabel(const QString& sign) {
    if (sign == u"＋") return QStringLiteral("加法 ＋");
    if (sign == u"－") return QStringLiteral("减法 －");
    if (sign == u"×") return QStringLiteral("乘法 ×");
    if (sign == u"÷") return QStringLiteral("除法 ÷");
    return sign;
}

int OperationOrder(const QString& sign) {
    static const QString order = QStringLiteral("＋－×÷");
    const auto at = order.indexOf(sign);
    return at < 0 ? 4 : static_cast<int>(at);
}

QString RangeLabel(int range) { return QStringLiteral("%1 以内").arg(range); }

QString TimeText(const QDateTime& time) {
    return time.isValid() ? time.toString(QStringLiteral("yyyy-MM-dd HH:mm")) : QStringLiteral("—");
}

// Control and format characters (escape sequences, bidirectional overrides)
// from a typed answer would act instead of showing.
QString Printable(const QString& text) {
    QString out = text;
    for (QChar& c : out)
        if (c.category() == QChar::Other_Control || c.category() == QChar::Other_Format)
            c = QChar(0xFFFD);
    return out;
}

QString AnswerText(const QString& answer) {
    return answer.isEmpty() ? QStringLiteral("（空白）") : Printable(answer);
}

QString Html(const QString& text) { return Printable(text).toHtmlEscaped(); }

int AverageScore(const ReportFigures& f) {
    if (f.sets.empty()) return 0;
    int sum = 0;
    for (const SetSummary& s : f.sets) sum += s.score;
    return sum / static_cast<int>(f.sets.size());
}

}  // namespace

QString OperationNames(const QString& mask) {
    QStringList names;
    for (int i = 0; i < 4 && i < mask.size(); ++i)
        if (mask[i] == u'1') names << QString::fromUtf8(kOperationNames[i]);
    return names.isEmpty() ? QStringLiteral("—") : names.join(u'、');
}

namespace {

// Everything the report needs about one fact.
struct FactRecord {
    MissedQuestion missed;
    std::vector<FactAnswer> history;
    std::vector<const QString*> given;  // every answer, oldest first, kept in the sets
    std::optional<int> lastMs;
};

int Median(std::vector<int>& values) {
    if (values.empty()) return 0;
    const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

struct SpeedTally {
    std::vector<int> rightMs;
    int timed = 0;
    int onTime = 0;
    void Add(const RecordedQuestion& q) {
        if (!q.answerMs) return;
        ++timed;
        if (q.right) rightMs.push_back(*q.answerMs);
        if (IsOnTime(q.right, q.answerMs, q.result)) ++onTime;
    }
    int OnTimePercent() const { return timed ? onTime * 100 / timed : 0; }
};

// A fact's three texts exactly as the record keeps them, padded or not.
struct StoredFact {
    QString first, sign, second;
    friend bool operator==(const StoredFact&, const StoredFact&) = default;
    friend size_t qHash(const StoredFact& fact, size_t seed = 0) {
        return qHashMulti(seed, fact.first, fact.sign, fact.second);
    }
};

QString FactKey(const QString& first, const QString& sign, const QString& second) {
    return first.trimmed() + u' ' + sign + u' ' + second.trimmed();
}

void FillGrids(ReportFigures& f, const std::unordered_map<QString, FactRecord>& facts) {
    static const std::vector<FactAnswer> none;
    for (const QString& sign : {QStringLiteral("＋"), QStringLiteral("×")}) {
        FactGrid grid;
        grid.sign = sign;
        for (int a = 1; a <= FactGrid::kRows; ++a)
            for (int b = 0; b < FactGrid::kColumns; ++b) {
                if (sign == u"＋" && a + b > 10) continue;
                const auto at = facts.find(FactKey(QString::number(a), sign, QString::number(b)));
                const int result = sign == u"＋" ? a + b : a * b;
                grid.cells[a - 1][b] =
                    StateOf(at == facts.end() ? none : at->second.history, QString::number(result));
            }
        f.grids.push_back(grid);
    }
}

}  // namespace

ReportFigures ComputeFigures(const std::vector<MarkedSet>& sets) {
    ReportFigures f;
    std::map<int, Accuracy> operations;  // by sign order
    std::map<int, Accuracy> ranges;
    std::map<int, SpeedTally> speed;
    std::map<std::pair<int, QDate>, SpeedTally> weeks;
    std::unordered_map<QString, FactRecord> questions;
    // A record of years holds half a million answers to a few hundred facts: finding each
    // answer's fact by its texts as stored, before trimming and joining them, keeps the
    // page within a second.
    QHash<StoredFact, FactRecord*> stored;
    QHash<QString, QHash<QString, int>> wrongAnswers;
    std::int64_t setNumber = 0, order = 0;
    for (const MarkedSet& set : sets) {
        ++setNumber;
        const QDate day = set.markedAt.date();
        const QDate monday = day.isValid() ? day.addDays(1 - day.dayOfWeek()) : QDate();
        f.sets.push_back({set.markedAt, OperationNames(set.mask), set.mask, set.range, set.count,
                          set.correct, set.score});
        Accuracy& range = ranges[set.range];
        range.label = RangeLabel(set.range);
        range.key = set.range;
        SpeedTally* week[4] = {};
        for (const RecordedQuestion& q : set.questions) {
            ++f.questions;
            const int key = OperationOrder(q.sign);
            Accuracy& op = operations[key];
            if (op.total == 0) {
                op.label = OperationLabel(q.sign);
                op.key = key;
            }
            ++op.total;
            ++range.total;
            op.right += q.right;
            range.right += q.right;
            FactRecord*& known = stored[StoredFact{q.first, q.sign, q.second}];
            if (!known) {
                const QString text = FactKey(q.first, q.sign, q.second);
                known = &questions[text];
                known->missed.question = text;
            }
            FactRecord& fact = *known;
            fact.history.push_back({setNumber, ++order, q.right, q.answerMs});
            fact.given.push_back(&q.answer);
            fact.lastMs = q.answerMs;
            if (q.answerMs && key < 4) {
                speed[key].Add(q);
                if (!week[key]) week[key] = &weeks[{key, monday}];
                week[key]->Add(q);
            }
            MissedQuestion& m = fact.missed;
            m.result = q.result;
            ++m.asked;
            if (!q.right) {
                ++m.missed;
                ++wrongAnswers[m.question][q.answer];
            }
        }
    }
    for (auto& [order, a] : operations) f.byOperation.push_back(a);
    for (auto& [range, a] : ranges) f.byRange.push_back(a);

    for (const auto& [text, fact] : questions)
        if (fact.missed.missed > 0) f.mostMissed.push_back(fact.missed);
    std::sort(f.mostMissed.begin(), f.mostMissed.end(), [](const auto& a, const auto& b) {
        if (a.missed != b.missed) return a.missed > b.missed;
        if (a.asked != b.asked) return a.asked > b.asked;
        return a.question < b.question;
    });
    if (f.mostMissed.size() > ReportFigures::kMostMissed)
        f.mostMissed.resize(ReportFigures::kMostMissed);
    for (MissedQuestion& m : f.mostMissed) {
        const auto& given = wrongAnswers[m.question];
        std::vector<std::pair<QString, int>> byCount(given.keyValueBegin(), given.keyValueEnd());
        std::sort(byCount.begin(), byCount.end(), [](const auto& a, const auto& b) {
            return a.second != b.second ? a.second > b.second : a.first < b.first;
        });
        for (const auto& [answer, times] : byCount) {
            if (m.answers.size() == ReportFigures::kAnswersShown) break;
            m.answers << answer;
        }
    }

    std::vector<std::pair<std::int64_t, DueFact>> due;
    for (const auto& [text, fact] : questions) {
        const DueVerdict verdict = JudgeFact(fact.history, fact.missed.result);
        if (!verdict.due) continue;
        DueFact d{fact.missed.question, fact.missed.result, {}, fact.lastMs};
        const auto shown = std::min<std::size_t>(fact.given.size(), ReportFigures::kAnswersShown);
        for (auto at = fact.given.end() - static_cast<std::ptrdiff_t>(shown);
             at != fact.given.end(); ++at)
            d.answers << **at;
        due.emplace_back(verdict.lastMissOrder, std::move(d));
    }
    std::sort(due.begin(), due.end(),
              [](const auto& a, const auto& b) { return a.first > b.first; });
    for (auto& [missOrder, d] : due) f.due.push_back(std::move(d));

    for (auto& [key, tally] : speed) {
        Speed s{OperationLabel(QString(QStringLiteral("＋－×÷")[key])),
                key,
                tally.timed,
                Median(tally.rightMs),
                tally.OnTimePercent(),
                {}};
        for (auto& [week, w] : weeks)
            if (week.first == key)
                s.weeks.push_back({week.second, Median(w.rightMs), w.OnTimePercent()});
        f.speed.push_back(std::move(s));
    }
    FillGrids(f, questions);
    return f;
}

namespace {

QString ScoreChart(const std::vector<SetSummary>& sets) {
    constexpr int kWidth = 760, kHeight = 260, kLeft = 44, kRight = 16, kTop = 14, kBottom = 34;
    constexpr double kPlotW = kWidth - kLeft - kRight, kPlotH = kHeight - kTop - kBottom;
    const auto n = static_cast<int>(sets.size());
    auto x = [&](int i) { return n == 1 ? kLeft + kPlotW / 2 : kLeft + kPlotW * i / (n - 1); };
    auto y = [&](int score) { return kTop + kPlotH * (100 - score) / 100.0; };
    QString svg = QStringLiteral(
                      "<svg id=\"score-chart\" xmlns=\"http://www.w3.org/2000/svg\" width=\"%1\" "
                      "height=\"%2\" viewBox=\"0 0 %1 %2\" role=\"img\" aria-label=\"得分变化\">\n")
                      .arg(kWidth)
                      .arg(kHeight);
    for (int score = 0; score <= 100; score += 20)
        svg += QStringLiteral(
                   "<line class=\"grid\" x1=\"%1\" y1=\"%2\" x2=\"%3\" y2=\"%2\"/>"
                   "<text class=\"axis\" x=\"%4\" y=\"%5\" text-anchor=\"end\">%6</text>\n")
                   .arg(kLeft)
                   .arg(y(score))
                   .arg(kWidth - kRight)
                   .arg(kLeft - 6)
                   .arg(y(score) + 4)
                   .arg(score);
    // A date under at most eight points, spread evenly, so the labels never overlap.
    const int every = std::max(1, (n + 7) / 8);
    for (int i = 0; i < n; i += every)
        svg +=
            QStringLiteral(
                "<text class=\"axis\" x=\"%1\" y=\"%2\" text-anchor=\"middle\">%3</text>\n")
                .arg(x(i))
                .arg(kHeight - 12)
                .arg(sets[static_cast<std::size_t>(i)].markedAt.toString(QStringLiteral("M月d日")));
    QString points;
    for (int i = 0; i < n; ++i)
        points +=
            QStringLiteral("%1,%2 ").arg(x(i)).arg(y(sets[static_cast<std::size_t>(i)].score));
    svg += QStringLiteral("<polyline class=\"line\" points=\"%1\"/>\n").arg(points.trimmed());
    for (int i = 0; i < n; ++i) {
        const SetSummary& s = sets[static_cast<std::size_t>(i)];
        svg += QStringLiteral(
                   "<circle class=\"dot\" cx=\"%1\" cy=\"%2\" r=\"4\"><title>%3：%4 "
                   "分</title></circle>\n")
                   .arg(x(i))
                   .arg(y(s.score))
                   .arg(TimeText(s.markedAt))
                   .arg(s.score);
    }
    return svg + QStringLiteral("</svg>\n");
}

QString AccuracyTable(const char* id, const char* heading, const std::vector<Accuracy>& rows) {
    QString html = QStringLiteral(
                       "<table id=\"%1\"><tr><th>%2</th><th>题数</th><th>答对</th>"
                       "<th>正确率</th></tr>\n")
                       .arg(QString::fromUtf8(id), QString::fromUtf8(heading));
    for (const Accuracy& a : rows)
        html += QStringLiteral(
                    "<tr><td>%1</td><td>%2</td><td>%3</td><td><span class=\"bar\">"
                    "<span style=\"width:%4%\"></span></span> %4%</td></tr>\n")
                    .arg(Html(a.label))
                    .arg(a.total)
                    .arg(a.right)
                    .arg(a.Percent());
    return html + QStringLiteral("</table>\n");
}

QString Seconds(int ms) { return QString::number(ms / 1000.0, 'f', 1); }

// One line per operation over the weeks, each point a week's value.
QString WeeklyChart(const char* id, const char* label, const std::vector<Speed>& speed,
                    int (*value)(const SpeedWeek&), double top, const QString& unit) {
    constexpr int kWidth = 760, kHeight = 220, kLeft = 44, kRight = 16, kTop = 14, kBottom = 34;
    constexpr double kPlotW = kWidth - kLeft - kRight, kPlotH = kHeight - kTop - kBottom;
    static const char* const kColours[] = {"#2e6fd8", "#d8542e", "#3a9d5d", "#9b59b6"};
    std::vector<QDate> mondays;
    for (const Speed& s : speed)
        for (const SpeedWeek& w : s.weeks) mondays.push_back(w.monday);
    std::sort(mondays.begin(), mondays.end());
    mondays.erase(std::unique(mondays.begin(), mondays.end()), mondays.end());
    const auto n = static_cast<int>(mondays.size());
    auto x = [&](const QDate& d) {
        const auto i = std::lower_bound(mondays.begin(), mondays.end(), d) - mondays.begin();
        return n <= 1 ? kLeft + kPlotW / 2 : kLeft + kPlotW * static_cast<double>(i) / (n - 1);
    };
    auto y = [&](double v) { return kTop + kPlotH * (1 - std::min(v, top) / top); };
    QString svg = QStringLiteral(
                      "<svg id=\"%1\" xmlns=\"http://www.w3.org/2000/svg\" width=\"%2\" "
                      "height=\"%3\" viewBox=\"0 0 %2 %3\" role=\"img\" aria-label=\"%4\">\n")
                      .arg(QString::fromUtf8(id))
                      .arg(kWidth)
                      .arg(kHeight)
                      .arg(QString::fromUtf8(label));
    for (int step = 0; step <= 4; ++step) {
        const double v = top * step / 4;
        svg += QStringLiteral(
                   "<line class=\"grid\" x1=\"%1\" y1=\"%2\" x2=\"%3\" y2=\"%2\"/>"
                   "<text class=\"axis\" x=\"%4\" y=\"%5\" text-anchor=\"end\">%6%7</text>\n")
                   .arg(kLeft)
                   .arg(y(v))
                   .arg(kWidth - kRight)
                   .arg(kLeft - 6)
                   .arg(y(v) + 4)
                   .arg(v)
                   .arg(unit);
    }
    const int every = std::max(1, (n + 7) / 8);
    for (int i = 0; i < n; i += every)
        svg += QStringLiteral(
                   "<text class=\"axis\" x=\"%1\" y=\"%2\" text-anchor=\"middle\">%3</text>\n")
                   .arg(x(mondays[static_cast<std::size_t>(i)]))
                   .arg(kHeight - 12)
                   .arg(mondays[static_cast<std::size_t>(i)].toString(QStringLiteral("M月d日")));
    for (const Speed& s : speed) {
        QString points;
        for (const SpeedWeek& w : s.weeks)
            points += QStringLiteral("%1,%2 ")
                          .arg(x(w.monday))
                          .arg(y(value(w) / (unit == u"s" ? 1000.0 : 1.0)));
        svg += QStringLiteral(
                   "<polyline fill=\"none\" stroke-width=\"2\" stroke=\"%1\" "
                   "points=\"%2\"><title>%3</title></polyline>\n")
                   .arg(QString::fromUtf8(kColours[s.key % 4]), points.trimmed(), Html(s.label));
    }
    svg += QStringLiteral("</svg>\n<p class=\"legend\">");
    for (const Speed& s : speed)
        svg += QStringLiteral("<span style=\"color:%1\">━</span> %2 ")
                   .arg(QString::fromUtf8(kColours[s.key % 4]), Html(s.label));
    return svg + QStringLiteral("</p>\n");
}

const char* const kStateClass[] = {"notmet", "due", "slow", "known"};

QString GridTable(const FactGrid& grid) {
    QString html = QStringLiteral("<table id=\"grid-%1\" class=\"facts\"><tr><th>%2</th>")
                       .arg(grid.sign == u"＋" ? QStringLiteral("add") : QStringLiteral("mul"),
                            Html(grid.sign));
    for (int b = 0; b < FactGrid::kColumns; ++b) html += QStringLiteral("<th>%1</th>").arg(b);
    html += QStringLiteral("</tr>\n");
    for (int a = 1; a <= FactGrid::kRows; ++a) {
        html += QStringLiteral("<tr><th>%1</th>").arg(a);
        for (int b = 0; b < FactGrid::kColumns; ++b) {
            const auto& cell = grid.cells[a - 1][b];
            if (!cell) {
                html += QStringLiteral("<td class=\"none\"></td>");
                continue;
            }
            html += QStringLiteral("<td class=\"%1\" title=\"%2 %3 %4\">%5</td>")
                        .arg(QString::fromUtf8(kStateClass[static_cast<int>(*cell)]))
                        .arg(a)
                        .arg(Html(grid.sign))
                        .arg(b)
                        .arg(grid.sign == u"＋" ? a + b : a * b);
        }
        html += QStringLiteral("</tr>\n");
    }
    return html + QStringLiteral("</table>\n");
}

int WeekMedian(const SpeedWeek& w) { return w.medianMs; }
int WeekOnTime(const SpeedWeek& w) { return w.onTimePercent; }

QString NewSections(const ReportFigures& f) {
    QString html = QStringLiteral("<h2>错题本</h2>\n");
    if (f.due.empty()) {
        html += QStringLiteral("<p>错题本是空的：没有要复习的题。</p>\n");
    } else {
        html += QStringLiteral(
            "<p>还没有记住的题：做错了，或者做对了但超过了时间。菜单里的“复习错题”"
            "会出这些题。</p>\n<table id=\"due\"><tr><th>题目</th><th>正确答案</th>"
            "<th>填过的答案</th><th>上次用时</th></tr>\n");
        for (const DueFact& d : f.due) {
            QString answers;
            for (const QString& a : d.answers)
                answers +=
                    QStringLiteral("<span class=\"answer\">%1</span>").arg(Html(AnswerText(a)));
            html += QStringLiteral("<tr><td>%1</td><td>%2</td><td>%3</td><td>%4</td></tr>\n")
                        .arg(Html(d.question), Html(d.result), answers,
                             d.lastMs ? Seconds(*d.lastMs) + QStringLiteral(" 秒")
                                      : QStringLiteral("—"));
        }
        html += QStringLiteral("</table>\n");
    }
    html += QStringLiteral("<h2>速度</h2>\n");
    if (f.speed.empty()) {
        html += QStringLiteral("<p>还没有记下答题的时间。</p>\n");
    } else {
        html += QStringLiteral(
            "<p>一位数的答案 3 秒内答对算按时，每多一位多 1 秒。</p>\n<table id=\"speed\">"
            "<tr><th>运算</th><th>计时的题</th><th>答对用时（中位数）</th><th>按时答对</th></"
            "tr>\n");
        for (const Speed& s : f.speed)
            html += QStringLiteral(
                        "<tr><td>%1</td><td>%2</td><td>%3 秒</td><td><span class=\"bar\">"
                        "<span style=\"width:%4%\"></span></span> %4%</td></tr>\n")
                        .arg(Html(s.label))
                        .arg(s.timed)
                        .arg(Seconds(s.medianMs))
                        .arg(s.onTimePercent);
        html += QStringLiteral("</table>\n<h3>每周答对用时（秒，中位数）</h3>\n") +
                WeeklyChart("speed-chart", "每周答对用时", f.speed, WeekMedian, 10,
                            QStringLiteral("s"));
        html += QStringLiteral("<h3>每周按时答对的比例</h3>\n") +
                WeeklyChart("on-time-chart", "每周按时答对的比例", f.speed, WeekOnTime, 100,
                            QStringLiteral("%"));
    }
    html += QStringLiteral(
        "<h2>10 以内的加法和乘法</h2>\n<p class=\"legend\"><span class=\"key known\"></span>"
        "记住了（两组里按时答对） <span class=\"key slow\"></span>还慢 "
        "<span class=\"key due\"></span>在错题本里 <span class=\"key notmet\"></span>"
        "还没做过</p>\n<div class=\"grids\">");
    for (const FactGrid& grid : f.grids) html += GridTable(grid);
    return html + QStringLiteral("</div>\n");
}

const char kStyle[] = R"(
body { font-family: "WenQuanYi Micro Hei", "Noto Sans CJK SC", sans-serif; margin: 24px auto;
       max-width: 800px; color: #222; background: #fffdf6; }
h1 { color: #c0392b; } h2 { margin-top: 28px; border-bottom: 2px solid #f0c040; }
table { border-collapse: collapse; width: 100%; }
th, td { border: 1px solid #ddd; padding: 4px 8px; text-align: left; }
th { background: #fbeeb8; }
.answer { white-space: pre; background: #fde2e2; padding: 0 4px; margin-right: 4px; }
.bar { display: inline-block; width: 120px; height: 10px; background: #eee; }
.bar span { display: block; height: 10px; background: #3a9d5d; }
svg .grid { stroke: #ddd; } svg .axis { font-size: 12px; fill: #666; }
svg .line { fill: none; stroke: #2e6fd8; stroke-width: 2; } svg .dot { fill: #2e6fd8; }
.grids { display: flex; gap: 24px; flex-wrap: wrap; }
table.facts { width: auto; } table.facts td, table.facts th { width: 26px; text-align: center; padding: 3px; }
.known { background: #5cb85c; color: #fff; } .slow { background: #f0c040; }
.due { background: #d9534f; color: #fff; } .notmet { background: #eee; color: #999; }
td.none { background: transparent; border-color: transparent; }
.key { display: inline-block; width: 14px; height: 14px; vertical-align: middle; margin-left: 8px; }
)";

}  // namespace

QString RenderReportPage(const ReportFigures& f, const QDateTime& madeAt) {
    QString html = QStringLiteral(
        "<!DOCTYPE html>\n<html lang=\"zh-CN\">\n<head>\n<meta charset=\"utf-8\">\n"
        "<title>Tavrin 练习记录</title>\n<style>");
    html += QString::fromUtf8(kStyle);
    html += QStringLiteral("</style>\n</head>\n<body>\n<h1>练习记录</h1>\n");
    if (f.sets.empty()) {
        html +=
            QStringLiteral("<p>还没有练习记录：做完一组题、按下“得分”后，这里就会有记录。</p>\n");
    } else {
        html += QStringLiteral("<p>共 %1 组练习，%2 道题，平均得分 %3 分。（%4 生成）</p>\n")
                    .arg(f.sets.size())
                    .arg(f.questions)
                    .arg(AverageScore(f))
                    .arg(TimeText(madeAt));
        html += QStringLiteral("<h2>得分变化</h2>\n") + ScoreChart(f.sets);
        html += QStringLiteral("<h2>各种运算的正确率</h2>\n") +
                AccuracyTable("by-operation", "运算", f.byOperation);
        html += QStringLiteral("<h2>各个范围的正确率</h2>\n") +
                AccuracyTable("by-range", "范围", f.byRange);
        html += QStringLiteral("<h2>最常做错的题</h2>\n");
        if (f.mostMissed.empty()) html += QStringLiteral("<p>一道题也没有做错过。</p>\n");
        html += QStringLiteral(
            "<table id=\"most-missed\"><tr><th>题目</th><th>正确答案</th>"
            "<th>做错</th><th>做过</th><th>填过的答案</th></tr>\n");
        for (const MissedQuestion& m : f.mostMissed) {
            QString answers;
            for (const QString& a : m.answers)
                answers +=
                    QStringLiteral("<span class=\"answer\">%1</span>").arg(Html(AnswerText(a)));
            html += QStringLiteral(
                        "<tr><td>%1</td><td>%2</td><td>%3 次</td><td>%4 次</td><td>%5</td></tr>\n")
                        .arg(Html(m.question), Html(m.result))
                        .arg(m.missed)
                        .arg(m.asked)
                        .arg(answers);
        }
        html += QStringLiteral("</table>\n") + NewSections(f);
        html += QStringLiteral(
            "<h2>最近的练习</h2>\n<table id=\"last-sets\"><tr><th>时间</th>"
            "<th>运算</th><th>范围</th><th>题数</th><th>答对</th><th>得分</th></tr>\n");
        const auto first =
            f.sets.size() > ReportFigures::kLastSets ? f.sets.size() - ReportFigures::kLastSets : 0;
        for (auto i = f.sets.size(); i-- > first;) {
            const SetSummary& s = f.sets[i];
            html += QStringLiteral(
                        "<tr><td>%1</td><td>%2</td><td>%3</td><td>%4</td><td>%5</td><td>%6 "
                        "分</td></tr>\n")
                        .arg(TimeText(s.markedAt), Html(s.operations), Html(RangeLabel(s.range)))
                        .arg(s.count)
                        .arg(s.correct)
                        .arg(s.score);
        }
        html += QStringLiteral("</table>\n");
    }
    return html + QStringLiteral("</body>\n</html>\n");
}

namespace {

// Columns of a terminal: the ideographs and full-width forms take two.
int DisplayWidth(const QString& text) {
    int width = 0;
    for (QChar c : text) {
        const char16_t u = c.unicode();
        const bool wide = (u >= 0x1100 && u <= 0x115F) || (u >= 0x2E80 && u <= 0xA4CF) ||
                          (u >= 0xAC00 && u <= 0xD7A3) || (u >= 0xF900 && u <= 0xFAFF) ||
                          (u >= 0xFE30 && u <= 0xFE4F) || (u >= 0xFF00 && u <= 0xFF60) ||
                          (u >= 0xFFE0 && u <= 0xFFE6);
        width += wide ? 2 : 1;
    }
    return width;
}

QString TextTable(const QStringList& header, const std::vector<QStringList>& rows) {
    std::vector<int> widths(static_cast<std::size_t>(header.size()));
    auto measure = [&](const QStringList& row) {
        for (qsizetype c = 0; c < row.size(); ++c)
            widths[static_cast<std::size_t>(c)] =
                std::max(widths[static_cast<std::size_t>(c)], DisplayWidth(row[c]));
    };
    measure(header);
    for (const QStringList& row : rows) measure(row);
    auto line = [&](const QStringList& row) {
        QString out;
        for (qsizetype c = 0; c < row.size(); ++c) {
            out += row[c];
            if (c + 1 < row.size())
                out +=
                    QString(widths[static_cast<std::size_t>(c)] - DisplayWidth(row[c]) + 2, u' ');
        }
        return out + u'\n';
    };
    QString out = line(header);
    for (const QStringList& row : rows) out += line(row);
    return out;
}

// The text report's words, in the language of the installed translation.
QString Tr(const char* text) { return QCoreApplication::translate("tavrin::TextReport", text); }

QString TextOperationLabel(int order) {
    static const char* const labels[] = {
        QT_TRANSLATE_NOOP("tavrin::TextReport", "addition ＋"),
        QT_TRANSLATE_NOOP("tavrin::TextReport", "subtraction －"),
        QT_TRANSLATE_NOOP("tavrin::TextReport", "multiplication ×"),
        QT_TRANSLATE_NOOP("tavrin::TextReport", "division ÷")};
    return order >= 0 && order < 4 ? Tr(labels[order]) : QStringLiteral("?");
}

QString TextRangeLabel(int range) {
    return Tr(QT_TRANSLATE_NOOP("tavrin::TextReport", "up to %1")).arg(range);
}

QString TextOperationNames(const QString& mask) {
    static const char* const names[] = {QT_TRANSLATE_NOOP("tavrin::TextReport", "add"),
                                        QT_TRANSLATE_NOOP("tavrin::TextReport", "subtract"),
                                        QT_TRANSLATE_NOOP("tavrin::TextReport", "multiply"),
                                        QT_TRANSLATE_NOOP("tavrin::TextReport", "divide")};
    QStringList ticked;
    for (int i = 0; i < 4 && i < mask.size(); ++i)
        if (mask[i] == u'1') ticked << Tr(names[i]);
    return ticked.isEmpty() ? QStringLiteral("—")
                            : ticked.join(Tr(QT_TRANSLATE_NOOP("tavrin::TextReport", ", ")));
}

QString TextAnswer(const QString& answer) {
    return answer.isEmpty() ? Tr(QT_TRANSLATE_NOOP("tavrin::TextReport", "(blank)"))
                            : Printable(answer);
}

std::vector<QStringList> AccuracyRows(const std::vector<Accuracy>& rows, QString (*label)(int)) {
    std::vector<QStringList> out;
    for (const Accuracy& a : rows)
        out.push_back({label(a.key), QString::number(a.total), QString::number(a.right),
                       QStringLiteral("%1%").arg(a.Percent())});
    return out;
}

}  // namespace

QString RenderReportText(const ReportFigures& f) {
    if (f.sets.empty())
        return Tr(QT_TRANSLATE_NOOP("tavrin::TextReport", "No practice record yet.\n"));
    QString out =
        Tr(QT_TRANSLATE_NOOP("tavrin::TextReport",
                             "Practice record: %1 sets, %2 questions, average score %3.\n"))
            .arg(f.sets.size())
            .arg(f.questions)
            .arg(AverageScore(f));
    QStringList scores;
    for (const SetSummary& s : f.sets) scores << QString::number(s.score);
    out += Tr(QT_TRANSLATE_NOOP("tavrin::TextReport", "\nScores (earliest first): %1\n"))
               .arg(scores.join(u' '));
    const QString questions = Tr(QT_TRANSLATE_NOOP("tavrin::TextReport", "questions"));
    const QString right = Tr(QT_TRANSLATE_NOOP("tavrin::TextReport", "right"));
    const QString accuracy = Tr(QT_TRANSLATE_NOOP("tavrin::TextReport", "accuracy"));
    const QString operation = Tr(QT_TRANSLATE_NOOP("tavrin::TextReport", "operation"));
    const QString range = Tr(QT_TRANSLATE_NOOP("tavrin::TextReport", "range"));
    out += Tr(QT_TRANSLATE_NOOP("tavrin::TextReport", "\nAccuracy by operation\n")) +
           TextTable({operation, questions, right, accuracy},
                     AccuracyRows(f.byOperation, TextOperationLabel));
    out += Tr(QT_TRANSLATE_NOOP("tavrin::TextReport", "\nAccuracy by range\n")) +
           TextTable({range, questions, right, accuracy}, AccuracyRows(f.byRange, TextRangeLabel));
    std::vector<QStringList> missed;
    for (const MissedQuestion& m : f.mostMissed) {
        QStringList answers;
        for (const QString& a : m.answers) answers << u'「' + TextAnswer(a) + u'」';
        missed.push_back({Printable(m.question), Printable(m.result), QString::number(m.missed),
                          QString::number(m.asked), answers.join(u' ')});
    }
    out += Tr(QT_TRANSLATE_NOOP("tavrin::TextReport", "\nMost missed questions\n")) +
           TextTable({Tr(QT_TRANSLATE_NOOP("tavrin::TextReport", "question")),
                      Tr(QT_TRANSLATE_NOOP("tavrin::TextReport", "right answer")),
                      Tr(QT_TRANSLATE_NOOP("tavrin::TextReport", "missed")),
                      Tr(QT_TRANSLATE_NOOP("tavrin::TextReport", "asked")),
                      Tr(QT_TRANSLATE_NOOP("tavrin::TextReport", "answers given"))},
                     missed);
    std::vector<QStringList> due;
    for (const DueFact& d : f.due) {
        QStringList answers;
        for (const QString& a : d.answers) answers << u'「' + TextAnswer(a) + u'」';
        due.push_back(
            {Printable(d.question), Printable(d.result), answers.join(u' '),
             d.lastMs ? QString::number(*d.lastMs / 1000.0, 'f', 1) : QStringLiteral("—")});
    }
    out += Tr(QT_TRANSLATE_NOOP("tavrin::TextReport",
                                "\nFacts to review (wrong, or right but not on time)\n")) +
           TextTable({Tr(QT_TRANSLATE_NOOP("tavrin::TextReport", "question")),
                      Tr(QT_TRANSLATE_NOOP("tavrin::TextReport", "right answer")),
                      Tr(QT_TRANSLATE_NOOP("tavrin::TextReport", "answers given")),
                      Tr(QT_TRANSLATE_NOOP("tavrin::TextReport", "last time (s)"))},
                     due);
    std::vector<QStringList> speed;
    for (const Speed& s : f.speed) {
        QStringList weekly;
        for (const SpeedWeek& w : s.weeks) weekly << QStringLiteral("%1%").arg(w.onTimePercent);
        speed.push_back({TextOperationLabel(s.key), QString::number(s.timed),
                         QString::number(s.medianMs / 1000.0, 'f', 1),
                         QStringLiteral("%1%").arg(s.onTimePercent), weekly.join(u' ')});
    }
    out += Tr(QT_TRANSLATE_NOOP("tavrin::TextReport", "\nSpeed by operation\n")) +
           TextTable({operation, Tr(QT_TRANSLATE_NOOP("tavrin::TextReport", "timed")),
                      Tr(QT_TRANSLATE_NOOP("tavrin::TextReport", "median right (s)")),
                      Tr(QT_TRANSLATE_NOOP("tavrin::TextReport", "on time")),
                      Tr(QT_TRANSLATE_NOOP("tavrin::TextReport", "on time by week"))},
                     speed);
    // The grids as letters: known, slow, due, and a dot for a fact not met yet.
    out += Tr(QT_TRANSLATE_NOOP("tavrin::TextReport",
                                "\nFacts within 10 (K known, S slow, D to review, . not met)\n"));
    for (const FactGrid& grid : f.grids) {
        out += grid.sign + QStringLiteral("   0 1 2 3 4 5 6 7 8 9\n");
        for (int a = 1; a <= FactGrid::kRows; ++a) {
            QString row = QString::number(a).rightJustified(2) + QStringLiteral("  ");
            for (int b = 0; b < FactGrid::kColumns; ++b) {
                const auto& cell = grid.cells[a - 1][b];
                row += u' ';
                row += !cell ? u' ' : QStringLiteral(".DSK")[static_cast<int>(*cell)];
            }
            out += row.trimmed().isEmpty() ? QString() : row + u'\n';
        }
    }
    std::vector<QStringList> last;
    const auto first =
        f.sets.size() > ReportFigures::kLastSets ? f.sets.size() - ReportFigures::kLastSets : 0;
    for (auto i = f.sets.size(); i-- > first;) {
        const SetSummary& s = f.sets[i];
        last.push_back({TimeText(s.markedAt), TextOperationNames(s.mask), TextRangeLabel(s.range),
                        QString::number(s.count), QString::number(s.correct),
                        QString::number(s.score)});
    }
    out += Tr(QT_TRANSLATE_NOOP("tavrin::TextReport", "\nLatest sets\n")) +
           TextTable({Tr(QT_TRANSLATE_NOOP("tavrin::TextReport", "time")), operation, range,
                      questions, right, Tr(QT_TRANSLATE_NOOP("tavrin::TextReport", "score"))},
                     last);
    return out;
}

}  // namespace tavrin
