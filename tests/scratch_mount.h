// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Real file systems for the tests of the world's faults: a small tmpfs that can be
// filled, a read-only bind mount. Mounting needs root; elsewhere such a test skips
// with the reason, but never under CI, which runs as root.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

#include <QByteArray>
#include <QFile>
#include <QString>
#include <cerrno>

#define TAVRIN_SKIP_UNLESS_ROOT()                                                         \
    do {                                                                                  \
        if (geteuid() != 0) {                                                             \
            if (qgetenv("CI") == "true") FAIL() << "CI runs as root: mounting must work"; \
            GTEST_SKIP() << "needs root to mount a file system";                          \
        }                                                                                 \
    } while (false)

namespace tavrin::testing {

class ScratchMount {
public:
    // A tmpfs of `kib` KiB on the folder `where`, which must exist.
    static ScratchMount Tmpfs(const QString& where, int kib) {
        const QByteArray size = "size=" + QByteArray::number(kib) + "k,mode=755";
        return ScratchMount(
            where, mount("tmpfs", QFile::encodeName(where), "tmpfs", 0, size.constData()) == 0);
    }
    // The folder `where` mounted on itself read-only.
    static ScratchMount ReadOnly(const QString& where) {
        const QByteArray path = QFile::encodeName(where);
        const bool bound = mount(path, path, nullptr, MS_BIND, nullptr) == 0;
        if (bound && mount(nullptr, path, nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY, nullptr) != 0)
            umount2(path, MNT_DETACH);
        return ScratchMount(where, bound && access(path, W_OK) != 0);
    }
    ScratchMount(ScratchMount&& other) noexcept : where_(other.where_), mounted_(other.mounted_) {
        other.mounted_ = false;
    }
    ~ScratchMount() {
        if (mounted_) umount2(QFile::encodeName(where_), MNT_DETACH);
    }
    bool mounted() const { return mounted_; }

    // Takes every free block; true once a write has failed with ENOSPC.
    bool Fill() const {
        const int fd = open(QFile::encodeName(Filler()), O_WRONLY | O_CREAT | O_APPEND, 0600);
        if (fd < 0) return false;
        const QByteArray block(512, 'x');
        ssize_t put = 0;
        while ((put = write(fd, block.constData(), std::size_t(block.size()))) > 0) {
        }
        const bool full = put < 0 && errno == ENOSPC;
        close(fd);
        return full;
    }
    void Unfill() const { QFile::remove(Filler()); }

private:
    ScratchMount(QString where, bool mounted) : where_(std::move(where)), mounted_(mounted) {}
    QString Filler() const { return where_ + QStringLiteral("/filler"); }

    QString where_;
    bool mounted_;
};

}  // namespace tavrin::testing
