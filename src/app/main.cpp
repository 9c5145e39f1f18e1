#include <QApplication>
#include <iostream>

#include "app/command_line.h"
#include "record/practice_recorder.h"
#include "record/record_commands.h"
#include "shell/face_window.h"
#include "shell/fonts.h"
#include "shell/translation.h"
#include "sound/sdl_clip_player.h"

int main(int argc, char* argv[]) {
    // The parent's record commands, then help, version and wrong arguments: all
    // before QApplication, so that none of them needs a display.
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    if (const auto status = tavrin::RunRecordCommand(arguments)) return *status;
    if (const auto exitStatus = tavrin::HandleCommandLine(argc, argv, std::cout, std::cerr))
        return *exitStatus;

    // The face places its own windows, which Wayland does not allow; XWayland does.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM") &&
        (qEnvironmentVariable("XDG_SESSION_TYPE") == QLatin1String("wayland") ||
         qEnvironmentVariableIsSet("WAYLAND_DISPLAY")))
        qputenv("QT_QPA_PLATFORM", "xcb");

    tavrin::RegisterFontSubstitutions();
    QApplication app(argc, argv);
    tavrin::ApplyDefaultFont(app);
    tavrin::InstallQtChineseTexts(app);

    tavrin::FaceWindowParts parts;
    parts.openSpeechFile = [](const QString& path) {
        return tavrin::OpenSpeechFile(path.toStdString());
    };
    parts.recordMarkedSet = tavrin::PracticeRecorder();
    tavrin::FaceWindow face(std::move(parts));
    face.Load();
    face.show();
    tavrin::WarnWhenChineseFontsMissing();
    return app.exec();
}
