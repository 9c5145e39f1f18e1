// SPDX-License-Identifier: GPL-3.0-or-later
// The face wired to the real player as the program wires it: with both options off nothing of
// sound is loaded or running, and switching one on makes the next click heard. SDL's disk
// driver stands for the device.
#include <QDirIterator>
#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "shell/face_fixture.h"
#include "sound/clip_mixer.h"
#include "sound/deferred_clip_player.h"
#include "sound/sdl_clip_player.h"
#include "sound/speech_file.h"

namespace tavrin {
namespace {

using testing::FaceWindowTest;

const std::string kSpeechFile = std::string(TAVRIN_SOURCE_DIR) + "/data/eye/s";

std::string ReadText(const QString& path) {
    std::ifstream in(path.toStdString(), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// The sound libraries mapped into this process, by name.
QStringList SoundLibrariesLoaded() {
    QStringList found;
    const std::string maps = ReadText(QStringLiteral("/proc/self/maps"));
    for (const char* name : {"libSDL2", "libsndfile"})
        if (maps.find(name) != std::string::npos) found << name;
    return found;
}

// Ours, and SDL's audio threads.
QStringList SoundThreads() {
    QStringList found;
    QDirIterator tasks(QStringLiteral("/proc/self/task"), QDir::Dirs | QDir::NoDotAndDotDot);
    while (tasks.hasNext()) {
        const QString name =
            QString::fromStdString(ReadText(tasks.next() + QStringLiteral("/comm"))).trimmed();
        if (name == QLatin1String(kSoundThreadName) || name.startsWith(QLatin1String("SDLAudio")))
            found << name;
    }
    return found;
}

std::vector<std::int16_t> WithoutLeadingSilence(const std::string& bytes) {
    std::vector<std::int16_t> samples(bytes.size() / 2);
    std::copy_n(bytes.data(), samples.size() * 2, reinterpret_cast<char*>(samples.data()));
    samples.erase(samples.begin(), std::find_if(samples.begin(), samples.end(),
                                                [](std::int16_t s) { return s != 0; }));
    return samples;
}

TEST_F(FaceWindowTest, WithBothOptionsOffNoSoundLoadsUntilOneIsSwitchedOnThenTheClickIsHeard) {
    const QString capture = dir.filePath(QStringLiteral("device.raw"));
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", capture.toLocal8Bit().constData(), 1);
    auto speech = std::make_shared<DeferredClipPlayer>([] { return OpenSpeechFile(kSpeechFile); });
    openSpeechFile = [speech](const QString&) {
        return std::make_unique<SharedClipPlayer>(speech);
    };
    ASSERT_EQ(SoundLibrariesLoaded(), QStringList()) << "loaded before the face: nothing to learn";

    Start("[menu]\nmenu3=0\nmenu6=0\n");
    MakeSet("1000", "20", "10");
    ASSERT_EQ(face->session().store.RowCount(), 10);
    Answer(QStringLiteral("1"));
    QTest::qWait(300);  // time for a wrongly started opening to show
    EXPECT_EQ(SoundLibrariesLoaded(), QStringList());
    EXPECT_EQ(SoundThreads(), QStringList());

    ui().menu_wj_6->trigger();
    ASSERT_TRUE(QTest::qWaitFor([] { return SoundLibrariesLoaded().size() == 2; }, 10000))
        << SoundLibrariesLoaded().join(' ').toStdString();
    EXPECT_FALSE(SoundThreads().isEmpty());
    Answer(QStringLiteral("2"));
    const auto file = DecodeSpeechFile(kSpeechFile, nullptr);
    ASSERT_TRUE(file);
    const ClipSlice click = SliceClip(clips::ClipClick.from, clips::ClipClick.to, file->rate,
                                      static_cast<std::int64_t>(file->samples.size()));
    // The disk device writes in real time; the click lasts a quarter of a second.
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return WithoutLeadingSilence(ReadText(capture)).size() >
                   static_cast<std::size_t>(click.Frames() + 4096);
        },
        10000));
    face.reset();
    speech.reset();  // closes the device, so the capture is whole

    const auto heard = WithoutLeadingSilence(ReadText(capture));
    std::vector<std::int16_t> want(file->samples.begin() + click.begin,
                                   file->samples.begin() + click.end);
    want.erase(want.begin(),
               std::find_if(want.begin(), want.end(), [](std::int16_t s) { return s != 0; }));
    ASSERT_GE(heard.size(), want.size());
    EXPECT_TRUE(std::equal(want.begin(), want.end(), heard.begin()));
}

}  // namespace
}  // namespace tavrin
