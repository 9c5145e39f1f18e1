// SPDX-License-Identifier: GPL-3.0-or-later
#include <sys/stat.h>
#include <unistd.h>

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryFile>
#include <cstdio>

#include "record/practice_recorder.h"
#include "record/record_commands.h"
#include "record/record_store.h"
#include "shell/face_fixture.h"

namespace tavrin::testing {
namespace {

// Everything written to stderr while it lives, Qt's own warnings included.
class StderrCapture {
public:
    StderrCapture() {
        std::fflush(stderr);
        file_.open();
        saved_ = dup(STDERR_FILENO);
        dup2(file_.handle(), STDERR_FILENO);
    }
    QStringList Lines() {
        std::fflush(stderr);
        dup2(saved_, STDERR_FILENO);
        close(saved_);
        file_.seek(0);
        return QString::fromLocal8Bit(file_.readAll()).split(u'\n', Qt::SkipEmptyParts);
    }

private:
    QTemporaryFile file_;
    int saved_ = -1;
};

// A second program holding the record: a connection of the test's own.
struct OtherConnection {
    explicit OtherConnection(const QString& path) {
        db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("other"));
        db.setDatabaseName(path);
        db.open();
    }
    ~OtherConnection() {
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(QStringLiteral("other"));
    }
    QSqlDatabase db;
};

// A record as an older version of the program left it, written statement by statement.
::testing::AssertionResult WriteOldRecord(const QString& path,
                                          std::initializer_list<const char*> statements) {
    OtherConnection old(path);
    QSqlQuery q(old.db);
    for (const char* sql : statements)
        if (!q.exec(sql)) return ::testing::AssertionFailure() << sql;
    return ::testing::AssertionSuccess();
}

class RecordTest : public FaceWindowTest {
protected:
    void SetUp() override {
        FaceWindowTest::SetUp();
        UseRecorder({});
    }
    void UseRecorder(PracticeRecorder::Options options) {
        recorder.emplace(RecordPath(), options);
        recordMarkedSet = *recorder;
    }
    QString RecordPath() const { return dir.filePath("data/tavrin/record.sqlite"); }

    // Three additions within 10: the first typed with spaces, the last wrong.
    void AnswerSet() {
        MakeSet("1000", "10", "3");
        const QuestionStore& store = face->session().store;
        Answer(u' ' + store.Cell(4, 0) + u' ');
        Answer(store.Cell(4, 1));
        Answer(store.Cell(4, 2) + u'0');
    }
    // What the recorder said once it has dealt with the set.
    QStringList Mark(int clicks = 1) {
        StderrCapture capture;
        for (int i = 0; i < clicks; ++i) QTest::mouseClick(ui().Command4, Qt::LeftButton);
        EXPECT_TRUE(QTest::qWaitFor([&] { return recorder->Idle(); }, 30'000));
        return capture.Lines();
    }
    std::vector<MarkedSet> Stored() const { return RecordStore(RecordPath()).LoadAll().sets; }

    std::optional<PracticeRecorder> recorder;
};

TEST_F(RecordTest, StoresEachMarkedSetOnceWithEveryQuestionAsTyped) {
    Start();
    AnswerSet();
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("data"))) << "nothing before the first mark";
    EXPECT_EQ(Mark(2), QStringList());

    auto sets = Stored();
    ASSERT_EQ(sets.size(), 1u);
    const MarkedSet& set = sets[0];
    EXPECT_EQ(std::tuple(set.mask, set.range, set.count, set.correct, set.score),
              std::tuple(QString("1000"), 10, 3, 2, 66));
    ASSERT_EQ(set.questions.size(), 3u);
    EXPECT_EQ(set.questions[0].answer, u' ' + set.questions[0].result + u' ');
    EXPECT_EQ(set.questions[0].sign, QString("＋"));
    EXPECT_TRUE(set.questions[1].right);
    EXPECT_FALSE(set.questions[2].right);
    EXPECT_LE(std::abs(set.markedAt.secsTo(QDateTime::currentDateTime())), 60);

    AnswerSet();  // a new set is a new row
    Mark();
    EXPECT_EQ(Stored().size(), 2u);
}

struct Fault {
    const char* name;
    std::function<void(const QString& path)> arrange;
};

TEST_F(RecordTest, AFaultyRecordCostsOneLineAndTheDrillGoesOn) {
    const QByteArray garbage = QByteArray("not a database, only a child's drawing ").repeated(200);
    const QByteArray settings = "[menu]\nmenu3=0\nmenu6=1\n";
    std::unique_ptr<OtherConnection> holder;
    bool loweredUid = false;
    const Fault faults[] = {
        {"locked",
         [&](const QString& path) {
             RecordStore(path).Append({});
             holder = std::make_unique<OtherConnection>(path);
             QSqlQuery(holder->db).exec("BEGIN IMMEDIATE");
         }},
        {"read-only",
         [&](const QString& path) {
             RecordStore(path).Append({});
             // Permissions do not bind root: mark the set as nobody instead.
             for (const QString& d : {dir.path(), dir.filePath("data")}) chmod(qPrintable(d), 0755);
             chmod(qPrintable(QFileInfo(path).path()), 0555);
             chmod(qPrintable(path), 0444);
             if (geteuid() == 0) loweredUid = seteuid(65534) == 0;
         }},
        {"damaged",
         [&](const QString& path) {
             QDir().mkpath(QFileInfo(path).path());
             QFile file(path);
             ASSERT_TRUE(file.open(QIODevice::WriteOnly));
             file.write(garbage);
         }},
        {"folder", [](const QString& path) { QDir().mkpath(path); }},
    };
    for (const Fault& fault : faults) {
        SCOPED_TRACE(fault.name);
        UseRecorder({300, 60'000});
        Start(settings);
        AnswerSet();
        fault.arrange(RecordPath());
        const QStringList lines = Mark();
        if (loweredUid) {
            ASSERT_EQ(seteuid(0), 0);
        }
        holder.reset();

        EXPECT_EQ(lines.size(), 1) << lines.join(u'\n').toStdString();
        EXPECT_TRUE(face->marqueeTimer().isActive());
        EXPECT_EQ(face->session().scoreLine[kScoreTextCell], QString("66"));
        QFile settingsFile(SettingsPath());
        ASSERT_TRUE(settingsFile.open(QIODevice::ReadOnly));
        EXPECT_EQ(settingsFile.readAll(), settings);
        if (QByteArray(fault.name) == "damaged") {
            const QStringList files = RecordStore(RecordPath()).Files();
            ASSERT_EQ(files.size(), 2);
            QFile aside(files[1]);
            ASSERT_TRUE(aside.open(QIODevice::ReadOnly));
            EXPECT_EQ(aside.readAll(), garbage);
            EXPECT_EQ(Stored().size(), 1u) << "a new record holds the set";
        }
        if (QByteArray(fault.name) == "folder") {
            EXPECT_TRUE(QFileInfo(RecordPath()).isDir());
        }
        face.reset();
        recordMarkedSet = nullptr;
        recorder.reset();
        chmod(qPrintable(QFileInfo(RecordPath()).path()), 0755);
        QDir(dir.filePath("data")).removeRecursively();
    }
}

TEST(RecordStoreTest, MigratesTheFirstSchema) {
    QTemporaryDir dir;
    const QString path = dir.filePath("record.sqlite");
    ASSERT_TRUE(WriteOldRecord(
        path,
        {"CREATE TABLE schema_version (version INTEGER NOT NULL)",
         "INSERT INTO schema_version VALUES (1)",
         "CREATE TABLE practice_set (id INTEGER PRIMARY KEY, marked_at TEXT NOT NULL,"
         " operations TEXT NOT NULL, number_range INTEGER NOT NULL,"
         " question_count INTEGER NOT NULL, score INTEGER NOT NULL)",
         "CREATE TABLE question (set_id INTEGER NOT NULL REFERENCES practice_set (id)"
         " ON DELETE CASCADE, position INTEGER NOT NULL, first_operand TEXT NOT NULL,"
         " operator_sign TEXT NOT NULL, second_operand TEXT NOT NULL, result TEXT NOT NULL,"
         " answer TEXT NOT NULL, PRIMARY KEY (set_id, position)) WITHOUT ROWID",
         "INSERT INTO practice_set VALUES (1, '2026-03-01T18:00:00+08:00', '1100', 10, 2, 50)",
         "INSERT INTO question VALUES (1, 0, ' 3', '＋', ' 4', '7', ' 7 '),"
         " (1, 1, ' 9', '－', ' 1', '8', '9')"}));
    EXPECT_TRUE(RecordStore(path).Append({}).stored);
    const auto sets = RecordStore(path).LoadAll().sets;
    ASSERT_EQ(sets.size(), 2u);
    EXPECT_EQ(sets[0].correct, 1);
    ASSERT_EQ(sets[0].questions.size(), 2u);
    EXPECT_TRUE(sets[0].questions[0].right);
    EXPECT_FALSE(sets[0].questions[1].right);
    OtherConnection after(path);
    QSqlQuery version(after.db);
    version.exec("SELECT version FROM schema_version");
    ASSERT_TRUE(version.next());
    EXPECT_EQ(version.value(0).toInt(), RecordStore::kSchemaVersion);
}

// A record of the version before answer times were kept: its answers stay without a
// time and its sets count as new ones, while a set stored after the migration keeps both.
TEST(RecordStoreTest, MigratesTheSecondSchemaKeepingOldAnswersUntimed) {
    QTemporaryDir dir;
    const QString path = dir.filePath("record.sqlite");
    ASSERT_TRUE(WriteOldRecord(
        path, {"CREATE TABLE schema_version (version INTEGER NOT NULL)",
               "INSERT INTO schema_version VALUES (2)",
               "CREATE TABLE practice_set (id INTEGER PRIMARY KEY, marked_at TEXT NOT NULL,"
               " operations TEXT NOT NULL, number_range INTEGER NOT NULL,"
               " question_count INTEGER NOT NULL, score INTEGER NOT NULL,"
               " correct_count INTEGER NOT NULL DEFAULT 0)",
               "CREATE TABLE question (set_id INTEGER NOT NULL REFERENCES practice_set (id)"
               " ON DELETE CASCADE, position INTEGER NOT NULL, first_operand TEXT NOT NULL,"
               " operator_sign TEXT NOT NULL, second_operand TEXT NOT NULL, result TEXT NOT NULL,"
               " answer TEXT NOT NULL, is_right INTEGER NOT NULL DEFAULT 0,"
               " PRIMARY KEY (set_id, position)) WITHOUT ROWID",
               "INSERT INTO practice_set VALUES (1, '2026-03-01T18:00:00+08:00', '1000', 10, 1, 0, "
               "0)",
               "INSERT INTO question VALUES (1, 0, ' 3', '＋', ' 4', '7', '8', 0)"}));
    MarkedSet review;
    review.markedAt = QDateTime::currentDateTime();
    review.mask = "1000";
    review.kind = "review";
    review.count = review.correct = 1;
    review.questions.push_back({" 3", "＋", " 4", "7", "7", true, 2'345});
    ASSERT_TRUE(RecordStore(path).Append(review).stored);

    const auto sets = RecordStore(path).LoadAll().sets;
    ASSERT_EQ(sets.size(), 2u);
    EXPECT_EQ(sets[0].kind, "new");
    ASSERT_EQ(sets[0].questions.size(), 1u);
    EXPECT_EQ(sets[0].questions[0].answerMs, std::nullopt);
    EXPECT_FALSE(sets[0].questions[0].right);
    EXPECT_EQ(sets[1].kind, "review");
    ASSERT_EQ(sets[1].questions.size(), 1u);
    EXPECT_EQ(sets[1].questions[0].answerMs, 2'345);
    // The fact's answers from before the migration count for the review too.
    const auto latest = RecordStore(path).LoadLatestAnswers();
    ASSERT_EQ(latest.facts.size(), 1u);
    ASSERT_EQ(latest.facts[0].answers.size(), 2u);
    EXPECT_FALSE(latest.facts[0].answers[0].right);
    EXPECT_EQ(latest.facts[0].answers[0].answerMs, std::nullopt);
    EXPECT_EQ(latest.facts[0].answers[1].answerMs, 2'345);
    OtherConnection after(path);
    QSqlQuery version(after.db);
    version.exec("SELECT version FROM schema_version");
    ASSERT_TRUE(version.next());
    EXPECT_EQ(version.value(0).toInt(), 3);
}

// The report reads a record of years with each distinct text shared: texts that begin
// alike, a blank answer and whatever the child typed must each come back as stored.
TEST(RecordStoreTest, ReadsEveryAnswerBackAsStored) {
    QTemporaryDir dir;
    const QString path = dir.filePath("record.sqlite");
    MarkedSet set;
    set.markedAt = QDateTime::currentDateTime();
    set.mask = "1010";
    set.questions = {{" 1", "＋", " 0", "1", "1", true, 900},
                     {"12", "＋", " 1", "13", "", false, 4'000},
                     {" 1", "×", "12", "12", "1", false, std::nullopt},
                     {"12", "×", " 1", "12", "12 \x1b[2J", false, 0}};
    set.count = static_cast<int>(set.questions.size());
    ASSERT_TRUE(RecordStore(path).Append(set).stored);
    ASSERT_TRUE(RecordStore(path).Append(set).stored);

    const auto loaded = RecordStore(path).LoadAll();
    EXPECT_EQ(loaded.error, QString());
    ASSERT_EQ(loaded.sets.size(), 2u);
    for (const MarkedSet& read : loaded.sets) {
        ASSERT_EQ(read.questions.size(), set.questions.size());
        for (std::size_t i = 0; i < set.questions.size(); ++i) {
            const RecordedQuestion &want = set.questions[i], &got = read.questions[i];
            EXPECT_EQ(std::tuple(got.first, got.sign, got.second, got.result, got.answer, got.right,
                                 got.answerMs),
                      std::tuple(want.first, want.sign, want.second, want.result, want.answer,
                                 want.right, want.answerMs))
                << "question " << i;
        }
    }
}

TEST(RecordCommandsTest, ReportsAndForgetsEveryFileOfTheRecord) {
    QTemporaryDir dir;
    const QString path = dir.filePath("tavrin/record.sqlite");
    const QString page = dir.filePath("report.html");
    EXPECT_EQ(RunRecordCommand({"tavrin", "--report"}, path, false), 2);
    EXPECT_EQ(RunRecordCommand({"tavrin"}, path, false), std::nullopt);
    RecordStore(path).Append({});
    QFile(path + ".damaged-20260301-120000").open(QIODevice::WriteOnly);
    EXPECT_EQ(RunRecordCommand({"tavrin", "--report", page}, path, false), 0);
    EXPECT_TRUE(QFileInfo(page).size() > 0);
    EXPECT_EQ(RunRecordCommand({"tavrin", "--forget"}, path, false), 0);
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("tavrin")));
}

}  // namespace
}  // namespace tavrin::testing
