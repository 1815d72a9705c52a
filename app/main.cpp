// lumaret: the desktop program.
#include <QApplication>
#include <string_view>

#include "setup/autoplay.h"
#include "setup/camerawatch.h"
#include "shell/editorapp.h"

int main(int argc, char** argv) {
    // The camera watcher started from the session's autostart runs without any window.
    for (int i = 1; i < argc; ++i)
        if (std::string_view(argv[i]) == "--camera-watch") {
            const auto where = setup::AutoplayLocations::FromEnvironment(platform::ProcessEnvironment());
            return setup::CameraWatchMain(setup::ProgramExecutable(), where.AutostartEntry().string());
        }
    QApplication app(argc, argv);
    QApplication::setApplicationName("Lumaret");
    QApplication::setApplicationVersion(LUMARET_VERSION);
    CeditorApp editor;
    QStringList arguments = QApplication::arguments();
    arguments.removeFirst();
    if (!editor.InitInstance(arguments)) return editor.ExitInstance(0);
    return editor.ExitInstance(QApplication::exec());
}
