#pragma once
// CSetupWizard: the first-run setup wizard (welcome, download folder, folder dates, naming
// pattern, thumbnail database, automatic start, end). Pages store their values into the
// settings on Next; the Automatic start page, Finish and Cancel save the file.
#include <QWizard>
#include <functional>
#include <string>

#include "platform/programfolder.h"
#include "settings/settings.h"
#include "setup/autoplay.h"

class CSetupWizard : public QWizard {
    Q_OBJECT
public:
    enum PageId { Welcome, DownloadPath, FolderDates, NamingPattern, Thumbnails, AutoStart, End };

    // Edits `settings`; autoplay files go below `where`, naming `program`; `env` gives the
    // home and XDG folders for the automatic choice of the download folder.
    // `installFlag` is the application's install flag at start.
    CSetupWizard(CSettings& settings, setup::AutoplayLocations where, std::string program, platform::EnvLookup env,
                 bool installFlag, QWidget* parent = nullptr);

    // Shows an error message (a message box; tests replace it).
    std::function<void(const QString& message)> showError;

    // The application's install flag after the wizard: cleared by Finish with "Run Lumaret"
    // checked, set by Cancel after the last page was shown, else as it was. Start-up ends
    // while it is set.
    bool InstallFlag() const { return m_installFlag; }

    CSettings& Settings() { return m_settings; }
    const setup::AutoplayLocations& Locations() const { return m_where; }
    const std::string& Program() const { return m_program; }
    const platform::EnvLookup& Environment() const { return m_env; }

    void accept() override;
    void reject() override;

private:
    CSettings& m_settings;
    setup::AutoplayLocations m_where;
    std::string m_program;
    platform::EnvLookup m_env;
    bool m_endShown = false;
    bool m_installFlag = false;
};
