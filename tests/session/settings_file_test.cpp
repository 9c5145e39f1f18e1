// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/settings_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <csignal>
#include <functional>

#include "scratch_mount.h"

namespace tavrin {
namespace {

class SettingsFileTest : public ::testing::Test {
protected:
    QString Write(const QByteArray& content) { return Write(path, content); }
    QString Write(const QString& where, const QByteArray& content) {
        QFile file(where);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
        return where;
    }
    QTemporaryDir dir;
    QString path = dir.filePath("tavrin/Qbx_R");
    void SetUp() override { QDir().mkpath(dir.filePath("tavrin")); }
    QByteArray Content() const {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
    }
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
        // Names in any case, the value as written, comments and line ends of any kind.
        {"; by hand\r\n[ Menu ]\r\nMENU3 =1;x\r\nMenu6=%31", "1;x", "%31"},
        {"menu3=1\n[other]\nmenu3=1\n[menu]\n;menu3=1\nmenu6=1", "w", "1"},
        {"[menu]\nmenu3=1\nmenu6=1\n[broken\nmenu6=0\n", "1", "1"},
        {"[broken\nmenu3=1\n[menu]\n", "w", "w"},
        // Blanks around the value and the name are not theirs, as a hand-written file has them.
        {"[menu]\nmenu3 = 1\nmenu6=1 \r\n", "1", "1"},
        {"[menu]\n\tmenu3\t=\t1\t\nmenu6=1 x\n", "1", "1 x"},
        {"[menu]\nmenu3= \t \nmenu6 =\t0 1 \n", "", "0 1"},
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
    // Blanks go before the buffer's limit counts: 300 of them and a "1" read as on.
    Write("[menu]\nmenu3=" + QByteArray(300, ' ') + "1" + QByteArray(300, '\t') + "\n");
    EXPECT_TRUE(SettingsFile(path).IsOn(SettingsFile::kVoicePromptsKey));
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

// Found by the fuzzer: a header ending the file in a bare CR was read as "[menu]",
// and the line written after it then read as another section.
TEST_F(SettingsFileTest, AWriteReadsBackAfterALastLineEndingInABareCarriageReturn) {
    for (const QByteArray& content :
         {QByteArray("[menu\r"), QByteArray("\r\n[menu\r"), QByteArray("[menu]\r\nmenu3=0\r")}) {
        Write(content);
        const SettingsFile settings(path);
        ASSERT_TRUE(settings.Write(SettingsFile::kVoicePromptsKey, true));
        EXPECT_EQ(settings.ReadValue(SettingsFile::kVoicePromptsKey), "1")
            << content.toPercentEncoding().constData();
    }
}

TEST_F(SettingsFileTest, SwitchingChangesOnlyItsOwnLineEvenThroughALink) {
    const QByteArray byHand =
        "; written by hand\n[Other]\nmenu6=keep\n[Menu]\nMenu6=1;x\r\nMENU3=0\n[tail]\nx=y";
    Write(byHand);
    const QString link = dir.filePath("link");
    ASSERT_TRUE(QFile::link(path, link));
    SettingsFile settings(link);
    for (bool on : {true, false}) {
        ASSERT_TRUE(settings.Write(SettingsFile::kVoicePromptsKey, on));
        ASSERT_TRUE(settings.Write(SettingsFile::kSoundEffectsKey, on));
        EXPECT_EQ(settings.IsOn(SettingsFile::kSoundEffectsKey), on);
    }
    EXPECT_EQ(Content(), QByteArray(byHand).replace("Menu6=1;x", "Menu6=0"));
    EXPECT_TRUE(QFileInfo(link).isSymLink());

    // Only the value's own bytes change; the blanks around it stay, however long the line.
    for (const QByteArray& blanks : {QByteArray(" \t"), QByteArray(3000, ' ')}) {
        const QByteArray spaced = "[menu]\nmenu3 =" + blanks + "1 \t\r\nmenu6=1\n";
        Write(spaced);
        ASSERT_TRUE(settings.Write(SettingsFile::kVoicePromptsKey, false));
        EXPECT_FALSE(settings.IsOn(SettingsFile::kVoicePromptsKey));
        EXPECT_TRUE(settings.IsOn(SettingsFile::kSoundEffectsKey));
        if (blanks.size() < 10) {
            EXPECT_EQ(Content(), QByteArray(spaced).replace("1 \t\r", "0 \t\r"));
        }
    }

    // A section without the key, or no section at all: the key is added, nothing else changes.
    for (const QByteArray& before : {QByteArray("a=b\r\n[menu]"), QByteArray("x")}) {
        Write(before);
        ASSERT_TRUE(settings.Write(SettingsFile::kVoicePromptsKey, true));
        EXPECT_TRUE(Content().startsWith(before)) << Content().data();
        EXPECT_EQ(settings.ReadValue(SettingsFile::kVoicePromptsKey), "1") << Content().data();
    }
}

TEST_F(SettingsFileTest, OddFilesReadAsMissingAndAreNeverWrittenOrWaitedOn) {
    const struct {
        const char* what;
        std::function<bool(const QByteArray&)> make;
        mode_t type;
    } cases[] = {
        {"FIFO", [](const QByteArray& p) { return mkfifo(p, 0600) == 0; }, S_IFIFO},
        {"folder", [](const QByteArray& p) { return mkdir(p, 0700) == 0; }, S_IFDIR},
        {"link to a device", [](const QByteArray& p) { return symlink("/dev/null", p) == 0; },
         S_IFCHR},
    };
    for (const auto& c : cases) {
        QFile::remove(path);
        QDir(path).removeRecursively();
        ASSERT_TRUE(c.make(QFile::encodeName(path))) << c.what;
        SettingsFile settings(path);
        EXPECT_EQ(settings.ReadValue(SettingsFile::kVoicePromptsKey), "w") << c.what;
        EXPECT_FALSE(settings.Write(SettingsFile::kVoicePromptsKey, true)) << c.what;
        struct stat st {};
        ASSERT_EQ(stat(QFile::encodeName(path), &st), 0) << c.what;
        EXPECT_EQ(st.st_mode & S_IFMT, c.type) << c.what;
    }
}

TEST_F(SettingsFileTest, AHugeFileCostsNoMoreMemoryThanASmallOne) {
    rusage before{}, after{};
    getrusage(RUSAGE_SELF, &before);
    for (const QByteArray& head : {QByteArray("[menu]\nmenu3=1\n"), QByteArray("[menu]\nmenu3=")}) {
        Write(head);
        ASSERT_TRUE(QFile::resize(path, 200 << 20));  // one line of 200 MB
        SettingsFile settings(path);
        EXPECT_EQ(settings.ReadValue(SettingsFile::kVoicePromptsKey).size(),
                  head.endsWith("1\n") ? 1 : 254);
        EXPECT_EQ(settings.ReadValue(SettingsFile::kSoundEffectsKey), "w");
    }
    getrusage(RUSAGE_SELF, &after);
    EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 16 * 1024) << "KiB";
}

TEST_F(SettingsFileTest, AWriteKilledMidwayLeavesTheOldFileAndNoLitterForLong) {
    // A long comment makes the new file outgrow the size limit the writer is held to,
    // and the kernel kills it in the middle of writing.
    const QByteArray old = "; " + QByteArray(8192, 'c') + "\n[menu]\nmenu3=1\n";
    Write(old);
    const pid_t child = fork();
    if (child == 0) {
        const rlimit size{4096, 4096}, core{0, 0};
        setrlimit(RLIMIT_FSIZE, &size);
        setrlimit(RLIMIT_CORE, &core);
        SettingsFile(path).Write(SettingsFile::kVoicePromptsKey, false);
        _exit(0);
    }
    ASSERT_GT(child, 0);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGXFSZ) << "status " << status;
    EXPECT_EQ(Content(), old);
    EXPECT_EQ(QDir(dir.filePath("tavrin")).entryList(QDir::Files | QDir::Hidden).size(), 2)
        << "the killed write's own file is left";

    // Earlier versions left a lock file too.
    Write(dir.filePath("tavrin/Qbx_R.lock"), "[menu]");
    ASSERT_TRUE(SettingsFile(path).Write(SettingsFile::kSoundEffectsKey, true));
    EXPECT_EQ(QDir(dir.filePath("tavrin")).entryList(QDir::Files | QDir::Hidden),
              QStringList{"Qbx_R"});
}

TEST_F(SettingsFileTest, AFullDiskKeepsTheOldFileByteForByteAndSaysSoOnce) {
    TAVRIN_SKIP_UNLESS_ROOT();
    const QString folder = dir.filePath("tavrin");
    const auto disk = testing::ScratchMount::Tmpfs(folder, 64);
    ASSERT_TRUE(disk.mounted());
    const QByteArray old = "; by hand\n[menu]\nmenu3=1\nmenu6=0\n";
    Write(old);
    ASSERT_TRUE(disk.Fill());

    // In a child, with its stderr in a file.
    QTemporaryFile said;
    ASSERT_TRUE(said.open());
    const pid_t child = fork();
    if (child == 0) {
        dup2(said.handle(), STDERR_FILENO);
        const SettingsFile settings(path);
        const bool any = settings.Write(SettingsFile::kSoundEffectsKey, true) ||
                         settings.Write(SettingsFile::kVoicePromptsKey, false);
        _exit(any ? 1 : 0);
    }
    ASSERT_GT(child, 0);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a write said it succeeded";
    EXPECT_EQ(Content(), old);
    QStringList files = QDir(folder).entryList(QDir::Files | QDir::Hidden);
    files.sort();
    EXPECT_EQ(files, (QStringList{"Qbx_R", "filler"}));
    said.seek(0);
    const QStringList lines =
        QString::fromLocal8Bit(said.readAll()).split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 1) << lines.join(u'\n').toStdString();
    EXPECT_TRUE(lines[0].contains(path)) << lines[0].toStdString();

    disk.Unfill();
    ASSERT_TRUE(SettingsFile(path).Write(SettingsFile::kSoundEffectsKey, true));
    EXPECT_EQ(Content(), "; by hand\n[menu]\nmenu3=1\nmenu6=1\n");
}

}  // namespace
}  // namespace tavrin
