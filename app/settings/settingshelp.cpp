#include "settings/settingshelp.h"

#include <QTextBrowser>

#include "shell/helpwindow.h"

void ShowSettingsHelp(QWidget* parent, const QString& anchor) {
    auto* window = new CHelpWindow(parent);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->ShowPage(QStringLiteral("settings.htm"));
    window->Browser()->scrollToAnchor(anchor);
}
