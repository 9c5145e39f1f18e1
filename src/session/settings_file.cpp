// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/settings_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>

#include "session/whole_file.h"

namespace tavrin {

namespace {

constexpr qsizetype kBufferChars = 255;
const QString kMissing = QStringLiteral("w");
constexpr char kSection[] = "menu";

// Enough of a line for any name and a value of 254 characters of up to four
// bytes each; the rest of a longer line is skipped, never held.
constexpr std::size_t kLineHead = 2048;
constexpr std::size_t kChunk = 64 * 1024;

// One line of the file: the first kLineHead bytes and where it lies.
struct Line {
    std::string_view head;   // without the line end
    qint64 start = 0;        // offset of its first byte
    qint64 end = 0;          // offset just past its text, before "\r\n" or "\n"
    qint64 next = 0;         // offset of the line after it
    bool terminated = true;  // a line end follows
};

// Calls visit(line) for every line until visit returns false. Reads in chunks
// and keeps only the head of a line, so a file of one 200 MB line costs what a
// short one does. Returns false when reading failed.
template <typename Visit>
bool ForEachLine(int fd, Visit visit) {
    std::string chunk(kChunk, '\0');
    std::string head;
    qint64 offset = 0;     // of chunk[0]
    qint64 lineStart = 0;  // of the line being gathered
    char lastByte = '\0';  // of the line being gathered, to spot "\r\n"
    auto finish = [&](qint64 newline, qint64 next) {
        Line line;
        line.start = lineStart;
        line.end = newline;
        line.next = next;
        line.terminated = next > newline;
        // Only a CR before a line end belongs to the line end: one closing the file's
        // last, unended line is the line's own, or a write after "[menu\r" could not
        // be read back.
        if (lastByte == '\r' && line.terminated && line.end > line.start) {
            --line.end;
            if (head.size() > std::size_t(line.end - line.start)) head.pop_back();
        }
        line.head = head;
        return visit(line);
    };
    for (;;) {
        const ssize_t got = read(fd, chunk.data(), chunk.size());
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return false;
        if (got == 0) break;
        std::size_t from = 0;
        while (from < std::size_t(got)) {
            const void* found = std::memchr(chunk.data() + from, '\n', std::size_t(got) - from);
            const std::size_t to =
                found ? std::size_t(static_cast<const char*>(found) - chunk.data()) : got;
            if (to > from) {
                const std::size_t room = kLineHead - std::min(kLineHead, head.size());
                head.append(chunk.data() + from, std::min(room, to - from));
                lastByte = chunk[to - 1];
            }
            if (!found) break;
            const qint64 newline = offset + qint64(to);
            if (!finish(newline, newline + 1)) return true;
            head.clear();
            lastByte = '\0';
            lineStart = newline + 1;
            from = to + 1;
        }
        offset += got;
    }
    if (offset > lineStart) finish(offset, offset);
    return true;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trimmed(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

// Where a key stands in the file, or where it would go.
struct Place {
    bool readable = false;
    bool found = false;
    std::string value;      // the head of the value, when found
    qint64 valueStart = 0;  // the value's bytes, when found
    qint64 valueEnd = 0;
    bool section = false;    // a "menu" section exists
    qint64 afterHeader = 0;  // just after its header line
    bool headerHasNewline = true;
    bool endsWithNewline = true;
    const char* newline = "\n";  // the file's own line end
};

// The reader and the writer share this one notion of where a key is, so a
// write always changes the very line the next read finds.
Place Locate(int fd, std::string_view key) {
    Place place;
    bool inSection = false;
    bool first = true;
    place.readable = ForEachLine(fd, [&](const Line& line) {
        if (first && line.terminated && line.next > line.end + 1) place.newline = "\r\n";
        first = false;
        place.endsWithNewline = line.terminated;
        const std::string_view text = Trimmed(line.head);
        if (!text.empty() && text.front() == '[') {
            const std::string_view name = text.substr(1, text.find(']') - 1);
            inSection = SameName(Trimmed(name), kSection);
            if (inSection && !place.section) {
                place.section = true;
                place.afterHeader = line.next;
                place.headerHasNewline = line.terminated;
            }
            return true;
        }
        const std::size_t equals = line.head.find('=');
        if (!inSection || equals == std::string_view::npos ||
            !SameName(Trimmed(line.head.substr(0, equals)), key))
            return true;
        // Blanks around the value are not part of it, as "menu3 = 1" written by
        // hand means on. Beyond the head of a long line its end is unknown, and a
        // write replaces the whole rest of the line.
        const bool whole = qint64(line.head.size()) == line.end - line.start;
        std::string_view value = line.head.substr(equals + 1);
        std::size_t lead = 0;
        while (lead < value.size() && IsBlank(value[lead])) ++lead;
        if (lead == value.size() && !whole) lead = 0;
        value.remove_prefix(lead);
        std::size_t trail = 0;
        if (whole)
            while (trail < value.size() && IsBlank(value[value.size() - 1 - trail])) ++trail;
        value.remove_suffix(trail);
        place.found = true;
        place.value = value;
        place.valueStart = line.start + qint64(equals + 1 + lead);
        place.valueEnd = line.end - qint64(trail);
        return false;
    });
    return place;
}

// Opens the file for reading only when it is a regular file; a FIFO, a device
// or a folder is never opened in a way that could wait.
int OpenRegular(const QString& path) {
    const QByteArray name = QFile::encodeName(path);
    struct stat st {};
    if (stat(name.constData(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
    const int fd = open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return -1;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return -1;
    }
    return fd;
}

struct FdCloser {
    int fd;
    ~FdCloser() {
        if (fd >= 0) close(fd);
    }
};

// A write killed before its rename leaves its "<name>.XXXXXX" behind (so did QSaveFile's),
// and older versions left "<name>.lock"; nobody else names files so here.
void RemoveStaleLitter(const QFileInfo& target) {
    const QDir folder = target.absoluteDir();
    const QString name = target.fileName();
    const QStringList litter =
        folder.entryList({name + QStringLiteral(".*")}, QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& entry : litter) {
        const QStringView suffix = QStringView(entry).mid(name.size() + 1);
        bool temporary = suffix.size() == 6;  // six random letters
        for (QChar c : suffix)
            temporary = temporary && ((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'));
        if (temporary || suffix == QLatin1String("lock")) {
            const QString path = folder.filePath(entry);
            if (QFileInfo(path).isFile() && !QFileInfo(path).isSymLink()) QFile::remove(path);
        }
    }
}

constexpr qint64 kToTheEnd = -1;

// Copies the bytes from `from` up to `to` (or to the end of the file) unchanged.
bool CopyRange(int fd, qint64 from, qint64 to, WholeFileWriter& out) {
    if (lseek(fd, from, SEEK_SET) != from) return false;
    std::string chunk(kChunk, '\0');
    for (qint64 left = to == kToTheEnd ? LLONG_MAX : to - from; left > 0;) {
        const ssize_t got = read(fd, chunk.data(), std::size_t(std::min<qint64>(left, kChunk)));
        if (got < 0 && errno == EINTR) continue;
        if (got < 0 || (got == 0 && to != kToTheEnd)) return false;
        if (got == 0) break;
        if (!out.Write(chunk.data(), got)) return false;
        left -= got;
    }
    return true;
}

}  // namespace

QString SettingsFile::DefaultPath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/tavrin/Qbx_R");
}

SettingsFile::SettingsFile(QString path) : path_(std::move(path)) {}

QString SettingsFile::ReadValue(const char* key) const {
    const FdCloser file{OpenRegular(path_)};
    if (file.fd < 0) return kMissing;
    const Place place = Locate(file.fd, key);
    if (!place.readable || !place.found) return kMissing;
    return QString::fromUtf8(place.value).left(kBufferChars - 1);
}

bool SettingsFile::IsOn(const char* key) const { return ReadValue(key) == QLatin1String("1"); }

bool SettingsFile::Write(const char* key, bool on) const {
    QString why;
    if (WriteOrSayWhy(key, on, why)) return true;
    // The child keeps the choice for this run and sees nothing; whoever started the
    // program from a terminal learns once why the next start will not know it.
    if (!failureSaid_) {
        failureSaid_ = true;
        const QString line =
            QCoreApplication::translate(
                "tavrin::SettingsFile",
                "tavrin: the choice could not be saved in %1 (%2); it holds until the program "
                "ends")
                .arg(path_, why);
        std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
        std::fflush(stderr);
    }
    return false;
}

bool SettingsFile::WriteOrSayWhy(const char* key, bool on, QString& why) const {
    why = QStringLiteral("not a regular file");
    const QByteArray name = QFile::encodeName(path_);
    QString target = path_;
    struct stat st {};
    const bool exists = stat(name.constData(), &st) == 0;
    if (exists) {
        if (!S_ISREG(st.st_mode)) return false;
        // Through a link, replace the file it points to and keep the link.
        char real[PATH_MAX];
        if (realpath(name.constData(), real) == nullptr) return false;
        target = QFile::decodeName(real);
    } else if (errno != ENOENT || lstat(name.constData(), &st) == 0) {
        return false;  // unreachable, or a link that points nowhere
    } else if (!QDir().mkpath(QFileInfo(path_).absolutePath())) {
        why = QStringLiteral("cannot make the folder");
        return false;
    }
    RemoveStaleLitter(QFileInfo(target));

    // A file we cannot read is not ours to replace with only what we know.
    why = QStringLiteral("cannot read it");
    const FdCloser file{exists ? OpenRegular(target) : -1};
    if (exists && file.fd < 0) return false;
    Place place;
    if (file.fd >= 0) place = Locate(file.fd, key);
    if (file.fd >= 0 && !place.readable) return false;
    const QByteArray value = on ? "1" : "0";
    const QByteArray line = QByteArray(key) + '=' + value + place.newline;

    WholeFileWriter out(target);
    bool ok = out.Open();
    if (ok && place.found) {
        ok = CopyRange(file.fd, 0, place.valueStart, out) && out.Write(value) &&
             CopyRange(file.fd, place.valueEnd, kToTheEnd, out);
    } else if (ok && place.section) {
        QByteArray insert = line;
        if (!place.headerHasNewline) insert.prepend(place.newline);
        ok = CopyRange(file.fd, 0, place.afterHeader, out) && out.Write(insert) &&
             CopyRange(file.fd, place.afterHeader, kToTheEnd, out);
    } else if (ok) {
        QByteArray append = QByteArray("[menu]") + place.newline + line;
        if (!place.endsWithNewline) append.prepend(place.newline);
        ok = (file.fd < 0 || CopyRange(file.fd, 0, kToTheEnd, out)) && out.Write(append);
    }
    if (ok && out.Commit()) return true;
    why = out.errorString().isEmpty() ? QStringLiteral("cannot read it") : out.errorString();
    out.Cancel();
    return false;
}

}  // namespace tavrin
