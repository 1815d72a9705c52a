// lumaret: the desktop program.
#include <QApplication>

#include "shell/mainframe.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Lumaret");
    QApplication::setApplicationVersion(LUMARET_VERSION);
    CMainFrame frame;
    frame.show();
    return app.exec();
}
