// SPDX-License-Identifier: GPL-3.0-or-later
#include "record/practice_recorder.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <thread>

#include "record/record_store.h"
#include "session/whole_file.h"

namespace tavrin {

namespace {

constexpr int kSpoolVersion = 2;

QString Tr(const char* text) {
    return QCoreApplication::translate("tavrin::PracticeRecorder", text);
}

void Say(const QString& line) {
    std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
    std::fflush(stderr);
}

// Binary through QDataStream: the face writes the spool as the set is marked, and
// JSON took 200 ms for the largest set where this takes a few.
constexpr char kSpoolMagic[] = "tavrin spool";
constexpr auto kStreamVersion = QDataStream::Qt_6_4;

}  // namespace

QByteArray SpoolText(const std::vector<MarkedSet>& sets) {
    QByteArray text;
    QDataStream out(&text, QIODevice::WriteOnly);
    out.setVersion(kStreamVersion);
    out.writeRawData(kSpoolMagic, sizeof kSpoolMagic);
    out << qint32(kSpoolVersion) << quint32(sets.size());
    for (const MarkedSet& set : sets) {
        out << set.markedAt << set.mask << qint32(set.range) << qint32(set.count)
            << qint32(set.correct) << qint32(set.score) << set.kind
            << quint32(set.questions.size());
        // An answer with no time is written as -1.
        for (const RecordedQuestion& q : set.questions)
            out << q.first << q.sign << q.second << q.result << q.answer << q.right
                << qint32(q.answerMs.value_or(-1));
    }
    return text;
}

std::optional<std::vector<MarkedSet>> ReadSpoolText(const QByteArray& text) {
    QDataStream in(text);
    in.setVersion(kStreamVersion);
    char magic[sizeof kSpoolMagic] = {};
    if (in.readRawData(magic, sizeof magic) != int(sizeof magic) ||
        std::memcmp(magic, kSpoolMagic, sizeof magic) != 0)
        return std::nullopt;
    qint32 version = 0;
    quint32 count = 0;
    in >> version >> count;
    if (in.status() != QDataStream::Ok || version < 1 || version > kSpoolVersion)
        return std::nullopt;
    std::vector<MarkedSet> sets;
    for (quint32 n = 0; n < count && in.status() == QDataStream::Ok; ++n) {
        MarkedSet set;
        qint32 range = 0, questions = 0, correct = 0, score = 0;
        quint32 rows = 0;
        in >> set.markedAt >> set.mask >> range >> questions >> correct >> score;
        if (version >= 2) in >> set.kind;
        in >> rows;
        set.range = range;
        set.count = questions;
        set.correct = correct;
        set.score = score;
        // Row by row, never reserved: a damaged count runs out of text, not of memory.
        for (quint32 row = 0; row < rows && in.status() == QDataStream::Ok; ++row) {
            RecordedQuestion q;
            in >> q.first >> q.sign >> q.second >> q.result >> q.answer >> q.right;
            if (version >= 2) {
                qint32 ms = -1;
                in >> ms;
                if (ms >= 0) q.answerMs = ms;
            }
            set.questions.push_back(std::move(q));
        }
        sets.push_back(std::move(set));
    }
    if (in.status() != QDataStream::Ok || !in.atEnd()) return std::nullopt;
    return sets;
}

class PracticeRecorder::Worker {
public:
    Worker(QString path, Options options)
        : store_(path.isEmpty() ? RecordStore::DefaultPath() : std::move(path)),
          options_(options),
          spoolPrefix_(store_.SpoolPath() + QStringLiteral("-%1-").arg(getpid())) {
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

    // On the GUI thread: the set goes into a spool file of its own before anything
    // else, so that even a program killed the moment after still has it at the next
    // start. Without the disk's flush, which the recorder's thread does: a killed
    // program's written file survives it, and the face must not wait for the disk.
    void Add(MarkedSet set) {
        Pending pending{std::move(set), spoolPrefix_ + QString::number(++serial_), false};
        if (!WriteSpool(pending, false)) pending.spool.clear();
        {
            std::lock_guard lock(mutex_);
            incoming_.push_back(std::move(pending));
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

    struct Pending {
        MarkedSet set;
        QString spool;  // its spool file; empty when it could not be written
        bool adopted;   // from the spool of a program that ended
    };

    void Run() {
        AdoptSpoolsOfProgramsGone();
        Clock::time_point retryAt = Clock::now();
        for (;;) {
            std::vector<Pending> taken;
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
            for (Pending& pending : taken) {
                if (!pending.spool.isEmpty()) Flush(pending.spool);
                pending_.push_back(std::move(pending));
            }
            if (stopping_) break;
            if (!pending_.empty() && (!taken.empty() || Clock::now() >= retryAt)) {
                if (!StorePending())
                    retryAt = Clock::now() + std::chrono::milliseconds(options_.retryMs);
            }
        }
        // A spool may have room or rights by now.
        int lost = 0;
        for (Pending& pending : pending_)
            if (pending.spool.isEmpty()) {
                pending.spool = spoolPrefix_ + QString::number(++serial_);
                if (!WriteSpool(pending, true)) ++lost;
            }
        if (lost > 0)
            Say(Tr(QT_TRANSLATE_NOOP("tavrin::PracticeRecorder",
                                     "tavrin: %1 practice set(s) could not be saved: %2"))
                    .arg(lost)
                    .arg(lastWarning_));
    }

    // Stores the waiting sets in the order they were marked; stops at the first
    // that fails, as the rest would wait for the same.
    bool StorePending() {
        while (!pending_.empty()) {
            Pending& pending = pending_.front();
            // Only a set from a program that ended may be in the record already: ours
            // are known to be stored or not.
            const RecordStore::Outcome outcome = store_.Append(pending.set, pending.adopted);
            if (!outcome.stored) {
                Warn(outcome, pending);
                return false;
            }
            if (!outcome.warning.isEmpty())
                Say(Tr(QT_TRANSLATE_NOOP("tavrin::PracticeRecorder", "tavrin: practice record: %1"))
                        .arg(outcome.warning));
            if (!pending.spool.isEmpty()) QFile::remove(pending.spool);
            pending_.erase(pending_.begin());
            --unstored_;
            if (stopping_) return pending_.empty();
        }
        if (!lastWarning_.isEmpty()) {
            Say(Tr(QT_TRANSLATE_NOOP("tavrin::PracticeRecorder",
                                     "tavrin: the practice sets that waited are now saved")));
            lastWarning_.clear();
        }
        return true;
    }

    // One line for each new trouble, not one for each try.
    void Warn(const RecordStore::Outcome& outcome, const Pending& pending) {
        if (outcome.warning == lastWarning_) return;
        lastWarning_ = outcome.warning;
        Say(!pending.spool.isEmpty()
                ? Tr(QT_TRANSLATE_NOOP("tavrin::PracticeRecorder",
                                       "tavrin: practice record not saved yet: %1; the set waits "
                                       "in %2 and is saved when the record can be written"))
                      .arg(outcome.warning, pending.spool)
                : Tr(QT_TRANSLATE_NOOP("tavrin::PracticeRecorder",
                                       "tavrin: practice record not saved yet: %1; the set is "
                                       "kept until the program ends"))
                      .arg(outcome.warning));
    }

    static bool WriteSpool(const Pending& pending, bool durable) {
        QDir().mkpath(QFileInfo(pending.spool).absolutePath());
        WholeFileWriter spool(pending.spool);
        spool.SetDurable(durable);
        return spool.Open() && spool.Write(SpoolText({pending.set})) && spool.Commit();
    }

    // What the GUI thread wrote without waiting for the disk, on the disk.
    static void Flush(const QString& path) {
        const int fd = open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) return;
        fsync(fd);
        close(fd);
    }

    // Spools left by programs that ended: their sets become ours, each stored and
    // then its file removed, so a program that ends meanwhile leaves them to the next.
    void AdoptSpoolsOfProgramsGone() {
        const QFileInfo record(store_.path());
        const QString prefix = QFileInfo(store_.SpoolPath()).fileName() + u'-';
        const QDir folder = record.absoluteDir();
        for (const QString& name : folder.entryList({prefix + u'*'}, QDir::Files, QDir::Name)) {
            bool number = false;
            const qint64 pid = name.mid(prefix.size()).section(u'-', 0, 0).toLongLong(&number);
            // Our own are the ones the face is writing now.
            if (!number || pid == getpid() || kill(pid_t(pid), 0) == 0 || errno == EPERM) continue;
            QFile file(folder.filePath(name));
            if (!file.open(QIODevice::ReadOnly)) continue;
            auto sets = ReadSpoolText(file.readAll());
            if (!sets || sets->size() != 1) continue;  // not ours to read; left for whoever can
            pending_.push_back({std::move(sets->front()), file.fileName(), true});
            ++unstored_;
        }
        if (!pending_.empty()) StorePending();
    }

    RecordStore store_;
    const Options options_;
    const QString spoolPrefix_;  // "<record>-unsaved-<pid>-", then a number for each set
    std::atomic<int> serial_ = 0;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::vector<Pending> incoming_;  // handed over by the GUI thread
    bool busy_ = true;               // guarded by mutex_
    std::atomic<bool> stopping_ = false;
    std::atomic<int> unstored_ = 0;
    // The thread's own.
    std::vector<Pending> pending_;
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
