// SPDX-License-Identifier: GPL-3.0-or-later
// The settings file: whatever a file holds, a write followed by a read gives
// back what was written, the other key keeps its value, and every byte outside
// the one line stays as it was.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>

#include "session/settings_file.h"

namespace {

QByteArray Content(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) std::abort();
    return file.readAll();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Layout: one byte choosing key and value, then the file as found.
    if (size < 1) return 0;
    // In memory where there is a place for it: every write ends in an fsync.
    static QTemporaryDir folder(QDir("/dev/shm").exists()
                                    ? "/dev/shm/tavrin-fuzz-XXXXXX"
                                    : QDir::tempPath() + "/tavrin-fuzz-XXXXXX");
    const QString path = folder.filePath(QStringLiteral("Qbx_R"));
    const QByteArray before(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(before) != before.size()) std::abort();
    }
    const char* key = data[0] & 1 ? tavrin::SettingsFile::kSoundEffectsKey
                                  : tavrin::SettingsFile::kVoicePromptsKey;
    const char* other = data[0] & 1 ? tavrin::SettingsFile::kVoicePromptsKey
                                    : tavrin::SettingsFile::kSoundEffectsKey;
    const bool on = data[0] & 2;
    const tavrin::SettingsFile settings(path);
    const QString otherBefore = settings.ReadValue(other);
    if (settings.ReadValue(key) != settings.ReadValue(key)) std::abort();

    if (!settings.Write(key, on)) std::abort();
    if (settings.ReadValue(key) != (on ? QLatin1String("1") : QLatin1String("0"))) std::abort();
    if (settings.ReadValue(other) != otherBefore) std::abort();

    // Only one stretch changed: what went held no line end, what came is at
    // most a header and the key's line.
    const QByteArray after = Content(path);
    qsizetype head = 0;
    while (head < before.size() && head < after.size() && before[head] == after[head]) ++head;
    qsizetype tail = 0;
    while (tail < before.size() - head && tail < after.size() - head &&
           before[before.size() - 1 - tail] == after[after.size() - 1 - tail])
        ++tail;
    const QByteArray removed = before.mid(head, before.size() - head - tail);
    const QByteArray added = after.mid(head, after.size() - head - tail);
    if (removed.contains('\n') || added.size() > qsizetype(sizeof "\r\n[menu]\r\nmenu3=1\r\n"))
        std::abort();
    if (QDir(folder.path()).count() != 3) std::abort();  // ".", ".." and the file
    return 0;
}
