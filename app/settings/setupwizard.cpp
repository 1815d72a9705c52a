#include "settings/setupwizard.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "settings/settingshelp.h"
#include "setup/folders.h"
#include "setup/settingspages.h"

namespace {

QLabel* Text(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    return label;
}

class CWizardWelcome : public QWizardPage {
public:
    explicit CWizardWelcome(QWidget* parent) : QWizardPage(parent) {
        setTitle(QStringLiteral("Welcome to Lumaret"));
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(Text(QStringLiteral("This wizard sets up where Lumaret keeps downloaded images, how their "
                                              "folders are named, where the thumbnail database lives and whether "
                                              "Lumaret starts when a camera or memory card is connected.\n\n"
                                              "Press Next to continue."),
                               this));
    }
};

class CWizardDownloadPath : public QWizardPage {
public:
    explicit CWizardDownloadPath(CSetupWizard* wizard) : QWizardPage(wizard), m_wizard(wizard) {
        setTitle(QStringLiteral("Download path"));
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(Text(QStringLiteral("Please choose where to save downloaded images:"), this));
        m_automatic = new QRadioButton(
            QStringLiteral(" Choose automatically\n (If you have multiple disks, the one with most space will be chosen)"),
            this);
        m_pick = new QRadioButton(QStringLiteral(" Let me pick..."), this);
        m_automatic->setObjectName(QStringLiteral("chooseAutomatically"));
        m_pick->setObjectName(QStringLiteral("letMePick"));
        m_folder = new QLabel(this);
        m_folder->setObjectName(QStringLiteral("chosenFolder"));
        for (QWidget* w : std::initializer_list<QWidget*>{m_automatic, m_pick, m_folder}) layout->addWidget(w);
        layout->addStretch();
        connect(m_automatic, &QRadioButton::clicked, this, [this] { m_folder->setText(m_proposal); });
        connect(m_pick, &QRadioButton::clicked, this, [this] {
            const QString folder =
                QFileDialog::getExistingDirectory(this, QStringLiteral("Select folder for downloaded photos:"), m_folder->text());
            if (!folder.isEmpty()) m_folder->setText(folder);
        });
    }
    void initializePage() override {
        m_proposal = QString::fromStdString(
            setup::ProposeDownloadFolder(m_wizard->Settings().ImageDownloadDir, m_wizard->Environment()));
        m_automatic->setChecked(true);
        m_folder->setText(m_proposal);
    }
    bool validatePage() override {
        const std::string folder = m_folder->text().toStdString();
        if (!setup::EnsureFolder(folder)) {
            m_wizard->showError(QString::fromStdString(setup::FolderErrorMessage(folder)));
            return false;
        }
        m_wizard->Settings().ImageDownloadDir = folder;
        return true;
    }

private:
    CSetupWizard* m_wizard;
    QRadioButton* m_automatic;
    QRadioButton* m_pick;
    QLabel* m_folder;
    QString m_proposal;
};

class CWizardFolderDates : public QWizardPage {
public:
    explicit CWizardFolderDates(CSetupWizard* wizard) : QWizardPage(wizard), m_wizard(wizard) {
        setTitle(QStringLiteral("Folder dates"));
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(Text(QStringLiteral(
            "As you download images from your camera, Lumaret can place them in folders corresponding to date the "
            "image was taken. Alternatively, the folders can be named by the date the images are downloaded."), this));
        m_taken = new QRadioButton(QStringLiteral("When images were taken (Recommended)"), this);
        m_downloaded = new QRadioButton(QStringLiteral("When images are downloaded"), this);
        m_taken->setObjectName(QStringLiteral("whenTaken"));
        m_downloaded->setObjectName(QStringLiteral("whenDownloaded"));
        layout->addWidget(m_taken);
        layout->addWidget(m_downloaded);
        layout->addStretch();
    }
    void initializePage() override {
        (m_wizard->Settings().ShortcutAppliesToDownloadedTime == 1 ? m_downloaded : m_taken)->setChecked(true);
    }
    bool validatePage() override {
        m_wizard->Settings().ShortcutAppliesToDownloadedTime = m_downloaded->isChecked() ? 1 : 0;
        return true;
    }

private:
    CSetupWizard* m_wizard;
    QRadioButton* m_taken;
    QRadioButton* m_downloaded;
};

class CWizardNamingPattern : public QWizardPage {
public:
    explicit CWizardNamingPattern(CSetupWizard* wizard) : QWizardPage(wizard), m_wizard(wizard) {
        setTitle(QStringLiteral("Naming pattern"));
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(Text(QStringLiteral("Some of the most commonly used shortcuts:\n\n"
                                              "%Y\tYear with century\n%y\tYear without century\n"
                                              "%B\tFull month name\n%b\tAbbreviated month name\n"
                                              "%m\tMonth as a number (01 - 12)\n%d\tDay of month (01 - 31)\n"
                                              "%A\tFull weekday name\n\n"
                                              "Example:\t%Y/%B/%d translates to 2005/March/05"),
                               this));
        m_pattern = new QLineEdit(this);
        m_pattern->setObjectName(QStringLiteral("namingPattern"));
        layout->addWidget(m_pattern);
        layout->addWidget(Text(QStringLiteral("Shortcuts will be replaced by the actual values at the time of "
                                              "downloading. A \"/\" starts a sub-folder."),
                               this));
        layout->addStretch();
    }
    void initializePage() override {
        m_pattern->setText(QString::fromStdString(setup::WizardNamingPattern(m_wizard->Settings())));
    }
    bool validatePage() override {
        m_wizard->Settings().Shortcut = m_pattern->text().toStdString();
        return true;
    }

private:
    CSetupWizard* m_wizard;
    QLineEdit* m_pattern;
};

class CWizardThumbnails : public QWizardPage {
public:
    explicit CWizardThumbnails(CSetupWizard* wizard) : QWizardPage(wizard), m_wizard(wizard) {
        setTitle(QStringLiteral("Thumbnails database"));
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(Text(QStringLiteral(
            "Lumaret maintains the database of thumbnails to speed-up the display of images in the browser. "
            "Please choose the folder that holds it."), this));
        auto* row = new QHBoxLayout;
        m_folder = new QLineEdit(this);
        m_folder->setObjectName(QStringLiteral("thumbnailFolder"));
        auto* browse = new QPushButton(QStringLiteral("..."), this);
        browse->setMaximumWidth(32);
        row->addWidget(m_folder);
        row->addWidget(browse);
        layout->addLayout(row);
        layout->addStretch();
        connect(browse, &QPushButton::clicked, this, [this] {
            const QString folder = QFileDialog::getExistingDirectory(
                this, QStringLiteral("Select folder for the thumbnail database:"), m_folder->text());
            if (!folder.isEmpty()) m_folder->setText(folder);
        });
    }
    void initializePage() override {
        m_folder->setText(QString::fromStdString(
            setup::WizardThumbnailFolder(m_wizard->Settings(), platform::DefaultThumbnailFolder().string())));
    }
    bool validatePage() override {
        const std::string folder = m_folder->text().toStdString();
        if (!setup::EnsureFolder(folder)) {
            m_wizard->showError(QString::fromStdString(setup::FolderErrorMessage(folder)));
            return false;
        }
        m_wizard->Settings().ThumbnailDatabase = folder;
        return true;
    }

private:
    CSetupWizard* m_wizard;
    QLineEdit* m_folder;
};

class CWizardAutoRun : public QWizardPage {
public:
    explicit CWizardAutoRun(CSetupWizard* wizard) : QWizardPage(wizard), m_wizard(wizard) {
        setTitle(QStringLiteral("Automatic start"));
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(Text(QStringLiteral(
            "Lumaret has the ability to start automatically when camera is connected, or flash card detected. It can "
            "also start downloading images immediately, without need to do anything else, other than connecting "
            "camera to the computer."), this));
        m_camera = new QCheckBox(QStringLiteral("Enable Lumaret to start when camera is connected (recommended)."), this);
        m_card = new QCheckBox(QStringLiteral("Enable Lumaret to start when flash card is inserted (recommended)."), this);
        m_clickless = new QCheckBox(QStringLiteral("Enable Lumaret to start downloading images automatically - "
                                                   "clickless download (recommended)."), this);
        m_delete = new QCheckBox(QStringLiteral(" Automatically delete images that have downloaded successfully from "
                                                "the camera \n or flash card to make room for more (recommended)."), this);
        m_camera->setObjectName(QStringLiteral("autoplayCamera"));
        m_card->setObjectName(QStringLiteral("autoplayMedia"));
        m_clickless->setObjectName(QStringLiteral("clickless"));
        m_delete->setObjectName(QStringLiteral("deleteAfter"));
        for (QCheckBox* box : {m_camera, m_card, m_clickless, m_delete}) layout->addWidget(box);
        layout->addStretch();
        connect(m_clickless, &QCheckBox::toggled, this, [this](bool on) {
            if (!on) m_delete->setChecked(false);
            m_delete->setEnabled(on);
        });
    }
    void initializePage() override {
        const setup::AutorunChoices choices = setup::ReadAutorunPage(m_wizard->Settings());
        m_camera->setChecked(choices.camera);
        m_card->setChecked(choices.media);
        m_clickless->setChecked(choices.clickless);
        m_delete->setChecked(choices.deleteAfter);
        m_delete->setEnabled(choices.clickless);
    }
    bool validatePage() override {
        setup::AutorunChoices choices;
        choices.media = m_card->isChecked();
        choices.camera = m_camera->isChecked();
        choices.clickless = m_clickless->isChecked();
        choices.deleteAfter = m_delete->isChecked();
        std::vector<std::string> errors;  // not reported, as on the settings page
        setup::ApplyAutorun(choices, m_wizard->Settings(), m_wizard->Locations(), m_wizard->Program(), errors);
        return true;
    }

private:
    CSetupWizard* m_wizard;
    QCheckBox* m_camera;
    QCheckBox* m_card;
    QCheckBox* m_clickless;
    QCheckBox* m_delete;
};

class CWizardEnd : public QWizardPage {
public:
    CWizardEnd(CSetupWizard* wizard, bool& shown) : QWizardPage(wizard), m_shown(shown) {
        setTitle(QStringLiteral("Finished"));
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(Text(QStringLiteral("Congratulations !\n\n Lumaret has been succesfully configured on your "
                                              "computer. Do you wish to run the program now ?"),
                               this));
        m_run = new QCheckBox(QStringLiteral("Run Lumaret"), this);
        m_run->setObjectName(QStringLiteral("runLumaret"));
        layout->addWidget(m_run);
        layout->addStretch();
        setFinalPage(true);
    }
    void initializePage() override {
        m_run->setChecked(true);
        m_shown = true;
    }
    bool RunProgram() const { return m_run->isChecked(); }

private:
    bool& m_shown;
    QCheckBox* m_run;
};

}  // namespace

CSetupWizard::CSetupWizard(CSettings& settings, setup::AutoplayLocations where, std::string program,
                           platform::EnvLookup env, bool installFlag, QWidget* parent)
    : QWizard(parent), m_settings(settings), m_where(std::move(where)), m_program(std::move(program)),
      m_env(std::move(env)), m_installFlag(installFlag) {
    setWindowTitle(QStringLiteral("Lumaret"));
    setWizardStyle(QWizard::ClassicStyle);
    showError = [this](const QString& message) { QMessageBox::critical(this, QStringLiteral("Error"), message); };
    setPage(Welcome, new CWizardWelcome(this));
    setPage(DownloadPath, new CWizardDownloadPath(this));
    setPage(FolderDates, new CWizardFolderDates(this));
    setPage(NamingPattern, new CWizardNamingPattern(this));
    setPage(Thumbnails, new CWizardThumbnails(this));
    setPage(AutoStart, new CWizardAutoRun(this));
    setPage(End, new CWizardEnd(this, m_endShown));
    setOption(QWizard::HaveHelpButton, true);
    connect(this, &QWizard::helpRequested, this, [this] {
        switch (currentId()) {
            case DownloadPath: case FolderDates: case NamingPattern: return ShowSettingsHelp(this, "directories");
            case Thumbnails: return ShowSettingsHelp(this, "thumbnails");
            case AutoStart: return ShowSettingsHelp(this, "autorun");
            default: return ShowSettingsHelp(this, "");
        }
    });
}

void CSetupWizard::accept() {
    setup::MarkSetupCompleted(m_settings);
    m_settings.Save();
    if (static_cast<CWizardEnd*>(page(End))->RunProgram()) m_installFlag = false;
    QWizard::accept();
}

void CSetupWizard::reject() {
    // Cancelling after the last page was shown counts as finished, but the program does not
    // go on; earlier, setup stays incomplete and start-up ends.
    if (m_endShown) {
        setup::MarkSetupCompleted(m_settings);
        m_installFlag = true;
    }
    m_settings.Save();
    QWizard::reject();
}
