#include <QApplication>
#include <iostream>

#include "app/command_line.h"
#include "shell/face_window.h"
#include "shell/fonts.h"
#include "sound/sdl_clip_player.h"

int main(int argc, char* argv[]) {
    // Before QApplication, so that --help and --version need no display.
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

    tavrin::FaceWindowParts parts;
    parts.openSpeechFile = [](const QString& path) {
        return tavrin::OpenSpeechFile(path.toStdString());
    };
    tavrin::FaceWindow face(std::move(parts));
    face.Form_Load();
    face.show();
    tavrin::WarnWhenChineseFontsMissing();
    return app.exec();
}
