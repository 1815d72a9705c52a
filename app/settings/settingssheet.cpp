#include "settings/settingssheet.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "settings/settingshelp.h"

namespace {

QString FromStd(const std::string& text) { return QString::fromStdString(text); }

// An edit box with a "..." button that puts a chosen folder into it.
QWidget* FolderRow(QLineEdit* edit, const QString& prompt, QWidget* parent) {
    auto* row = new QWidget(parent);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* browse = new QPushButton(QStringLiteral("..."), row);
    browse->setObjectName(edit->objectName() + QStringLiteral("Browse"));
    browse->setMaximumWidth(32);
    layout->addWidget(edit);
    layout->addWidget(browse);
    QObject::connect(browse, &QPushButton::clicked, row, [edit, prompt, row] {
        const QString folder = QFileDialog::getExistingDirectory(row, prompt, edit->text());
        if (!folder.isEmpty()) edit->setText(folder);
    });
    return row;
}

}  // namespace

CSettingsUI::CSettingsUI(CSettings& settings, setup::AutoplayLocations where, std::string program, QWidget* parent)
    : QDialog(parent), m_settings(settings), m_where(std::move(where)), m_program(std::move(program)) {
    setWindowTitle(QStringLiteral("Settings"));
    auto* layout = new QVBoxLayout(this);
    m_pages = new QTabWidget(this);
    m_pages->addTab(MakeDirectoriesPage(), QStringLiteral("Directories"));
    m_pages->addTab(MakeThumbnailsPage(), QStringLiteral("Thumbnails"));
    m_pages->addTab(MakeAutorunPage(), QStringLiteral("Autorun"));
    m_pages->addTab(MakeUpdatesPage(), QStringLiteral("Updates"));
    layout->addWidget(m_pages);
    auto* buttons =
        new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Apply |
                                 QDialogButtonBox::Help, this);
    buttons->setObjectName(QStringLiteral("buttons"));
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        Apply();
        accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(buttons->button(QDialogButtonBox::Apply), &QPushButton::clicked, this, [this] { Apply(); });
    connect(buttons, &QDialogButtonBox::helpRequested, this, [this] {
        static const char* const anchors[] = {"directories", "thumbnails", "autorun", "updates"};
        ShowSettingsHelp(this, QString::fromLatin1(anchors[std::clamp(m_pages->currentIndex(), 0, 3)]));
    });
}

QWidget* CSettingsUI::MakeDirectoriesPage() {
    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);
    const setup::DirectoriesPage values = setup::ReadDirectoriesPage(m_settings);
    layout->addWidget(new QLabel(QStringLiteral("Root directory for downloaing photos"), page));
    m_root = new QLineEdit(FromStd(values.root), page);
    m_root->setObjectName(QStringLiteral("rootFolder"));
    layout->addWidget(FolderRow(m_root, QStringLiteral("Select folder for downloaded photos:"), page));
    layout->addWidget(new QLabel(QStringLiteral("Directory naming scheme"), page));
    m_pattern = new QLineEdit(FromStd(values.pattern), page);
    m_pattern->setObjectName(QStringLiteral("namingPattern"));
    layout->addWidget(m_pattern);
    m_taken = new QRadioButton(QStringLiteral("When image was taken"), page);
    m_downloaded = new QRadioButton(QStringLiteral("When image is downloaded"), page);
    m_taken->setObjectName(QStringLiteral("whenTaken"));
    m_downloaded->setObjectName(QStringLiteral("whenDownloaded"));
    (values.useDownloadTime ? m_downloaded : m_taken)->setChecked(true);
    layout->addWidget(m_taken);
    layout->addWidget(m_downloaded);
    auto* help = new QPlainTextEdit(QString::fromUtf8(setup::NamingHelpText()), page);
    help->setReadOnly(true);
    help->setObjectName(QStringLiteral("namingHelp"));
    layout->addWidget(help);
    return page;
}

QWidget* CSettingsUI::MakeThumbnailsPage() {
    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(new QLabel(QStringLiteral("Database folder"), page));
    m_thumbnails = new QLineEdit(FromStd(m_settings.ThumbnailDatabase), page);
    m_thumbnails->setObjectName(QStringLiteral("thumbnailFolder"));
    layout->addWidget(FolderRow(m_thumbnails, QStringLiteral("Select folder for the thumbnail database:"), page));
    layout->addStretch();
    return page;
}

QWidget* CSettingsUI::MakeAutorunPage() {
    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);
    const setup::AutorunChoices choices = setup::ReadAutorunPage(m_settings);
    m_media = new QCheckBox(QStringLiteral("Start program when media is inserted"), page);
    m_camera = new QCheckBox(QStringLiteral("Start program when camera is connected"), page);
    m_clickless = new QCheckBox(QStringLiteral("Start downloading images immediately (clickless operation)"), page);
    m_delete = new QCheckBox(QStringLiteral("Delete images upon download"), page);
    m_media->setObjectName(QStringLiteral("autoplayMedia"));
    m_camera->setObjectName(QStringLiteral("autoplayCamera"));
    m_clickless->setObjectName(QStringLiteral("clickless"));
    m_delete->setObjectName(QStringLiteral("deleteAfter"));
    m_media->setChecked(choices.media);
    m_camera->setChecked(choices.camera);
    m_clickless->setChecked(choices.clickless);
    m_delete->setChecked(choices.deleteAfter);
    for (QCheckBox* box : {m_media, m_camera, m_clickless, m_delete}) layout->addWidget(box);
    layout->addStretch();
    // The media and camera boxes change their settings as they are clicked.
    connect(m_media, &QCheckBox::clicked, this, [this](bool on) { m_settings.Autoplay = on ? 1 : 0; });
    connect(m_camera, &QCheckBox::clicked, this, [this](bool on) { m_settings.Autostart = on ? 1 : 0; });
    connect(m_clickless, &QCheckBox::clicked, this, [this](bool on) {
        if (!on) m_delete->setChecked(false);
        UpdateDeleteBox();
    });
    UpdateDeleteBox();
    return page;
}

void CSettingsUI::UpdateDeleteBox() { m_delete->setEnabled(m_clickless->isChecked()); }

QWidget* CSettingsUI::MakeUpdatesPage() {
    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);
    m_updates = setup::ReadUpdatesPage(m_settings);
    auto* group = new QButtonGroup(page);
    const std::pair<setup::UpdateChoice, const char*> buttons[] = {{setup::UpdateChoice::Daily, "Daily"},
                                                                   {setup::UpdateChoice::Weekly, "Once a week"},
                                                                   {setup::UpdateChoice::Monthly, "Once a month"},
                                                                   {setup::UpdateChoice::Never, "Never"}};
    for (const auto& [choice, text] : buttons) {
        auto* radio = new QRadioButton(QString::fromUtf8(text), page);
        radio->setObjectName(QStringLiteral("update%1").arg(setup::FrequencyWord(choice)));
        radio->setChecked(m_updates.shown == choice);
        group->addButton(radio);
        layout->addWidget(radio);
        connect(radio, &QRadioButton::clicked, this, [this, choice = choice] { m_updates.clicked = choice; });
    }
    layout->addStretch();
    return page;
}

bool CSettingsUI::Apply() {
    setup::ApplyDirectoriesPage({m_root->text().toStdString(), m_pattern->text().toStdString(), m_downloaded->isChecked()},
                                m_settings);
    m_settings.ThumbnailDatabase = m_thumbnails->text().toStdString();
    setup::ApplyUpdatesPage(m_updates, m_settings);
    setup::AutorunChoices choices;
    choices.media = m_media->isChecked();
    choices.camera = m_camera->isChecked();
    choices.clickless = m_clickless->isChecked();
    choices.deleteAfter = m_delete->isChecked();
    // Registration failures are not reported: the settings still hold the user's choice.
    std::vector<std::string> errors;
    return setup::ApplyAutorun(choices, m_settings, m_where, m_program, errors);
}
