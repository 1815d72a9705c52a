// lumaret: the desktop program.
#include <QApplication>

#include "shell/editorapp.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Lumaret");
    QApplication::setApplicationVersion(LUMARET_VERSION);
    CeditorApp editor;
    QStringList arguments = QApplication::arguments();
    arguments.removeFirst();
    if (!editor.InitInstance(arguments)) return editor.ExitInstance(0);
    return editor.ExitInstance(QApplication::exec());
}
