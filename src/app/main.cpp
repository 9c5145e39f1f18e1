#include <QApplication>
#include <cstdio>
#include <cstdlib>

#include "shell/face_window.h"
#include "shell/fonts.h"
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
    // The face places its own windows, which Wayland does not allow; XWayland does.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM") &&
        (qEnvironmentVariable("XDG_SESSION_TYPE") == QLatin1String("wayland") ||
         qEnvironmentVariableIsSet("WAYLAND_DISPLAY")))
        qputenv("QT_QPA_PLATFORM", "xcb");

    tavrin::RegisterFontSubstitutions();
    qtMessageHandler = qInstallMessageHandler(ExitWhenNoDisplay);
    QApplication app(argc, argv);
    qInstallMessageHandler(qtMessageHandler);
    tavrin::ApplyDefaultFont(app);

    tavrin::FaceWindowParts parts;
    parts.openSpeechFile = [](const QString& path) {
        return tavrin::OpenSpeechFile(path.toStdString());
    };
    tavrin::FaceWindow face(std::move(parts));
    face.Form_Load();
    face.show();
    return app.exec();
}
