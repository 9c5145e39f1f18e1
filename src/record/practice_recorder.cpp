// SPDX-License-Identifier: GPL-3.0-or-later
#include "record/practice_recorder.h"

#include <signal.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <thread>

#include "record/record_store.h"
#include "session/whole_file.h"

namespace tavrin {

namespace {

constexpr int kSpoolVersion = 1;

QString Tr(const char* text) {
    return QCoreApplication::translate("tavrin::PracticeRecorder", text);
}

void Say(const QString& line) {
    std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
    std::fflush(stderr);
}

QJsonObject ToJson(const MarkedSet& set) {
    QJsonArray questions;
    for (const RecordedQuestion& q : set.questions)
        questions.append(QJsonObject{{"first", q.first},
                                     {"sign", q.sign},
                                     {"second", q.second},
                                     {"result", q.result},
                                     {"answer", q.answer},
                                     {"right", q.right}});
    return {
        {"markedAt",
         set.markedAt.toOffsetFromUtc(set.markedAt.offsetFromUtc()).toString(Qt::ISODateWithMs)},
        {"mask", set.mask},
        {"range", set.range},
        {"count", set.count},
        {"correct", set.correct},
        {"score", set.score},
        {"questions", questions}};
}

std::optional<MarkedSet> FromJson(const QJsonObject& o) {
    MarkedSet set;
    set.markedAt = QDateTime::fromString(o["markedAt"].toString(), Qt::ISODateWithMs);
    if (!set.markedAt.isValid() || !o["questions"].isArray()) return std::nullopt;
    set.mask = o["mask"].toString();
    set.range = o["range"].toInt();
    set.count = o["count"].toInt();
    set.correct = o["correct"].toInt();
    set.score = o["score"].toInt();
    for (const QJsonValue& value : o["questions"].toArray()) {
        const QJsonObject q = value.toObject();
        set.questions.push_back({q["first"].toString(), q["sign"].toString(),
                                 q["second"].toString(), q["result"].toString(),
                                 q["answer"].toString(), q["right"].toBool()});
    }
    return set;
}

}  // namespace

QByteArray SpoolText(const std::vector<MarkedSet>& sets) {
    QJsonArray array;
    for (const MarkedSet& set : sets) array.append(ToJson(set));
    return QJsonDocument(QJsonObject{{"version", kSpoolVersion}, {"sets", array}})
        .toJson(QJsonDocument::Compact);
}

std::optional<std::vector<MarkedSet>> ReadSpoolText(const QByteArray& text) {
    const QJsonDocument document = QJsonDocument::fromJson(text);
    const QJsonObject root = document.object();
    if (!document.isObject() || root["version"].toInt() < 1 ||
        root["version"].toInt() > kSpoolVersion || !root["sets"].isArray())
        return std::nullopt;
    std::vector<MarkedSet> sets;
    for (const QJsonValue& value : root["sets"].toArray()) {
        auto set = FromJson(value.toObject());
        if (!set) return std::nullopt;
        sets.push_back(std::move(*set));
    }
    return sets;
}

class PracticeRecorder::Worker {
public:
    Worker(QString path, Options options)
        : store_(path.isEmpty() ? RecordStore::DefaultPath() : std::move(path)),
          options_(options),
          spoolPath_(store_.SpoolPath() + QStringLiteral("-%1").arg(getpid())) {
        store_.SetBusyWait(options_.busyWaitMs, &stopping_);
        thread_ = std::thread([this] { Run(); });
    }
    ~Worker() {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        wake_.notify_all();
        thread_.join();
    }

    void Add(MarkedSet set) {
        {
            std::lock_guard lock(mutex_);
            incoming_.push_back(std::move(set));
            ++unstored_;
            busy_ = true;
        }
        wake_.notify_all();
    }
    int Unstored() const { return unstored_; }
    bool Idle() const {
        std::lock_guard lock(mutex_);
        return !busy_;
    }

private:
    using Clock = std::chrono::steady_clock;

    void Run() {
        AdoptSpoolsOfProgramsGone();
        Clock::time_point retryAt = Clock::now();
        for (;;) {
            std::vector<MarkedSet> taken;
            {
                std::unique_lock lock(mutex_);
                if (incoming_.empty() && !stopping_) {
                    busy_ = false;
                    if (pending_.empty())
                        wake_.wait(lock, [&] { return !incoming_.empty() || stopping_; });
                    else
                        wake_.wait_until(lock, retryAt,
                                         [&] { return !incoming_.empty() || stopping_; });
                    busy_ = true;
                }
                taken.swap(incoming_);
            }
            for (MarkedSet& set : taken) pending_.push_back(std::move(set));
            // First into the spool, so a program that ends while the set is being
            // stored still has it at the next start.
            if (!taken.empty()) WriteSpool();
            if (stopping_) break;
            if (!pending_.empty() && (!taken.empty() || Clock::now() >= retryAt)) {
                if (!StorePending())
                    retryAt = Clock::now() + std::chrono::milliseconds(options_.retryMs);
            }
        }
        // The spool may have room or rights by now.
        if (!pending_.empty() && !spoolWritten_) WriteSpool();
        if (!pending_.empty() && !spoolWritten_)
            Say(Tr(QT_TRANSLATE_NOOP("tavrin::PracticeRecorder",
                                     "tavrin: %1 practice set(s) could not be saved: %2"))
                    .arg(pending_.size())
                    .arg(lastWarning_));
    }

    // Stores the waiting sets in the order they were marked; stops at the first
    // that fails, as the rest would wait for the same.
    bool StorePending() {
        bool changed = false;
        bool allStored = true;
        while (!pending_.empty()) {
            // Only a set from a program that ended may be in the record already: ours
            // are known to be stored or not.
            const RecordStore::Outcome outcome = store_.Append(pending_.front(), adopted_ > 0);
            if (!outcome.stored) {
                Warn(outcome);
                allStored = false;
                break;
            }
            if (!outcome.warning.isEmpty())
                Say(Tr(QT_TRANSLATE_NOOP("tavrin::PracticeRecorder", "tavrin: practice record: %1"))
                        .arg(outcome.warning));
            pending_.erase(pending_.begin());
            if (adopted_ > 0) --adopted_;
            --unstored_;
            changed = true;
            if (stopping_) break;
        }
        if (changed) {
            WriteSpool();
            if (!lastWarning_.isEmpty() && allStored) {
                Say(Tr(QT_TRANSLATE_NOOP("tavrin::PracticeRecorder",
                                         "tavrin: the practice sets that waited are now saved")));
                lastWarning_.clear();
            }
        }
        return allStored;
    }

    // One line for each new trouble, not one for each try.
    void Warn(const RecordStore::Outcome& outcome) {
        if (outcome.warning == lastWarning_) return;
        lastWarning_ = outcome.warning;
        Say(spoolWritten_
                ? Tr(QT_TRANSLATE_NOOP("tavrin::PracticeRecorder",
                                       "tavrin: practice record not saved yet: %1; the set waits "
                                       "in %2 and is saved when the record can be written"))
                      .arg(outcome.warning, spoolPath_)
                : Tr(QT_TRANSLATE_NOOP("tavrin::PracticeRecorder",
                                       "tavrin: practice record not saved yet: %1; the set is "
                                       "kept until the program ends"))
                      .arg(outcome.warning));
    }

    void WriteSpool() {
        if (pending_.empty()) {
            spoolWritten_ = !QFileInfo::exists(spoolPath_) || QFile::remove(spoolPath_);
            return;
        }
        QDir().mkpath(QFileInfo(spoolPath_).absolutePath());
        WholeFileWriter spool(spoolPath_);
        spoolWritten_ = spool.Open() && spool.Write(SpoolText(pending_)) && spool.Commit();
        if (!spoolWritten_) lastWarning_ = spool.errorString();
    }

    // Spools left by programs that ended: their sets become ours, first written
    // into our own spool, and only then are their files removed.
    void AdoptSpoolsOfProgramsGone() {
        const QFileInfo record(store_.path());
        const QString prefix = QFileInfo(store_.SpoolPath()).fileName() + u'-';
        const QDir folder = record.absoluteDir();
        QStringList adopted;
        for (const QString& name : folder.entryList({prefix + u'*'}, QDir::Files)) {
            bool number = false;
            const qint64 pid = name.mid(prefix.size()).toLongLong(&number);
            // One with our own number was left by an earlier program: ours is not written yet.
            const bool alive =
                number && pid != getpid() && (kill(pid_t(pid), 0) == 0 || errno == EPERM);
            if (!number || alive) continue;
            QFile file(folder.filePath(name));
            if (!file.open(QIODevice::ReadOnly)) continue;
            auto sets = ReadSpoolText(file.readAll());
            if (!sets) continue;  // not ours to read; left for whoever can
            for (MarkedSet& set : *sets) pending_.push_back(std::move(set));
            adopted << file.fileName();
        }
        if (adopted.isEmpty()) return;
        adopted_ = pending_.size();
        unstored_ += int(pending_.size());
        WriteSpool();
        if (!spoolWritten_) return;  // theirs stay until ours holds the sets
        for (const QString& file : adopted) QFile::remove(file);
        StorePending();
    }

    RecordStore store_;
    const Options options_;
    const QString spoolPath_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::vector<MarkedSet> incoming_;  // handed over by the GUI thread
    bool busy_ = true;                 // guarded by mutex_
    std::atomic<bool> stopping_ = false;
    std::atomic<int> unstored_ = 0;
    // The thread's own.
    std::vector<MarkedSet> pending_;
    std::size_t adopted_ = 0;  // the first of pending_ came from programs that ended
    bool spoolWritten_ = true;
    QString lastWarning_;
    std::thread thread_;
};

PracticeRecorder::PracticeRecorder(QString path) : PracticeRecorder(std::move(path), Options{}) {}

PracticeRecorder::PracticeRecorder(QString path, Options options)
    : worker_(std::make_shared<Worker>(std::move(path), options)) {}

void PracticeRecorder::SetMarked(SessionState& session) const {
    if (!session.setFinished || session.choice.recorded || session.store.RowCount() == 0) return;
    // Marked once, whatever happens next: the recorder's thread keeps the set until
    // it is stored.
    session.choice.recorded = true;
    worker_->Add(MakeMarkedSet(session, QDateTime::currentDateTime()));
}

int PracticeRecorder::Unstored() const { return worker_->Unstored(); }
bool PracticeRecorder::Idle() const { return worker_->Idle(); }

}  // namespace tavrin
