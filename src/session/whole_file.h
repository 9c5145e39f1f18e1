// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

namespace tavrin {

// Replaces a file only with a complete new one. The bytes go to a temporary
// "<name>.XXXXXX" beside it; every write, the flush to the disk and the close
// are checked, and only then is it renamed over the old file. Whatever fails
// leaves the old file byte for byte and takes the temporary file away again.
// QSaveFile is not enough: a write that fails inside its buffer (a full disk)
// is not reported by commit(), and the empty file replaced the old one.
class WholeFileWriter {
public:
    explicit WholeFileWriter(QString target);
    ~WholeFileWriter();  // abandons a write not committed
    WholeFileWriter(const WholeFileWriter&) = delete;
    WholeFileWriter& operator=(const WholeFileWriter&) = delete;

    // The new file gets the old one's permissions, or the umask's for a new one.
    bool Open();
    bool Write(const char* data, qint64 size);
    bool Write(const QByteArray& bytes) { return Write(bytes.constData(), bytes.size()); }
    bool Commit();
    void Cancel();

    // Without the flush to the disk: the new file outlives the program being killed,
    // not the machine losing power. For callers that flush it later themselves.
    void SetDurable(bool durable) { durable_ = durable; }

    // Why the last step failed, in the system's words.
    QString errorString() const { return error_; }

private:
    bool Fail(const char* step);

    QString target_;
    QByteArray temporary_;
    int fd_ = -1;
    bool durable_ = true;
    QString error_;
};

}  // namespace tavrin
