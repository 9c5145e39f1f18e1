// SPDX-License-Identifier: GPL-3.0-or-later
#include "record/record_store.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QVariant>
#include <algorithm>
#include <atomic>
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
struct Migration {
    const char* const* begin;
    const char* const* end;
};
const Migration kMigrations[] = {{std::begin(kVersion1), std::end(kVersion1)},
                                 {std::begin(kVersion2), std::end(kVersion2)}};
static_assert(std::size(kMigrations) == RecordStore::kSchemaVersion);

// Questions go in many to a statement: one statement per question would cost
// more than the writing itself for the largest sets.
constexpr int kQuestionColumns = 8;
constexpr int kQuestionsPerInsert = 50;

struct Failure {
    QString text;
    bool damaged = false;
    bool empty = false;  // a file with no record in it yet, when reading
};

// Qt binds a null string as NULL, and a blank answer is a null string.
QString Text(const QString& text) { return text.isNull() ? QStringLiteral("") : text; }

QString OneLine(QString text) { return text.replace(u'\n', u' ').trimmed(); }

Failure FailureOf(const QSqlError& error) {
    const int code = error.nativeErrorCode().toInt() & 0xff;
    constexpr int kCorrupt = 11, kNotADatabase = 26;
    return {OneLine(error.databaseText().isEmpty() ? error.text() : error.databaseText()),
            code == kCorrupt || code == kNotADatabase};
}

// One SQLite connection for the life of one call.
class Connection {
public:
    explicit Connection(const QString& path) {
        static std::atomic<int> serial = 0;
        name_ = QStringLiteral("tavrin-record-%1").arg(++serial);
        db_ = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name_);
        db_.setDatabaseName(path);
        db_.setConnectOptions(
            QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(RecordStore::kBusyTimeoutMs));
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

// Opens, migrates and runs body in one transaction; rolls back on any failure.
// A writer takes the write lock at once, so that it fails within the busy
// timeout instead of halfway through.
template <typename Body>
std::optional<Failure> InTransaction(const QString& path, bool write, Body body) {
    Connection connection(path);
    if (auto f = connection.Open()) return f;
    QSqlDatabase& db = connection.db();
    std::optional<Failure> failure;
    {
        QSqlQuery query(db);
        failure = Exec(query, QStringLiteral("PRAGMA journal_mode = WAL"));
        if (!failure) failure = Exec(query, QStringLiteral("PRAGMA foreign_keys = ON"));
        if (!failure) failure = Exec(query, QStringLiteral("PRAGMA synchronous = NORMAL"));
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

std::optional<Failure> InsertSet(QSqlDatabase& db, const MarkedSet& set) {
    QSqlQuery query(db);
    query.prepare(QStringLiteral(
        "INSERT INTO practice_set (marked_at, operations, number_range, question_count,"
        " correct_count, score) VALUES (?, ?, ?, ?, ?, ?)"));
    const QDateTime at = set.markedAt.toOffsetFromUtc(set.markedAt.offsetFromUtc());
    for (const QVariant& value :
         {QVariant(Text(at.toString(Qt::ISODate))), QVariant(Text(set.mask)), QVariant(set.range),
          QVariant(set.count), QVariant(set.correct), QVariant(set.score)})
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
                " second_operand, result, answer, is_right) VALUES ");
            for (int r = 0; r < rows; ++r)
                sql +=
                    r ? QStringLiteral(",(?,?,?,?,?,?,?,?)") : QStringLiteral("(?,?,?,?,?,?,?,?)");
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
        }
        if (!query.exec()) return FailureOf(query.lastError());
    }
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

RecordStore::Outcome RecordStore::Append(const MarkedSet& set) const {
    const QFileInfo info(path_);
    if (info.exists() && !info.isFile())
        return {false, QStringLiteral("%1 is not a file; left as it is").arg(path_)};
    if (!QDir().mkpath(info.absolutePath()))
        return {false, QStringLiteral("cannot make the folder %1").arg(info.absolutePath())};
    auto write = [&] {
        return InTransaction(path_, true, [&](QSqlDatabase& db) { return InsertSet(db, set); });
    };
    std::optional<Failure> failure = write();
    if (!failure) return {true, {}};
    if (!failure->damaged) return {false, QStringLiteral("%1: %2").arg(path_, failure->text)};

    const QString aside = MoveAside(path_);
    if (aside.isEmpty())
        return {false, QStringLiteral("%1 is damaged (%2) and cannot be moved aside; left as it is")
                           .arg(path_, failure->text)};
    const QString kept =
        QStringLiteral("%1 was damaged (%2); kept as %3").arg(path_, failure->text, aside);
    failure = write();
    if (failure)
        return {false, kept + QStringLiteral("; a new record failed too: ") + failure->text};
    return {true, kept + QStringLiteral(" and a new record begun")};
}

RecordStore::Loaded RecordStore::LoadAll() const {
    Loaded loaded;
    const QFileInfo info(path_);
    if (!info.exists()) return loaded;
    if (!info.isFile()) {
        loaded.error = QStringLiteral("%1 不是一个文件。").arg(path_);
        return loaded;
    }
    const auto failure =
        InTransaction(path_, false, [&](QSqlDatabase& db) -> std::optional<Failure> {
            QSqlQuery query(db);
            query.setForwardOnly(true);
            if (auto f = Exec(
                    query, QStringLiteral("SELECT id, marked_at, operations, number_range,"
                                          " question_count, correct_count, score FROM practice_set"
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
                loaded.sets.push_back(std::move(set));
            }
            if (auto f = Exec(
                    query,
                    QStringLiteral("SELECT set_id, first_operand, operator_sign, second_operand,"
                                   " result, answer, is_right FROM question"
                                   " ORDER BY set_id, position")))
                return f;
            while (query.next()) {
                const auto at = index.constFind(query.value(0).toLongLong());
                if (at == index.constEnd()) continue;
                loaded.sets[*at].questions.push_back(
                    {query.value(1).toString(), query.value(2).toString(),
                     query.value(3).toString(), query.value(4).toString(),
                     query.value(5).toString(), query.value(6).toBool()});
            }
            return std::nullopt;
        });
    if (failure && !failure->empty) {
        loaded.sets.clear();
        loaded.error = failure->damaged
                           ? QStringLiteral("练习记录 %1 已损坏（%2）。").arg(path_, failure->text)
                           : QStringLiteral("读不了练习记录 %1：%2").arg(path_, failure->text);
    }
    return loaded;
}

QStringList RecordStore::Files() const {
    QStringList files;
    for (const char* companion : {"", "-wal", "-shm", "-journal"})
        if (QFileInfo::exists(path_ + QLatin1String(companion)))
            files << path_ + QLatin1String(companion);
    const QFileInfo info(path_);
    QDir folder = info.absoluteDir();
    for (const QString& name : folder.entryList({info.fileName() + QStringLiteral(".damaged-*")},
                                                QDir::Files | QDir::Hidden, QDir::Name))
        files << folder.filePath(name);
    return files;
}

}  // namespace tavrin
