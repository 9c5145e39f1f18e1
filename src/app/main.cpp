// SPDX-License-Identifier: GPL-3.0-or-later
#include <QApplication>
#include <QProcess>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>

#include "app/command_line.h"
#include "app/show_report.h"
#include "record/practice_recorder.h"
#include "record/record_commands.h"
#include "record/record_store.h"
#include "session/settings_file.h"
#include "shell/face_window.h"
#include "shell/fonts.h"
#include "shell/messages.h"
#include "shell/translation.h"
#include "sound/deferred_clip_player.h"
#include "sound/sdl_clip_player.h"

namespace {
// Without a display Qt aborts with advice to reinstall; a parent needs one
// plain line instead, and a plain exit status.
QtMessageHandler qtMessageHandler = nullptr;
void ExitWhenNoDisplay(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtFatalMsg) {
        std::fprintf(stderr, "tavrin: cannot open a window: no display at \"%s\"\n",
                     qgetenv("DISPLAY").constData());
        std::_Exit(1);
    }
    if (!QByteArray(context.category).startsWith("qt.qpa")) qtMessageHandler(type, context, text);
}
}  // namespace

int main(int argc, char* argv[]) {
    // The parent's record commands, then help, version and wrong arguments: all
    // before QApplication, so that none of them needs a display.
    // They speak the locale's language, through an application object of their own that is
    // gone before the face's is made.
    if (argc > 1) {
        QCoreApplication commandLine(argc, argv);
        tavrin::InstallCommandLineTexts(commandLine);
        const QStringList arguments = QCoreApplication::arguments();
        if (const auto status = tavrin::RunRecordCommand(arguments)) return *status;
        if (!tavrin::AsksForShowReport(argc, argv)) {
            if (const auto exitStatus = tavrin::HandleCommandLine(argc, argv, std::cout, std::cerr))
                return *exitStatus;
        }
    }
    // The report in the browser needs a display, but none of the face.
    if (const auto status = tavrin::RunShowReport(argc, argv)) return *status;

    // On a Wayland desktop the face runs through Xwayland where there is one: there
    // GNOME's mutter lets it centre itself and put the question-set dialog in the
    // corner, and an X window may ask to stay on top, none of which a Wayland client
    // may do; its outline, drag and menu work as natively. Without Xwayland it runs
    // natively rather than not at all.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM") &&
        (qEnvironmentVariable("XDG_SESSION_TYPE") == QLatin1String("wayland") ||
         qEnvironmentVariableIsSet("WAYLAND_DISPLAY")))
        qputenv("QT_QPA_PLATFORM", qEnvironmentVariableIsEmpty("DISPLAY") ? "wayland;xcb" : "xcb");

    tavrin::RegisterFontSubstitutions();
    qtMessageHandler = qInstallMessageHandler(ExitWhenNoDisplay);
    QApplication app(argc, argv);
    qInstallMessageHandler(qtMessageHandler);
    // Docks and task bars match the face's window to the launcher by this name (on X11 the
    // window's class, StartupWMClass in the desktop entry, says the same).
    QGuiApplication::setDesktopFileName(QStringLiteral("org.tavrin.Tavrin"));
    tavrin::ApplyDefaultFont(app);
    tavrin::InstallQtChineseTexts(app);

    // Decoding the speech file and opening the sound device read SDL's thirty-odd libraries and
    // the file (some 3.6 MiB resident, and a thread): with both sound options off no clip can
    // play, so none of it loads until an option is switched on, when the face asks the player to
    // get ready. With an option on, it opens on a thread beside the window's construction, and
    // the face never waits for it; the start-up sound waits for the device instead. Opening it
    // only once the face is painted showed the face 25 ms sooner on a cold start but the
    // start-up sound 100 ms later.
    // Not before QApplication: the device is looked for with standard error muted, and the one
    // line that says no display could be reached must not be lost.
    const QString speechFile = tavrin::DefaultDataFolder() + QStringLiteral("/s");
    const auto speech = std::make_shared<tavrin::DeferredClipPlayer>(
        [path = speechFile.toStdString()] { return tavrin::OpenSpeechFile(path); });
    if (const tavrin::SettingsFile settings;
        settings.IsOn(tavrin::SettingsFile::kSoundEffectsKey) ||
        settings.IsOn(tavrin::SettingsFile::kVoicePromptsKey))
        speech->Open();

    tavrin::FaceWindowParts parts;
    parts.openSpeechFile = [&](const QString& path) -> std::unique_ptr<tavrin::ClipPlayer> {
        if (path == speechFile) return std::make_unique<tavrin::SharedClipPlayer>(speech);
        return tavrin::OpenSpeechFile(path.toStdString());
    };
    // The recorder says on stderr, in the locale's language, when a set could not be stored yet.
    tavrin::InstallCommandLineTexts(app);
    parts.recordMarkedSet = tavrin::PracticeRecorder();
    parts.latestAnswers = [] {
        const auto latest = tavrin::RecordStore().LoadLatestAnswers();
        // A record that cannot be read leaves nothing to review; the child is not told why.
        if (!latest.error.isEmpty())
            std::fprintf(stderr, "tavrin: %s\n", latest.error.toLocal8Bit().constData());
        return latest.facts;
    };
    // In a process of its own, so that reading a long record never holds up the face.
    parts.showPracticeRecord = [] {
        if (!QProcess::startDetached(QCoreApplication::applicationFilePath(),
                                     {QStringLiteral("--show-report")}))
            tavrin::ShowMessage(nullptr, QStringLiteral("打不开练习记录。"));
    };
    tavrin::FaceWindow face(std::move(parts));
    face.Load();
    face.show();
    tavrin::WarnWhenChineseFontsMissing();
    return app.exec();
}
