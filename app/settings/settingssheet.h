#pragma once
// CSettingsUI: the "Settings" window with its four pages (Directories, Thumbnails, Autorun,
// Updates). Each page shows the settings when the window opens; OK and Apply store every
// page, register or remove the autoplay files and save the settings file.
#include <QDialog>
#include <optional>
#include <string>

#include "settings/settings.h"
#include "setup/autoplay.h"
#include "setup/settingspages.h"

class QCheckBox;
class QLineEdit;
class QRadioButton;
class QTabWidget;

class CSettingsUI : public QDialog {
    Q_OBJECT
public:
    // Edits `settings`; autoplay files go below `where` and name `program` as the executable.
    CSettingsUI(CSettings& settings, setup::AutoplayLocations where, std::string program, QWidget* parent = nullptr);

    // Stores every page into the settings, applies the autoplay choices and saves; false when
    // the settings file could not be written.
    bool Apply();

    QTabWidget* Pages() const { return m_pages; }

private:
    QWidget* MakeDirectoriesPage();
    QWidget* MakeThumbnailsPage();
    QWidget* MakeAutorunPage();
    QWidget* MakeUpdatesPage();
    void UpdateDeleteBox();

    CSettings& m_settings;
    setup::AutoplayLocations m_where;
    std::string m_program;
    QTabWidget* m_pages = nullptr;
    // Directories
    QLineEdit* m_root = nullptr;
    QLineEdit* m_pattern = nullptr;
    QRadioButton* m_taken = nullptr;
    QRadioButton* m_downloaded = nullptr;
    // Thumbnails
    QLineEdit* m_thumbnails = nullptr;
    // Autorun
    QCheckBox* m_media = nullptr;
    QCheckBox* m_camera = nullptr;
    QCheckBox* m_clickless = nullptr;
    QCheckBox* m_delete = nullptr;
    // Updates: the page's state, the clicked button recorded as it happens.
    setup::UpdatesPage m_updates;
};
