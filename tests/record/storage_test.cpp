// SPDX-License-Identifier: GPL-3.0-or-later
// The record, the report page and the recorder where the world is against them:
// a full disk, a read-only folder, mount or file, a record another program
// holds, a file system without locks or on a network.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>
#include <QThread>
#include <QTimeZone>
#include <atomic>
#include <thread>

#include "record/practice_recorder.h"
#include "record/record_commands.h"
#include "record/record_store.h"
#include "scratch_mount.h"
#include "shell/face_fixture.h"

namespace tavrin::testing {
namespace {

constexpr uid_t kNobody = 65534;

SessionState FinishedSet(int count, const QString& answer = QStringLiteral("7")) {
    SessionState session;
    for (int i = 0; i < count; ++i) {
        session.store.AppendRow(QStringLiteral(" 3"), QStringLiteral("＋"), QStringLiteral(" 4"),
                                QStringLiteral("7"));
        session.store.SetAnswer(std::int16_t(i), answer);
    }
    session.choice.mask = QStringLiteral("1000");
    session.choice.range = 10;
    session.setFinished = true;
    return session;
}

MarkedSet Set(int count, int minute = 0) {
    return MakeMarkedSet(FinishedSet(count),
                         QDateTime(QDate(2026, 3, 2), QTime(18, minute), QTimeZone(8 * 3600)));
}

// Everything written to stderr while it lives, from any thread.
class StderrFile {
public:
    StderrFile() {
        std::fflush(stderr);
        file_.open();
        saved_ = dup(STDERR_FILENO);
        dup2(file_.handle(), STDERR_FILENO);
    }
    ~StderrFile() { Lines(); }
    QStringList Lines() {
        if (saved_ >= 0) {
            std::fflush(stderr);
            dup2(saved_, STDERR_FILENO);
            close(saved_);
            saved_ = -1;
        }
        file_.seek(0);
        return QString::fromLocal8Bit(file_.readAll()).split(u'\n', Qt::SkipEmptyParts);
    }

private:
    QTemporaryFile file_;
    int saved_ = -1;
};

// Another program's write lock on the record, taken on a thread of its own and
// held for `ms`.
class LockHolder {
public:
    LockHolder(const QString& path, int ms)
        : thread_([this, path, ms] {
              {
                  auto db = QSqlDatabase::addDatabase("QSQLITE", "holder");
                  db.setDatabaseName(path);
                  db.open();
                  QSqlQuery query(db);
                  holding_ = query.exec("BEGIN IMMEDIATE");
                  taken_ = true;
                  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
                  holding_ = false;
                  query.exec("ROLLBACK");
                  db.close();
              }
              QSqlDatabase::removeDatabase("holder");
          }) {
        while (!taken_) std::this_thread::yield();
    }
    ~LockHolder() { thread_.join(); }
    bool holding() const { return holding_; }

private:
    std::atomic<bool> taken_ = false, holding_ = false;
    std::thread thread_;
};

class StorageTest : public ::testing::Test {
protected:
    void TearDown() override {
        if (geteuid() != 0) {
            ASSERT_EQ(seteuid(0), 0);
        }
    }
    QString Record() const { return dir.filePath("data/tavrin/record.sqlite"); }
    std::size_t Stored() const { return RecordStore(Record()).LoadAll().sets.size(); }
    QStringList Spools() const {
        return QDir(dir.filePath("data/tavrin"))
            .entryList({"record.sqlite-unsaved-*"}, QDir::Files);
    }
    static bool Settled(const PracticeRecorder& recorder) {
        return QTest::qWaitFor([&] { return recorder.Idle(); }, 30'000);
    }
    QTemporaryDir dir;
};

TEST_F(StorageTest, ReadingTheRecordNeverNeedsToWrite) {
    TAVRIN_SKIP_UNLESS_ROOT();
    const QString folder = QFileInfo(Record()).path();
    QDir().mkpath(folder);
    const struct {
        const char* name;
        std::function<std::optional<ScratchMount>()> arrange;
    } cases[] = {
        {"full disk",
         [&]() -> std::optional<ScratchMount> {
             auto disk = ScratchMount::Tmpfs(folder, 256);
             EXPECT_TRUE(disk.mounted());
             EXPECT_TRUE(RecordStore(Record()).Append(Set(3)).stored);
             EXPECT_TRUE(RecordStore(Record()).Append(Set(4, 1)).stored);
             EXPECT_TRUE(disk.Fill());
             return disk;
         }},
        {"read-only mount",
         [&]() -> std::optional<ScratchMount> {
             EXPECT_TRUE(RecordStore(Record()).Append(Set(3)).stored);
             EXPECT_TRUE(RecordStore(Record()).Append(Set(4, 1)).stored);
             auto mount = ScratchMount::ReadOnly(folder);
             EXPECT_TRUE(mount.mounted());
             return mount;
         }},
        {"read-only folder",
         [&]() -> std::optional<ScratchMount> {
             EXPECT_TRUE(RecordStore(Record()).Append(Set(3)).stored);
             EXPECT_TRUE(RecordStore(Record()).Append(Set(4, 1)).stored);
             chmod(QFile::encodeName(dir.path()), 0755);
             chmod(QFile::encodeName(dir.filePath("data")), 0755);
             chmod(QFile::encodeName(folder), 0555);
             EXPECT_EQ(seteuid(kNobody), 0) << "permissions do not bind root";
             return std::nullopt;
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        {
            const auto mount = c.arrange();
            const RecordStore::Loaded loaded = RecordStore(Record()).LoadAll();
            EXPECT_EQ(loaded.error, QString());
            EXPECT_EQ(loaded.sets.size(), 2u);
            if (loaded.sets.size() == 2) {
                EXPECT_EQ(loaded.sets[1].questions.size(), 4u);
            }
        }
        ASSERT_EQ(seteuid(0), 0);
        chmod(QFile::encodeName(folder), 0755);
        for (const QString& file : RecordStore(Record()).Files()) QFile::remove(file);
    }
}

TEST_F(StorageTest, APageThatCannotBeWrittenWholeLeavesTheOldPageOrNone) {
    TAVRIN_SKIP_UNLESS_ROOT();
    const QString pages = dir.filePath("pages");
    QDir().mkpath(pages);
    const auto disk = ScratchMount::Tmpfs(pages, 32);
    ASSERT_TRUE(disk.mounted());
    const QString page = pages + "/report.html", fresh = pages + "/fresh.html";
    ASSERT_TRUE(RecordStore(Record()).Append(Set(2)).stored);
    ASSERT_EQ(RunRecordCommand({"tavrin", "--report", page}, Record(), false), 0);
    QFile old(page);
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    const QByteArray before = old.readAll();

    // More sets make a longer page than the full disk has room for.
    for (int minute = 1; minute < 40; ++minute)
        ASSERT_TRUE(RecordStore(Record()).Append(Set(3, minute)).stored);
    ASSERT_TRUE(disk.Fill());
    StderrFile said;
    EXPECT_EQ(RunRecordCommand({"tavrin", "--report", page}, Record(), false), 1);
    EXPECT_EQ(RunRecordCommand({"tavrin", "--report", fresh}, Record(), false), 1);
    const QStringList lines = said.Lines();
    ASSERT_EQ(lines.size(), 2) << lines.join(u'\n').toStdString();
    EXPECT_TRUE(lines[0].contains(page)) << lines[0].toStdString();
    QFile after(page);
    ASSERT_TRUE(after.open(QIODevice::ReadOnly));
    EXPECT_EQ(after.readAll(), before);
    QStringList files = QDir(pages).entryList(QDir::Files | QDir::Hidden);
    files.sort();
    EXPECT_EQ(files, (QStringList{"filler", "report.html"}));
}

TEST_F(StorageTest, ARecordMadeWritableAgainTakesTheSetsAtOnce) {
    TAVRIN_SKIP_UNLESS_ROOT();
    // As an ordinary user, whom a read-only file binds.
    const QString folder = QFileInfo(Record()).path();
    QDir().mkpath(folder);
    for (const QString& d : {dir.path(), dir.filePath("data"), folder})
        ASSERT_EQ(chown(QFile::encodeName(d), kNobody, kNobody), 0);
    ASSERT_EQ(seteuid(kNobody), 0);
    ASSERT_TRUE(RecordStore(Record()).Append(Set(2)).stored);
    ASSERT_EQ(chmod(QFile::encodeName(Record()), 0444), 0);

    StderrFile said;
    {
        const PracticeRecorder recorder(Record(), {1000, 60'000});
        SessionState first = FinishedSet(3);
        recorder.SetMarked(first);
        ASSERT_TRUE(Settled(recorder));
        EXPECT_EQ(recorder.Unstored(), 1);
        EXPECT_EQ(Spools().size(), 1u) << "the set waits beside the record";
        EXPECT_FALSE(QFileInfo::exists(Record() + "-shm")) << "the refused write left it";
        // The report, while read-only, leaves the log's files read-only too.
        EXPECT_EQ(RecordStore(Record()).LoadAll().sets.size(), 1u);

        ASSERT_EQ(chmod(QFile::encodeName(Record()), 0644), 0);
        SessionState second = FinishedSet(4);
        recorder.SetMarked(second);
        ASSERT_TRUE(Settled(recorder));
        EXPECT_EQ(recorder.Unstored(), 0);
    }
    const QStringList lines = said.Lines();
    EXPECT_EQ(lines.size(), 2) << "not saved yet, then saved: " << lines.join(u'\n').toStdString();
    EXPECT_EQ(Stored(), 3u);
    EXPECT_EQ(Spools(), QStringList());
}

TEST_F(StorageTest, ASetKeptAsideIsStoredOnceAtTheNextStart) {
    // A spool left by a program that has ended, whose set the record may or may not
    // hold already (the program ended between storing it and removing the spool).
    pid_t gone = fork();
    if (gone == 0) _exit(0);
    waitpid(gone, nullptr, 0);
    for (const bool alreadyStored : {false, true}) {
        SCOPED_TRACE(alreadyStored ? "already stored" : "not stored");
        const MarkedSet set = Set(5, alreadyStored ? 1 : 2);
        ASSERT_TRUE(RecordStore(Record()).Append(Set(1, 30)).stored);
        if (alreadyStored) {
            ASSERT_TRUE(RecordStore(Record()).Append(set).stored);
        }
        const QString prefix = Record() + "-unsaved-";
        for (const auto& [pid, text] : {std::pair(qint64(gone), SpoolText({set})),
                                        std::pair(qint64(1), SpoolText({Set(7, 3)}))}) {
            QFile spool(prefix + QString::number(pid));
            ASSERT_TRUE(spool.open(QIODevice::WriteOnly));
            spool.write(text);
        }

        const PracticeRecorder recorder(Record());
        ASSERT_TRUE(Settled(recorder));
        EXPECT_EQ(recorder.Unstored(), 0);
        const auto sets = RecordStore(Record()).LoadAll().sets;
        ASSERT_EQ(sets.size(), 2u);
        EXPECT_EQ(sets[1].questions.size(), 5u);
        EXPECT_EQ(sets[1].markedAt, set.markedAt);
        EXPECT_EQ(Spools(), QStringList{"record.sqlite-unsaved-1"}) << "a running program's own";
        for (const QString& file : RecordStore(Record()).Files()) QFile::remove(file);
    }
}

TEST_F(StorageTest, ASetStillWaitingForTheRecordWhenTheProgramEndsIsKept) {
    ASSERT_TRUE(RecordStore(Record()).Append(Set(1)).stored);
    SessionState session = FinishedSet(6);
    {
        const LockHolder other(Record(), 4000);
        {
            const PracticeRecorder recorder(Record());  // waits up to 10 s for the lock
            recorder.SetMarked(session);
            QTest::qWait(300);
        }
        EXPECT_TRUE(other.holding()) << "the end waited out the other program";
        ASSERT_EQ(Spools().size(), 1u);
        QFile spool(dir.filePath("data/tavrin/" + Spools()[0]));
        ASSERT_TRUE(spool.open(QIODevice::ReadOnly));
        const auto kept = ReadSpoolText(spool.readAll());
        ASSERT_TRUE(kept.has_value());
        ASSERT_EQ(kept->size(), 1u);
        EXPECT_EQ((*kept)[0].questions.size(), 6u);
    }
    EXPECT_EQ(Stored(), 1u);
}

// Runs one test of this program again in a child with the file system shim
// preloaded and `variables` set; the child does the part that needs that world.
void RunUnderShim(const char* test, const QStringList& variables, const QString& record) {
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("LD_PRELOAD", TAVRIN_FILE_SYSTEM_SHIM);
    // Under the sanitizers their runtime would refuse to come second to the shim.
    environment.insert("ASAN_OPTIONS",
                       environment.value("ASAN_OPTIONS") + ":verify_asan_link_order=0");
    environment.insert("TAVRIN_TEST_RECORD", record);
    for (const QString& variable : variables) environment.insert(variable, "1");
    child.setProcessEnvironment(environment);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start("/proc/self/exe", {QStringLiteral("--gtest_filter=StorageTest.") + test});
    ASSERT_TRUE(child.waitForFinished(60'000));
    const QByteArray output = child.readAll();
    EXPECT_EQ(child.exitCode(), 0) << output.constData();
    EXPECT_TRUE(output.contains("[  PASSED  ] 1 test")) << output.constData();
}

// The journal the record says it has: 1 for the rollback journal, 2 for the write-ahead log.
int JournalOf(const QString& record) {
    QFile file(record);
    if (!file.open(QIODevice::ReadOnly)) return -1;
    return file.read(20).at(18);
}

TEST_F(StorageTest, WithoutLocksTheMessageSaysSoAndTheSetWaits) {
    if (qEnvironmentVariableIsSet("TAVRIN_SHIM_NO_LOCKS")) {
        const QString record = qEnvironmentVariable("TAVRIN_TEST_RECORD");
        QTemporaryFile probe;
        ASSERT_TRUE(probe.open());
        struct flock lock {};
        lock.l_type = F_WRLCK;
        ASSERT_EQ(fcntl(probe.handle(), F_SETLK, &lock), -1) << "the shim is not in place";

        const RecordStore::Loaded loaded = RecordStore(record).LoadAll();
        EXPECT_EQ(loaded.error, QString()) << "the report is read as the file lies";
        EXPECT_EQ(loaded.sets.size(), 1u);
        StderrFile said;
        const PracticeRecorder recorder(record, {2000, 60'000});
        SessionState session = FinishedSet(4);
        recorder.SetMarked(session);
        ASSERT_TRUE(Settled(recorder));
        EXPECT_EQ(recorder.Unstored(), 1);
        const QStringList lines = said.Lines();
        ASSERT_EQ(lines.size(), 1) << lines.join(u'\n').toStdString();
        EXPECT_TRUE(lines[0].contains("does not support locks")) << lines[0].toStdString();
        EXPECT_FALSE(lines[0].contains("another program")) << lines[0].toStdString();
        return;
    }
    ASSERT_TRUE(RecordStore(Record()).Append(Set(2)).stored);
    RunUnderShim("WithoutLocksTheMessageSaysSoAndTheSetWaits", {"TAVRIN_SHIM_NO_LOCKS"}, Record());
    ASSERT_EQ(Spools().size(), 1u) << "the set the child could not store";
    const PracticeRecorder recorder(Record());  // where locks work again
    ASSERT_TRUE(Settled(recorder));
    EXPECT_EQ(Stored(), 2u);
}

TEST_F(StorageTest, OnANetworkFileSystemTheRecordKeepsARollbackJournal) {
    if (qEnvironmentVariableIsSet("TAVRIN_SHIM_NFS")) {
        EXPECT_TRUE(RecordStore(qEnvironmentVariable("TAVRIN_TEST_RECORD")).Append(Set(3)).stored);
        return;
    }
    ASSERT_TRUE(RecordStore(Record()).Append(Set(2)).stored);
    ASSERT_EQ(JournalOf(Record()), 2) << "a local record keeps the write-ahead log";
    RunUnderShim("OnANetworkFileSystemTheRecordKeepsARollbackJournal", {"TAVRIN_SHIM_NFS"},
                 Record());
    EXPECT_EQ(JournalOf(Record()), 1);
    EXPECT_EQ(Stored(), 2u);
}

TEST_F(StorageTest, AProgramKilledWhileStoringASetLosesNothingAndStoresNothingTwice) {
    constexpr int kQuestions = 5'000;
    if (qEnvironmentVariableIsSet("TAVRIN_TEST_MARK_AND_WAIT")) {
        const PracticeRecorder recorder(qEnvironmentVariable("TAVRIN_TEST_RECORD"));
        SessionState session = FinishedSet(kQuestions);
        recorder.SetMarked(session);
        std::puts("marked");
        std::fflush(stdout);
        for (;;) pause();  // until killed
    }
    ASSERT_TRUE(RecordStore(Record()).Append(Set(1)).stored);
    // From as soon as the set is handed over to after it is surely stored.
    for (const int killAfterMs : {0, 5, 20, 60, 150, 1000}) {
        SCOPED_TRACE(killAfterMs);
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("TAVRIN_TEST_MARK_AND_WAIT", "1");
        environment.insert("TAVRIN_TEST_RECORD", Record());
        child.setProcessEnvironment(environment);
        child.start("/proc/self/exe",
                    {"--gtest_filter=StorageTest."
                     "AProgramKilledWhileStoringASetLosesNothingAndStoresNothingTwice"});
        ASSERT_TRUE(child.waitForStarted());
        while (!child.readAllStandardOutput().contains("marked"))
            ASSERT_TRUE(child.waitForReadyRead(30'000));
        QThread::msleep(killAfterMs);
        child.kill();
        ASSERT_TRUE(child.waitForFinished());

        const PracticeRecorder next(Record());  // the next start
        ASSERT_TRUE(Settled(next));
        const RecordStore::Loaded loaded = RecordStore(Record()).LoadAll();
        EXPECT_EQ(loaded.error, QString());
        ASSERT_EQ(loaded.sets.size(), 2u);
        EXPECT_EQ(loaded.sets[1].questions.size(), std::size_t(kQuestions));
        EXPECT_EQ(Spools(), QStringList());
        // Keep only the first set for the next round.
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "trim");
        db.setDatabaseName(Record());
        ASSERT_TRUE(db.open());
        QSqlQuery(db).exec("DELETE FROM question WHERE set_id > 1");
        QSqlQuery(db).exec("DELETE FROM practice_set WHERE id > 1");
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase("trim");
    }
}

class BusyRecordTest : public FaceWindowTest {
protected:
    QString Record() const { return dir.filePath("data/tavrin/record.sqlite"); }
};

TEST_F(BusyRecordTest, ASetMarkedWhileAnotherProgramHoldsTheRecordIsStoredOnceItLetsGo) {
    const struct {
        const char* name;
        int holdMs, busyWaitMs;
        int lines;  // none, or "not saved yet" and "now saved"
    } cases[] = {
        {"let go within the wait", 3000, 10'000, 0},
        {"held beyond the wait", 2500, 400, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(RecordStore(Record()).Append(Set(1)).stored);
        auto recorder = std::make_unique<PracticeRecorder>(
            Record(), PracticeRecorder::Options{c.busyWaitMs, 200});
        recordMarkedSet = *recorder;
        Start();
        MakeSet("1000", "10", "3");
        for (int row = 0; row < 3; ++row) Answer(face->session().store.Cell(4, std::int16_t(row)));
        QStringList lines;
        {
            const LockHolder other(Record(), c.holdMs);
            StderrFile said;
            QTest::mouseClick(ui().Command4, Qt::LeftButton);
            EXPECT_TRUE(other.holding()) << "the face waited for the record";
            EXPECT_TRUE(face->marqueeTimer().isActive());
            EXPECT_EQ(face->session().scoreLine[kScoreTextCell], QString("100"));
            ASSERT_TRUE(QTest::qWaitFor(
                [&] { return recorder->Unstored() == 0 && recorder->Idle(); }, 30'000));
            lines = said.Lines();
        }
        EXPECT_EQ(lines.size(), c.lines) << lines.join(u'\n').toStdString();
        const auto sets = RecordStore(Record()).LoadAll().sets;
        ASSERT_EQ(sets.size(), 2u) << "stored once";
        EXPECT_EQ(sets[1].score, 100);
        face.reset();
        recordMarkedSet = nullptr;
        recorder.reset();
        QDir(dir.filePath("data")).removeRecursively();
    }
}

TEST(SpoolTest, KeepsEverythingTheRecordKeepsOfASet) {
    MarkedSet set = Set(2, 5);
    set.questions[1].answer = QString();  // a blank answer
    set.questions[1].right = false;
    set.correct = 1;
    set.score = 50;
    set.kind = QStringLiteral("review");
    set.questions[0].answerMs = 2400;
    const auto back = ReadSpoolText(SpoolText({set, Set(1)}));
    ASSERT_TRUE(back.has_value());
    ASSERT_EQ(back->size(), 2u);
    const MarkedSet& got = (*back)[0];
    EXPECT_EQ(got.markedAt, set.markedAt);
    EXPECT_EQ(got.markedAt.offsetFromUtc(), 8 * 3600);
    EXPECT_EQ(std::tuple(got.mask, got.range, got.count, got.correct, got.score),
              std::tuple(set.mask, set.range, set.count, set.correct, set.score));
    ASSERT_EQ(got.questions.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        const RecordedQuestion &a = got.questions[i], &b = set.questions[i];
        EXPECT_EQ(std::tuple(a.first, a.sign, a.second, a.result, a.answer, a.right, a.answerMs),
                  std::tuple(b.first, b.sign, b.second, b.result, b.answer, b.right, b.answerMs));
    }
    EXPECT_EQ(got.kind, set.kind);
    const QByteArray good = SpoolText({set});
    QByteArray newer = good;
    newer[int(sizeof "tavrin spool") + 3] = 3;  // the version, big-endian
    for (const QByteArray& text :
         {newer, good.chopped(1), good + '\0', QByteArray("not a spool"), QByteArray()})
        EXPECT_FALSE(ReadSpoolText(text).has_value()) << text.toHex().constData();
}

}  // namespace
}  // namespace tavrin::testing
