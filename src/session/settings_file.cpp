#include "session/settings_file.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <utility>

namespace tavrin {

namespace {
constexpr qsizetype kBufferChars = 255;
const QString kMissing = QStringLiteral("w");

QString KeyPath(const char* key) { return QStringLiteral("menu/") + QLatin1String(key); }
}  // namespace

QString SettingsFile::DefaultPath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/tavrin/Qbx_R");
}

SettingsFile::SettingsFile(QString path) : path_(std::move(path)) {}

QString SettingsFile::ReadValue(const char* key) const {
    const QFileInfo info(path_);
    if (!info.isFile() || !info.isReadable()) return kMissing;
    QSettings settings(path_, QSettings::IniFormat);
    if (settings.status() != QSettings::NoError) return kMissing;
    const QVariant value = settings.value(KeyPath(key));
    if (!value.isValid()) return kMissing;
    // A value with a comma reads back as a list; keep the text as written.
    const QString text = value.typeId() == QMetaType::QStringList
                             ? value.toStringList().join(QLatin1Char(','))
                             : value.toString();
    return text.left(kBufferChars - 1);
}

bool SettingsFile::IsOn(const char* key) const { return ReadValue(key) == QLatin1String("1"); }

bool SettingsFile::Write(const char* key, bool on) const {
    QDir().mkpath(QFileInfo(path_).absolutePath());
    QSettings settings(path_, QSettings::IniFormat);
    settings.setValue(KeyPath(key), on ? QStringLiteral("1") : QStringLiteral("0"));
    settings.sync();
    return settings.status() == QSettings::NoError;
}

}  // namespace tavrin
