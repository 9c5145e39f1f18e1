// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/whole_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <cerrno>
#include <cstring>

namespace tavrin {

WholeFileWriter::WholeFileWriter(QString target) : target_(std::move(target)) {}

WholeFileWriter::~WholeFileWriter() { Cancel(); }

bool WholeFileWriter::Fail(const char* step) {
    const int code = errno;
    error_ =
        QStringLiteral("%1: %2").arg(QLatin1String(step), QString::fromLocal8Bit(strerror(code)));
    Cancel();
    return false;
}

bool WholeFileWriter::Open() {
    Cancel();
    const QByteArray target = QFile::encodeName(target_);
    struct stat old {};
    const bool exists = stat(target.constData(), &old) == 0;
    // Six letters, as the settings file's clean-up recognises what a killed write left.
    for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
        QByteArray name = target + '.';
        for (int i = 0; i < 6; ++i) {
            const auto r = QRandomGenerator::global()->bounded(52);
            name += char(r < 26 ? 'a' + r : 'A' + r - 26);
        }
        fd_ = open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ >= 0)
            temporary_ = name;
        else if (errno != EEXIST)
            return Fail("open");
    }
    if (fd_ < 0) return Fail("open");
    if (exists && fchmod(fd_, old.st_mode & 07777) != 0) return Fail("chmod");
    return true;
}

bool WholeFileWriter::Write(const char* data, qint64 size) {
    if (fd_ < 0) return false;
    while (size > 0) {
        const ssize_t put = write(fd_, data, std::size_t(size));
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) {
            if (put == 0) errno = ENOSPC;
            return Fail("write");
        }
        data += put;
        size -= put;
    }
    return true;
}

bool WholeFileWriter::Commit() {
    if (fd_ < 0) return false;
    if (durable_ && fsync(fd_) != 0) return Fail("fsync");
    const int fd = fd_;
    fd_ = -1;
    if (close(fd) != 0) {
        const int code = errno;
        unlink(temporary_.constData());
        temporary_.clear();
        errno = code;
        return Fail("close");
    }
    if (rename(temporary_.constData(), QFile::encodeName(target_).constData()) != 0) {
        const int code = errno;
        unlink(temporary_.constData());
        temporary_.clear();
        errno = code;
        return Fail("rename");
    }
    temporary_.clear();
    // The rename itself lasts only once the folder is on the disk; the new file is in
    // place whatever this says, so a failure here is no failure of the write.
    if (!durable_) return true;
    const int folder = open(QFile::encodeName(QFileInfo(target_).absolutePath()).constData(),
                            O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        fsync(folder);
        close(folder);
    }
    return true;
}

void WholeFileWriter::Cancel() {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
    if (!temporary_.isEmpty()) unlink(temporary_.constData());
    temporary_.clear();
}

}  // namespace tavrin
