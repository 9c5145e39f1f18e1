#include "session/settings_file.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace tavrin {
namespace {

class SettingsFileTest : public ::testing::Test {
protected:
    QString Write(const QByteArray& content) {
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
        return path;
    }
    QTemporaryDir dir;
    QString path = dir.filePath("tavrin/Qbx_R");
    void SetUp() override { QDir().mkpath(dir.filePath("tavrin")); }
};

TEST_F(SettingsFileTest, OnlyTheExactTextOneTurnsAnOptionOn) {
    const struct {
        QByteArray content;
        QString menu3, menu6;
    } cases[] = {
        {"[menu]\nmenu3=1\nmenu6=0\n", "1", "0"},
        {"[menu]\nmenu3=w\nmenu6=\n", "w", ""},
        {"[menu]\nmenu3=11\nmenu6=yes\n", "11", "yes"},
        {"[other]\nmenu3=1\n", "w", "w"},
        {"\x01\x02garbage\xff\n=\n[", "w", "w"},
        {"", "w", "w"},
        {"[menu]\nmenu3=1,0\n", "1,0", "w"},
    };
    for (const auto& c : cases) {
        Write(c.content);
        SettingsFile settings(path);
        EXPECT_EQ(settings.ReadValue(SettingsFile::kVoicePromptsKey), c.menu3) << c.content.data();
        EXPECT_EQ(settings.ReadValue(SettingsFile::kSoundEffectsKey), c.menu6) << c.content.data();
        EXPECT_EQ(settings.IsOn(SettingsFile::kVoicePromptsKey), c.menu3 == "1");
        EXPECT_EQ(settings.IsOn(SettingsFile::kSoundEffectsKey), c.menu6 == "1");
    }
    Write("[menu]\nmenu3=" + QByteArray(400, 'x') + "\n");
    EXPECT_EQ(SettingsFile(path).ReadValue(SettingsFile::kVoicePromptsKey).size(), 254);
}

TEST_F(SettingsFileTest, AMissingOrUnreadableFileReadsAsOffAndIsNotCreated) {
    SettingsFile missing(path);
    EXPECT_EQ(missing.ReadValue(SettingsFile::kVoicePromptsKey), "w");
    EXPECT_FALSE(QFile::exists(path));

    // A folder where the file should be cannot be read as settings.
    QDir().mkpath(path);
    EXPECT_EQ(SettingsFile(path).ReadValue(SettingsFile::kVoicePromptsKey), "w");
    EXPECT_FALSE(SettingsFile(path).IsOn(SettingsFile::kSoundEffectsKey));
}

TEST_F(SettingsFileTest, WritingKeepsTheOtherKeyAndCreatesTheFolder) {
    QTemporaryDir fresh;
    const QString nested = fresh.filePath("deeper/tavrin/Qbx_R");
    SettingsFile settings(nested);
    ASSERT_TRUE(settings.Write(SettingsFile::kVoicePromptsKey, true));
    ASSERT_TRUE(settings.Write(SettingsFile::kSoundEffectsKey, false));
    ASSERT_TRUE(settings.Write(SettingsFile::kVoicePromptsKey, true));
    EXPECT_TRUE(settings.IsOn(SettingsFile::kVoicePromptsKey));
    EXPECT_EQ(settings.ReadValue(SettingsFile::kSoundEffectsKey), "0");

    QFile file(nested);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    EXPECT_TRUE(text.contains("[menu]"));
    EXPECT_TRUE(text.contains("menu3=1"));
    EXPECT_TRUE(text.contains("menu6=0"));
}

}  // namespace
}  // namespace tavrin
