// SPDX-License-Identifier: GPL-3.0-or-later
// Writes a made-up week of practice into a record file:
//   tavrin_sample_record RECORD.sqlite [DAYS]
#include <QCoreApplication>
#include <cstdio>

#include "generation/question_set.h"
#include "record/marked_set.h"
#include "record/record_store.h"
#include "session/scoring.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: tavrin_sample_record RECORD.sqlite [DAYS]\n");
        return 2;
    }
    const int days = argc > 2 ? std::atoi(argv[2]) : 7;
    tavrin::RandomSource random([] { return 1234.5; });
    const tavrin::RecordStore store(QString::fromLocal8Bit(argv[1]));
    const QDateTime monday(QDate(2026, 3, 2), QTime(18, 30));
    const char* const masks[] = {"1100", "1000", "0100", "1110", "0010", "1111"};
    const std::int16_t ranges[] = {10, 20, 20, 50, 10, 100};
    int made = 0;
    for (int day = 0; day < days; ++day) {
        for (int n = 0; n < 1 + day % 3; ++n, ++made) {
            tavrin::SessionState session;
            const QString mask = QString::fromLatin1(masks[made % 6]);
            const std::int16_t range = ranges[made % 6];
            const auto count = static_cast<std::int16_t>(10 + 5 * (made % 3));
            tavrin::MakeQuestionSet(session.store, random, mask, count, range);
            session.choice = {mask, range, count};
            // A child who gets better through the week, with a child's slips.
            const double skill = 0.65 + 0.05 * day;
            for (std::int16_t row = 0; row < session.store.RowCount(); ++row) {
                const QString result = session.store.Cell(4, row);
                const double draw = random.Draw();
                QString answer = result;
                if (draw > skill + 0.2)
                    answer = QString();
                else if (draw > skill)
                    answer = QString::number(result.toInt() + (draw > skill + 0.1 ? 1 : -1));
                session.store.SetAnswer(row, answer);
                // Quicker as the days go by, from about 3 s down to about 1.5 s, and now and
                // then a long count on the fingers.
                const double pause = random.Draw();
                session.store.SetAnswerMs(
                    row, static_cast<std::int32_t>(1000 + (2400 - 60 * day) * pause +
                                                   (pause > 0.93 ? 5000 : 0)));
            }
            const auto outcome = store.Append(tavrin::MakeMarkedSet(
                session, monday.addDays(day).addSecs(n * 1500 + (day % 2) * 3600)));
            if (!outcome.stored) {
                std::fprintf(stderr, "%s\n", qPrintable(outcome.warning));
                return 1;
            }
        }
    }
    std::printf("%d sets written\n", made);
    return 0;
}
