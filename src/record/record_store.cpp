// SPDX-License-Identifier: GPL-3.0-or-later
#include "record/record_store.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QThread>
#include <QUrl>
#include <QVariant>
#include <algorithm>
#include <atomic>
#include <memory>
#include <optional>

namespace tavrin {

namespace {

// Each version's steps, applied in order to a record of the version before;
// a new record goes through all of them. Steps already shipped never change.
const char* const kVersion1[] = {
    "CREATE TABLE schema_version (version INTEGER NOT NULL)",
    "INSERT INTO schema_version VALUES (0)",
    "CREATE TABLE practice_set (id INTEGER PRIMARY KEY, marked_at TEXT NOT NULL,"
    " operations TEXT NOT NULL, number_range INTEGER NOT NULL,"
    " question_count INTEGER NOT NULL, score INTEGER NOT NULL)",
    "CREATE TABLE question (set_id INTEGER NOT NULL REFERENCES practice_set (id) ON DELETE CASCADE,"
    " position INTEGER NOT NULL, first_operand TEXT NOT NULL, operator_sign TEXT NOT NULL,"
    " second_operand TEXT NOT NULL, result TEXT NOT NULL, answer TEXT NOT NULL,"
    " PRIMARY KEY (set_id, position)) WITHOUT ROWID",
};
// Version 2 keeps whether each answer was right as the program judged it when
// the set was marked, so the report never has to repeat the marking rule.
// Version 1 records get it from that rule: spaces trimmed, the same text.
const char* const kVersion2[] = {
    "ALTER TABLE question ADD COLUMN is_right INTEGER NOT NULL DEFAULT 0",
    "UPDATE question SET is_right = (trim(answer, ' ') = trim(result, ' '))",
    "ALTER TABLE practice_set ADD COLUMN correct_count INTEGER NOT NULL DEFAULT 0",
    "UPDATE practice_set SET correct_count ="
    " (SELECT count(*) FROM question WHERE set_id = practice_set.id AND is_right)",
};
// Each fact's three latest answers, the newest in the columns ending in 1: all the due
// rule looks at. A set shifts them along fact by fact as it is stored, so the review
// set is read from one row per fact instead of from every answer ever given; an index
// of every answer by fact cost the largest set several times its writing.
#define TAVRIN_LATEST_UPSERT(source)                                                      \
    "INSERT INTO fact (first_operand, operator_sign, second_operand, result, set1, pos1," \
    " right1, ms1) SELECT first_operand, operator_sign, second_operand, result, set_id,"  \
    " position, is_right, answer_ms FROM question " source                                \
    " ON CONFLICT (first_operand, operator_sign, second_operand) DO UPDATE SET"           \
    " set3 = set2, pos3 = pos2, right3 = right2, ms3 = ms2,"                              \
    " set2 = set1, pos2 = pos1, right2 = right1, ms2 = ms1, set1 = excluded.set1,"        \
    " pos1 = excluded.pos1, right1 = excluded.right1, ms1 = excluded.ms1,"                \
    " result = excluded.result"

// Version 3 keeps how long each answer took (unknown before) and whether a set
// was new or a review of the facts still due, and each fact's latest answers.
const char* const kVersion3[] = {
    "ALTER TABLE question ADD COLUMN answer_ms INTEGER",
    "ALTER TABLE practice_set ADD COLUMN kind TEXT NOT NULL DEFAULT 'new'",
    "CREATE TABLE fact (first_operand TEXT NOT NULL, operator_sign TEXT NOT NULL,"
    " second_operand TEXT NOT NULL, result TEXT NOT NULL,"
    " set1 INTEGER, pos1 INTEGER, right1 INTEGER, ms1 INTEGER,"
    " set2 INTEGER, pos2 INTEGER, right2 INTEGER, ms2 INTEGER,"
    " set3 INTEGER, pos3 INTEGER, right3 INTEGER, ms3 INTEGER,"
    " PRIMARY KEY (first_operand, operator_sign, second_operand)) WITHOUT ROWID",
    TAVRIN_LATEST_UPSERT("WHERE true ORDER BY set_id, position"),
};
struct Migration {
    const char* const* begin;
    const char* const* end;
};
const Migration kMigrations[] = {{std::begin(kVersion1), std::end(kVersion1)},
                                 {std::begin(kVersion2), std::end(kVersion2)},
                                 {std::begin(kVersion3), std::end(kVersion3)}};
static_assert(std::size(kMigrations) == RecordStore::kSchemaVersion);

// Questions go in many to a statement: one statement per question would cost
// more than the writing itself for the largest sets.
constexpr int kQuestionColumns = 9;
constexpr int kQuestionsPerInsert = 50;

struct Failure {
    QString text;
    bool damaged = false;
    bool empty = false;  // a file with no record in it yet, when reading
    int code = 0;        // SQLite's primary result code, when it came from SQLite
};

// Written in English and translated like the rest of the command line.
QString Tr(const char* text) { return QCoreApplication::translate("tavrin::RecordStore", text); }

constexpr int kBusy = 5, kLocked = 6;
bool IsBusy(const Failure& f) { return f.code == kBusy || f.code == kLocked; }

// Qt binds a null string as NULL, and a blank answer is a null string.
QString Text(const QString& text) { return text.isNull() ? QStringLiteral("") : text; }

QString OneLine(QString text) { return text.replace(u'\n', u' ').trimmed(); }

Failure FailureOf(const QSqlError& error) {
    const int code = error.nativeErrorCode().toInt() & 0xff;
    constexpr int kCorrupt = 11, kNotADatabase = 26;
    return {OneLine(error.databaseText().isEmpty() ? error.text() : error.databaseText()),
            code == kCorrupt || code == kNotADatabase, false, code};
}

// How a call opens the file. Reading never asks for write access; where even a
// read-only open needs to write (a write-ahead log's shared memory in a full or
// read-only folder), SQLite is told the file cannot change while it reads.
enum class Mode { kWrite, kRead, kImmutable };

// Whether the folder's file system takes POSIX locks: SQLite reports a lock that
// fails as "database is locked", which would blame another program. Asked of the
// folder, never of the record: closing any descriptor of the record would drop the
// locks SQLite holds on it in this process.
bool LocksWork(const QString& path) {
    const int fd = open(QFile::encodeName(QFileInfo(path).absolutePath()).constData(),
                        O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return true;  // nothing to ask; SQLite's own error stands
    struct flock lock {};
    lock.l_type = F_RDLCK;
    lock.l_whence = SEEK_SET;
    lock.l_len = 1;
    const bool works = fcntl(fd, F_OFD_GETLK, &lock) == 0 || errno == EINVAL;
    close(fd);
    return works;
}

// Network file systems (and FUSE, which sshfs and others use) give no shared
// memory across machines, which the write-ahead log needs.
bool OnNetworkFileSystem(const QString& path) {
    struct statfs fs {};
    if (statfs(QFile::encodeName(QFileInfo(path).absolutePath()).constData(), &fs) != 0)
        return false;
    switch (static_cast<unsigned long>(fs.f_type) & 0xffffffffUL) {
        case 0x6969UL:      // NFS
        case 0x517BUL:      // SMB
        case 0xFF534D42UL:  // CIFS
        case 0xFE534D42UL:  // SMB2
        case 0x65735546UL:  // FUSE
        case 0x01021997UL:  // 9P
        case 0x5346414FUL:  // AFS
        case 0x00C36400UL:  // Ceph
        case 0x47504653UL:  // GPFS
        case 0x0BD00BD0UL:  // Lustre
            return true;
        default:
            return false;
    }
}

// As the program is now, not as it started: the effective user's rights.
bool Writable(const QString& path) {
    return faccessat(AT_FDCWD, QFile::encodeName(path).constData(), W_OK, AT_EACCESS) == 0;
}

// A read of a read-only record leaves its shared memory and log with the record's
// read-only mode, and SQLite then refuses every write once the record is writable
// again. Ours to fix: they take the record's own mode back.
void MatchCompanionsToRecord(const QString& path) {
    struct stat record {};
    if (stat(QFile::encodeName(path).constData(), &record) != 0) return;
    for (const char* companion : {"-wal", "-shm"}) {
        const QByteArray name = QFile::encodeName(path + QLatin1String(companion));
        struct stat st {};
        if (lstat(name.constData(), &st) != 0 || !S_ISREG(st.st_mode) ||
            Writable(QFile::decodeName(name)) || st.st_uid != geteuid())
            continue;
        chmod(name.constData(), record.st_mode & 0666);
    }
}

// One SQLite connection for the life of one call.
class Connection {
public:
    Connection(const QString& path, Mode mode, int busyTimeoutMs) {
        static std::atomic<int> serial = 0;
        name_ = QStringLiteral("tavrin-record-%1").arg(++serial);
        db_ = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name_);
        QString options = QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(busyTimeoutMs);
        if (mode == Mode::kImmutable) {
            db_.setDatabaseName(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath())
                                    .toString(QUrl::FullyEncoded) +
                                QStringLiteral("?immutable=1"));
            options += QStringLiteral(";QSQLITE_OPEN_URI");
        } else {
            db_.setDatabaseName(path);
        }
        if (mode != Mode::kWrite) options += QStringLiteral(";QSQLITE_OPEN_READONLY");
        db_.setConnectOptions(options);
    }
    ~Connection() {
        db_.close();
        db_ = QSqlDatabase();
        QSqlDatabase::removeDatabase(name_);
    }
    std::optional<Failure> Open() {
        if (!db_.isValid()) return Failure{QStringLiteral("the SQLite driver of Qt is missing")};
        if (!db_.open()) return FailureOf(db_.lastError());
        return std::nullopt;
    }
    QSqlDatabase& db() { return db_; }

private:
    QString name_;
    QSqlDatabase db_;
};

std::optional<Failure> Exec(QSqlQuery& query, const QString& sql) {
    if (query.exec(sql)) return std::nullopt;
    return FailureOf(query.lastError());
}

// SQLite's own calls, taken from the library Qt's driver has loaded by the time a record is
// open: linking it into the program would have it read at every start, for the report alone.
// None where the driver has no such library of its own (a Qt with SQLite built in).
class SqliteCalls {
public:
    SqliteCalls() : library_(dlopen("libsqlite3.so.0", RTLD_LAZY | RTLD_NOLOAD)) {
        if (!library_) return;
        found_ = Find(prepare, "sqlite3_prepare_v2") && Find(step, "sqlite3_step") &&
                 Find(finalize, "sqlite3_finalize") && Find(text, "sqlite3_column_text") &&
                 Find(bytes, "sqlite3_column_bytes") && Find(int64, "sqlite3_column_int64") &&
                 Find(type, "sqlite3_column_type") && Find(errmsg, "sqlite3_errmsg") &&
                 Find(errcode, "sqlite3_extended_errcode");
    }
    ~SqliteCalls() {
        if (library_) dlclose(library_);
    }
    SqliteCalls(const SqliteCalls&) = delete;
    SqliteCalls& operator=(const SqliteCalls&) = delete;
    explicit operator bool() const { return found_; }

    decltype(&sqlite3_prepare_v2) prepare = nullptr;
    decltype(&sqlite3_step) step = nullptr;
    decltype(&sqlite3_finalize) finalize = nullptr;
    decltype(&sqlite3_column_text) text = nullptr;
    decltype(&sqlite3_column_bytes) bytes = nullptr;
    decltype(&sqlite3_column_int64) int64 = nullptr;
    decltype(&sqlite3_column_type) type = nullptr;
    decltype(&sqlite3_errmsg) errmsg = nullptr;
    decltype(&sqlite3_extended_errcode) errcode = nullptr;

private:
    template <typename Function>
    bool Find(Function& function, const char* name) {
        function = reinterpret_cast<Function>(dlsym(library_, name));
        return function != nullptr;
    }
    void* library_;
    bool found_ = false;
};

constexpr char kAnswersInOrder[] =
    "SELECT set_id, first_operand, operator_sign, second_operand, result, answer, is_right,"
    " answer_ms FROM question ORDER BY set_id, position";

// Every answer of every set, for the report. Through Qt SQL each of half a million rows
// costs a fresh string per cell, which made a record of years take over a second; read
// straight from the driver's connection and share each distinct text, since a record holds
// only a few hundred of them.
std::optional<Failure> ReadAnswers(QSqlDatabase& db, const QHash<qint64, std::size_t>& index,
                                   std::vector<MarkedSet>& sets) {
    const QVariant handle = db.driver()->handle();
    const SqliteCalls sqlite;
    if (!sqlite || qstrcmp(handle.typeName(), "sqlite3*") != 0) {
        QSqlQuery query(db);
        query.setForwardOnly(true);
        if (auto f = Exec(query, QString::fromLatin1(kAnswersInOrder))) return f;
        while (query.next()) {
            const auto at = index.constFind(query.value(0).toLongLong());
            if (at == index.constEnd()) continue;
            RecordedQuestion q{query.value(1).toString(),
                               query.value(2).toString(),
                               query.value(3).toString(),
                               query.value(4).toString(),
                               query.value(5).toString(),
                               query.value(6).toBool(),
                               {}};
            if (!query.isNull(7)) q.answerMs = query.value(7).toInt();
            sets[*at].questions.push_back(std::move(q));
        }
        return std::nullopt;
    }
    sqlite3* const connection = *static_cast<sqlite3* const*>(handle.constData());
    const auto failure = [&] {
        const int code = sqlite.errcode(connection) & 0xff;
        constexpr int kCorrupt = 11, kNotADatabase = 26;
        return Failure{OneLine(QString::fromUtf8(sqlite.errmsg(connection))),
                       code == kCorrupt || code == kNotADatabase, false, code};
    };
    sqlite3_stmt* raw = nullptr;
    if (sqlite.prepare(connection, kAnswersInOrder, -1, &raw, nullptr) != SQLITE_OK)
        return failure();
    const std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> statement(raw, sqlite.finalize);
    QHash<QByteArray, QString> texts;
    const auto text = [&](int column) {
        const auto* bytes = reinterpret_cast<const char*>(sqlite.text(raw, column));
        const int size = sqlite.bytes(raw, column);
        if (!bytes) return QString();
        const QByteArray key = QByteArray::fromRawData(bytes, size);
        const auto known = texts.constFind(key);
        if (known != texts.constEnd()) return *known;
        const QString made = size == 0 ? QStringLiteral("") : QString::fromUtf8(bytes, size);
        texts.insert(QByteArray(bytes, size), made);
        return made;
    };
    int step = SQLITE_ROW;
    while ((step = sqlite.step(raw)) == SQLITE_ROW) {
        const auto at = index.constFind(sqlite.int64(raw, 0));
        if (at == index.constEnd()) continue;
        RecordedQuestion q{text(1), text(2), text(3), text(4), text(5), sqlite.int64(raw, 6) != 0,
                           {}};
        if (sqlite.type(raw, 7) != SQLITE_NULL) q.answerMs = static_cast<int>(sqlite.int64(raw, 7));
        sets[*at].questions.push_back(std::move(q));
    }
    if (step != SQLITE_DONE) return failure();
    return std::nullopt;
}

// Inside a transaction: brings the record to the current version. Reading
// never makes a record where none is, so that it never needs to write to one.
std::optional<Failure> Migrate(QSqlDatabase& db, bool create) {
    QSqlQuery query(db);
    if (auto f =
            Exec(query, QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = 'table'"
                                       " AND name = 'schema_version'")))
        return f;
    int version = 0;
    if (query.next() && query.value(0).toInt() > 0) {
        if (auto f = Exec(query, QStringLiteral("SELECT version FROM schema_version"))) return f;
        if (!query.next()) return Failure{QStringLiteral("the record has no schema version"), true};
        version = query.value(0).toInt();
    }
    if (version > RecordStore::kSchemaVersion)
        return Failure{QStringLiteral("the record is from a newer Tavrin (schema version %1); "
                                      "left as it is")
                           .arg(version)};
    if (version == RecordStore::kSchemaVersion) return std::nullopt;
    if (version == 0 && !create) return Failure{{}, false, true};
    for (int v = version; v < RecordStore::kSchemaVersion; ++v)
        for (auto step = kMigrations[v].begin; step != kMigrations[v].end; ++step)
            if (auto f = Exec(query, QString::fromUtf8(*step))) return f;
    if (auto f = Exec(query, QStringLiteral("UPDATE schema_version SET version = %1")
                                 .arg(RecordStore::kSchemaVersion)))
        return f;
    return std::nullopt;
}

// The write-ahead log where the folder is local; the rollback journal where it is
// on a network, or where the log cannot be made.
std::optional<Failure> ChooseJournal(QSqlQuery& query, const QString& path) {
    const bool local = !OnNetworkFileSystem(path);
    if (local && !Exec(query, QStringLiteral("PRAGMA journal_mode = WAL")))
        return Exec(query, QStringLiteral("PRAGMA synchronous = NORMAL"));
    if (auto f = Exec(query, QStringLiteral("PRAGMA journal_mode = DELETE"))) return f;
    return Exec(query, QStringLiteral("PRAGMA synchronous = FULL"));
}

// Opens, migrates and runs body in one transaction; rolls back on any failure.
// A writer takes the write lock at once, so that it fails within the busy
// timeout instead of halfway through.
template <typename Body>
std::optional<Failure> InTransaction(const QString& path, Mode mode, int busyTimeoutMs, Body body) {
    const bool write = mode == Mode::kWrite;
    Connection connection(path, mode, busyTimeoutMs);
    if (auto f = connection.Open()) return f;
    QSqlDatabase& db = connection.db();
    std::optional<Failure> failure;
    {
        QSqlQuery query(db);
        if (write) failure = ChooseJournal(query, path);
        if (!failure) failure = Exec(query, QStringLiteral("PRAGMA foreign_keys = ON"));
        if (!failure)
            failure =
                Exec(query, write ? QStringLiteral("BEGIN IMMEDIATE") : QStringLiteral("BEGIN"));
        if (failure) return failure;
        failure = Migrate(db, write);
        if (!failure) failure = body(db);
        if (!failure) failure = Exec(query, QStringLiteral("COMMIT"));
        if (failure) query.exec(QStringLiteral("ROLLBACK"));
    }
    return failure;
}

// Reads through body without writing where it can: a read-only open still wants to
// write the log's shared memory, which a full disk, a read-only folder or mount
// refuses, and a file system without locks refuses its lock: the file is then read as
// it lies. A record another program really holds is not read so, as it may be halfway
// through a change. An older record is brought up to date as before, which does write.
// reset undoes what a failed try of body gathered.
template <typename Body, typename Reset>
std::optional<Failure> ReadWithoutWriting(const QString& path, Body body, Reset reset,
                                          bool& noLocks) {
    constexpr int kReadBusyMs = 2000;
    std::optional<Failure> failure = InTransaction(path, Mode::kRead, kReadBusyMs, body);
    noLocks = failure && IsBusy(*failure) && !LocksWork(path);
    const auto retry = [&](Mode mode) {
        reset();
        const auto again = InTransaction(path, mode, kReadBusyMs, body);
        if (!again || again->empty) failure = again;
        return again;
    };
    if (failure && !failure->damaged && !failure->empty && (!IsBusy(*failure) || noLocks)) {
        const auto immutable = retry(Mode::kImmutable);
        if (immutable && immutable->code == 8 /* read-only: an older schema */) retry(Mode::kWrite);
    }
    return failure;
}

// A set kept aside may have been stored just before the program ended: the same
// moment, figures and answers mean the same set.
std::optional<Failure> AlreadyStored(QSqlDatabase& db, const MarkedSet& set, bool& stored) {
    stored = false;
    QSqlQuery query(db);
    query.setForwardOnly(true);
    query.prepare(QStringLiteral(
        "SELECT id FROM practice_set WHERE marked_at = ? AND operations = ? AND number_range = ?"
        " AND question_count = ? AND correct_count = ? AND score = ?"));
    const QDateTime at = set.markedAt.toOffsetFromUtc(set.markedAt.offsetFromUtc());
    for (const QVariant& value :
         {QVariant(Text(at.toString(Qt::ISODate))), QVariant(Text(set.mask)), QVariant(set.range),
          QVariant(set.count), QVariant(set.correct), QVariant(set.score)})
        query.addBindValue(value);
    if (!query.exec()) return FailureOf(query.lastError());
    QList<qint64> candidates;
    while (query.next()) candidates << query.value(0).toLongLong();
    for (const qint64 id : candidates) {
        QSqlQuery answers(db);
        answers.setForwardOnly(true);
        answers.prepare(
            QStringLiteral("SELECT answer FROM question WHERE set_id = ? ORDER BY position"));
        answers.addBindValue(id);
        if (!answers.exec()) return FailureOf(answers.lastError());
        std::size_t n = 0;
        bool same = true;
        for (; answers.next(); ++n)
            same = same && n < set.questions.size() &&
                   answers.value(0).toString() == Text(set.questions[n].answer);
        if (same && n == set.questions.size()) {
            stored = true;
            return std::nullopt;
        }
    }
    return std::nullopt;
}

std::optional<Failure> InsertSet(QSqlDatabase& db, const MarkedSet& set) {
    QSqlQuery query(db);
    query.prepare(QStringLiteral(
        "INSERT INTO practice_set (marked_at, operations, number_range, question_count,"
        " correct_count, score, kind) VALUES (?, ?, ?, ?, ?, ?, ?)"));
    const QDateTime at = set.markedAt.toOffsetFromUtc(set.markedAt.offsetFromUtc());
    for (const QVariant& value :
         {QVariant(Text(at.toString(Qt::ISODate))), QVariant(Text(set.mask)), QVariant(set.range),
          QVariant(set.count), QVariant(set.correct), QVariant(set.score),
          QVariant(Text(set.kind))})
        query.addBindValue(value);
    if (!query.exec()) return FailureOf(query.lastError());
    const qint64 setId = query.lastInsertId().toLongLong();

    const auto total = static_cast<int>(set.questions.size());
    int prepared = 0;
    for (int start = 0; start < total; start += kQuestionsPerInsert) {
        const int rows = std::min(kQuestionsPerInsert, total - start);
        if (rows != prepared) {
            QString sql = QStringLiteral(
                "INSERT INTO question (set_id, position, first_operand, operator_sign,"
                " second_operand, result, answer, is_right, answer_ms) VALUES ");
            for (int r = 0; r < rows; ++r)
                sql += r ? QStringLiteral(",(?,?,?,?,?,?,?,?,?)")
                         : QStringLiteral("(?,?,?,?,?,?,?,?,?)");
            if (!query.prepare(sql)) return FailureOf(query.lastError());
            prepared = rows;
        }
        for (int r = 0; r < rows; ++r) {
            const RecordedQuestion& q = set.questions[static_cast<std::size_t>(start + r)];
            const int at0 = r * kQuestionColumns;
            query.bindValue(at0, setId);
            query.bindValue(at0 + 1, start + r);
            query.bindValue(at0 + 2, Text(q.first));
            query.bindValue(at0 + 3, Text(q.sign));
            query.bindValue(at0 + 4, Text(q.second));
            query.bindValue(at0 + 5, Text(q.result));
            query.bindValue(at0 + 6, Text(q.answer));
            query.bindValue(at0 + 7, q.right ? 1 : 0);
            query.bindValue(
                at0 + 8, q.answerMs ? QVariant(*q.answerMs) : QVariant(QMetaType::fromType<int>()));
        }
        if (!query.exec()) return FailureOf(query.lastError());
    }
    query.prepare(QStringLiteral(TAVRIN_LATEST_UPSERT("WHERE set_id = ? ORDER BY position")));
    query.addBindValue(setId);
    if (!query.exec()) return FailureOf(query.lastError());
    return std::nullopt;
}

// Renames the damaged record with its companions; returns the new name, or
// an empty string when it could not be moved.
QString MoveAside(const QString& path) {
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString aside = path + QStringLiteral(".damaged-") + stamp;
    for (int n = 2; QFileInfo::exists(aside); ++n)
        aside = path + QStringLiteral(".damaged-%1-%2").arg(stamp).arg(n);
    if (!QFile::rename(path, aside)) return {};
    for (const char* companion : {"-wal", "-shm"})
        if (QFileInfo::exists(path + QLatin1String(companion)))
            QFile::rename(path + QLatin1String(companion), aside + QLatin1String(companion));
    return aside;
}

}  // namespace

QString RecordStore::DefaultPath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/tavrin/record.sqlite");
}

RecordStore::RecordStore(QString path) : path_(std::move(path)) {}

RecordStore::Outcome RecordStore::Append(const MarkedSet& set, bool maybeStored) const {
    const QFileInfo info(path_);
    if (info.exists() && !info.isFile())
        return {false,
                Tr(QT_TRANSLATE_NOOP("tavrin::RecordStore", "%1 is not a file; left as it is"))
                    .arg(path_),
                Trouble::kOther};
    if (!QDir().mkpath(info.absolutePath()))
        return {false,
                Tr(QT_TRANSLATE_NOOP("tavrin::RecordStore", "cannot make the folder %1"))
                    .arg(info.absolutePath()),
                Trouble::kOther};
    // SQLite would open a read-only record for reading only and leave files behind
    // that keep failing later writes; a record we cannot write is not opened to write.
    if ((info.exists() && !Writable(path_)) || !Writable(info.absolutePath()))
        return {false,
                Tr(QT_TRANSLATE_NOOP("tavrin::RecordStore", "%1 or its folder is read-only"))
                    .arg(path_),
                Trouble::kOther};
    MatchCompanionsToRecord(path_);

    auto body = [&](QSqlDatabase& db) -> std::optional<Failure> {
        bool stored = false;
        if (maybeStored)
            if (auto f = AlreadyStored(db, set, stored)) return f;
        return stored ? std::nullopt : InsertSet(db, set);
    };
    // SQLite's own wait is kept short and repeated, so that a quitting program
    // need not wait out the whole of it.
    auto write = [&] {
        QElapsedTimer waited;
        waited.start();
        for (;;) {
            auto f = InTransaction(path_, Mode::kWrite, std::min(busyWaitMs_, 250), body);
            if (!f || !IsBusy(*f) || waited.elapsed() >= busyWaitMs_ ||
                (cancel_ && cancel_->load()) || !LocksWork(path_))
                return f;
            QThread::msleep(50);
        }
    };
    std::optional<Failure> failure = write();
    if (!failure) return {true, {}};
    if (IsBusy(*failure)) {
        if (!LocksWork(path_))
            return {false,
                    Tr(QT_TRANSLATE_NOOP("tavrin::RecordStore",
                                         "the file system of the folder %1 does not support "
                                         "locks, which the practice record needs"))
                        .arg(info.absolutePath()),
                    Trouble::kNoLocks};
        return {false,
                Tr(QT_TRANSLATE_NOOP("tavrin::RecordStore", "%1 is busy: another program holds it"))
                    .arg(path_),
                Trouble::kBusy};
    }
    if (!failure->damaged)
        return {false, QStringLiteral("%1: %2").arg(path_, failure->text), Trouble::kOther};

    const QString aside = MoveAside(path_);
    if (aside.isEmpty())
        return {false,
                Tr(QT_TRANSLATE_NOOP("tavrin::RecordStore",
                                     "%1 is damaged (%2) and cannot be moved aside; left as it is"))
                    .arg(path_, failure->text),
                Trouble::kOther};
    const QString kept =
        Tr(QT_TRANSLATE_NOOP("tavrin::RecordStore", "%1 was damaged (%2); kept as %3"))
            .arg(path_, failure->text, aside);
    failure = write();
    if (failure)
        return {false,
                kept + Tr(QT_TRANSLATE_NOOP("tavrin::RecordStore", "; a new record failed too: ")) +
                    failure->text,
                Trouble::kOther};
    return {true, kept + Tr(QT_TRANSLATE_NOOP("tavrin::RecordStore", " and a new record begun"))};
}

RecordStore::Loaded RecordStore::LoadAll() const {
    Loaded loaded;
    const QFileInfo info(path_);
    if (!info.exists()) return loaded;
    if (!info.isFile()) {
        loaded.error = Tr(QT_TRANSLATE_NOOP("tavrin::RecordStore", "%1 is not a file.")).arg(path_);
        return loaded;
    }
    auto read = [&](QSqlDatabase& db) -> std::optional<Failure> {
        QSqlQuery query(db);
        query.setForwardOnly(true);
        if (auto f = Exec(query, QStringLiteral("SELECT id, marked_at, operations, number_range,"
                                                " question_count, correct_count, score, kind"
                                                " FROM practice_set"
                                                " ORDER BY id")))
            return f;
        QHash<qint64, std::size_t> index;
        while (query.next()) {
            index.insert(query.value(0).toLongLong(), loaded.sets.size());
            MarkedSet set;
            set.markedAt = QDateTime::fromString(query.value(1).toString(), Qt::ISODate);
            set.mask = query.value(2).toString();
            set.range = query.value(3).toInt();
            set.count = query.value(4).toInt();
            set.correct = query.value(5).toInt();
            set.score = query.value(6).toInt();
            set.kind = query.value(7).toString();
            // Growing half a million answers set by set cost more than reading them.
            set.questions.reserve(static_cast<std::size_t>(std::clamp(set.count, 0, 1024)));
            loaded.sets.push_back(std::move(set));
        }
        return ReadAnswers(db, index, loaded.sets);
    };
    bool noLocks = false;
    const auto failure = ReadWithoutWriting(
        path_, read, [&] { loaded.sets.clear(); }, noLocks);
    if (failure && !failure->empty) {
        loaded.sets.clear();
        if (failure->damaged)
            loaded.error = Tr(QT_TRANSLATE_NOOP("tavrin::RecordStore",
                                                "The practice record %1 is damaged (%2)."))
                               .arg(path_, failure->text);
        else if (noLocks)
            loaded.error =
                Tr(QT_TRANSLATE_NOOP("tavrin::RecordStore",
                                     "Cannot read the practice record %1: the file system of its "
                                     "folder does not support locks."))
                    .arg(path_);
        else
            loaded.error = Tr(QT_TRANSLATE_NOOP("tavrin::RecordStore",
                                                "Cannot read the practice record %1: %2"))
                               .arg(path_, failure->text);
    }
    return loaded;
}

RecordStore::LatestAnswers RecordStore::LoadLatestAnswers() const {
    LatestAnswers latest;
    const QFileInfo info(path_);
    if (!info.exists()) return latest;
    if (!info.isFile()) {
        latest.error = Tr(QT_TRANSLATE_NOOP("tavrin::RecordStore", "%1 is not a file.")).arg(path_);
        return latest;
    }
    bool noLocks = false;
    const auto failure = ReadWithoutWriting(
        path_,
        [&](QSqlDatabase& db) -> std::optional<Failure> {
            QSqlQuery query(db);
            query.setForwardOnly(true);
            if (auto f = Exec(query,
                              QStringLiteral("SELECT first_operand, operator_sign, second_operand,"
                                             " result, set3, pos3, right3, ms3, set2, pos2, right2,"
                                             " ms2, set1, pos1, right1, ms1 FROM fact")))
                return f;
            while (query.next()) {
                FactHistory fact{query.value(0).toString(),
                                 query.value(1).toString(),
                                 query.value(2).toString(),
                                 query.value(3).toString(),
                                 {}};
                for (int at = 4; at < 16; at += 4) {  // oldest first
                    if (query.isNull(at)) continue;
                    const qint64 set = query.value(at).toLongLong();
                    FactAnswer answer{
                        set, set * (QuestionStore::kMaxRows + 1) + query.value(at + 1).toInt(),
                        query.value(at + 2).toBool(), std::nullopt};
                    if (!query.isNull(at + 3)) answer.answerMs = query.value(at + 3).toInt();
                    fact.answers.push_back(answer);
                }
                latest.facts.push_back(std::move(fact));
            }
            return std::nullopt;
        },
        [&] { latest.facts.clear(); }, noLocks);
    if (failure && !failure->empty) {
        latest.facts.clear();
        latest.error =
            Tr(QT_TRANSLATE_NOOP("tavrin::RecordStore", "Cannot read the practice record %1: %2"))
                .arg(path_, failure->text);
    }
    return latest;
}

QStringList RecordStore::Files() const {
    QStringList files;
    for (const char* companion : {"", "-wal", "-shm", "-journal"})
        if (QFileInfo::exists(path_ + QLatin1String(companion)))
            files << path_ + QLatin1String(companion);
    const QFileInfo info(path_);
    QDir folder = info.absoluteDir();
    for (const QString& name : folder.entryList({info.fileName() + QStringLiteral("-unsaved-*"),
                                                 info.fileName() + QStringLiteral(".damaged-*")},
                                                QDir::Files | QDir::Hidden, QDir::Name))
        files << folder.filePath(name);
    return files;
}

}  // namespace tavrin
