#pragma once
// The help page of the settings window and the setup wizard.
#include <QString>

class QWidget;

// Opens the settings help page at `anchor` ("directories", "thumbnails", "autorun",
// "updates") in a help window owned by `parent`.
void ShowSettingsHelp(QWidget* parent, const QString& anchor);
