// The settings window and the setup wizard on a settings object of their own, with the
// autoplay files going to a temporary folder.
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>
#include <filesystem>
#include <map>

#include "settings/settingssheet.h"
#include "settings/setupwizard.h"

namespace {

namespace fs = std::filesystem;

template <class T>
T* Find(QWidget* parent, const char* name) {
    T* widget = parent->findChild<T*>(QString::fromLatin1(name));
    if (!widget) qWarning("no widget %s", name);
    return widget;
}

}  // namespace

class TestSetupDialogs : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

    fs::path Root() const { return fs::path(m_dir.path().toStdString()); }
    setup::AutoplayLocations Where() const { return {Root() / "config", Root() / "data"}; }
    platform::EnvLookup Env() const {
        const std::map<std::string, std::string> values{{"HOME", Root().string()},
                                                        {"XDG_CONFIG_HOME", (Root() / "config").string()}};
        return [values](const char* name) {
            const auto it = values.find(name);
            return it == values.end() ? std::string() : it->second;
        };
    }

private slots:
    void settingsSheetKeepsUnclickedFrequencyAndClearsDeleteWithClickless() {
        const fs::path folder = Root() / "sheet";
        fs::create_directories(folder);
        CSettings settings(folder);
        settings.Frequency = "MONTHLY";
        settings.ClicklessDownloadDelete = 1;
        settings.ShortcutAppliesToDownloadedTime = 1;
        CSettingsUI sheet(settings, Where(), "/usr/bin/lumaret");
        QCOMPARE(sheet.Pages()->count(), 4);
        QVERIFY(Find<QRadioButton>(&sheet, "updateMonthly")->isChecked());
        QVERIFY(Find<QRadioButton>(&sheet, "whenDownloaded")->isChecked());
        QVERIFY(Find<QCheckBox>(&sheet, "deleteAfter")->isEnabled());

        QVERIFY(sheet.Apply());
        QCOMPARE(CSettings(folder).Frequency, std::string("MONTHLY"));
        QVERIFY(setup::QueryAutoplay(Where()).cardDefault);

        Find<QCheckBox>(&sheet, "clickless")->click();
        QVERIFY(!Find<QCheckBox>(&sheet, "deleteAfter")->isChecked());
        QVERIFY(!Find<QCheckBox>(&sheet, "deleteAfter")->isEnabled());
        Find<QCheckBox>(&sheet, "autoplayMedia")->click();
        QCOMPARE(settings.Autoplay, 0);  // the media box writes its setting when clicked
        Find<QRadioButton>(&sheet, "updateWeekly")->click();
        Find<QLineEdit>(&sheet, "rootFolder")->setText("/photos");
        Find<QRadioButton>(&sheet, "whenTaken")->click();
        sheet.findChild<QDialogButtonBox*>("buttons")->button(QDialogButtonBox::Apply)->click();

        const CSettings stored(folder);
        QCOMPARE(stored.Frequency, std::string("Weekly"));
        QCOMPARE(stored.ClicklessDownload, 0);
        QCOMPARE(stored.ClicklessDownloadDelete, 0);
        QCOMPARE(stored.ImageDownloadDir, std::string("/photos"));
        QCOMPARE(stored.ShortcutAppliesToDownloadedTime, 0);
        QVERIFY(!setup::QueryAutoplay(Where()).cardHandler);
        QVERIFY(setup::QueryAutoplay(Where()).cameraWatch);
    }

    void wizardChecksFoldersAndFinishes() {
        const fs::path folder = Root() / "wizard";
        fs::create_directories(folder);
        CSettings settings(folder);
        settings.ImageDownloadDir = (Root() / "photos").string();
        CSetupWizard wizard(settings, Where(), "/usr/bin/lumaret", Env(), true);
        QStringList errors;
        wizard.showError = [&errors](const QString& message) { errors << message; };
        wizard.show();
        wizard.next();
        QCOMPARE(wizard.currentId(), int(CSetupWizard::DownloadPath));
        QCOMPARE(Find<QLabel>(&wizard, "chosenFolder")->text(), QString::fromStdString(settings.ImageDownloadDir));
        wizard.next();  // creates the one missing level
        QVERIFY(fs::is_directory(Root() / "photos"));
        wizard.next();
        QCOMPARE(wizard.currentId(), int(CSetupWizard::NamingPattern));
        QCOMPARE(Find<QLineEdit>(&wizard, "namingPattern")->text(), QString("%Y/%B/%d"));
        wizard.next();

        const std::string deep = (Root() / "no" / "such" / "thumbs").string();
        Find<QLineEdit>(&wizard, "thumbnailFolder")->setText(QString::fromStdString(deep));
        wizard.next();
        QCOMPARE(wizard.currentId(), int(CSetupWizard::Thumbnails));
        QCOMPARE(errors, QStringList{QString::fromStdString(
                             "Unable to create folder '" + deep + "'. Please check the path and try again.")});
        Find<QLineEdit>(&wizard, "thumbnailFolder")->setText(QString::fromStdString((Root() / "thumbs").string()));
        wizard.next();
        QCOMPARE(wizard.currentId(), int(CSetupWizard::AutoStart));

        Find<QCheckBox>(&wizard, "autoplayCamera")->setChecked(false);
        wizard.next();  // applies and saves
        QCOMPARE(wizard.currentId(), int(CSetupWizard::End));
        QCOMPARE(CSettings(folder).Autostart, 0);
        QCOMPARE(CSettings(folder).SetupCompleted, 1);
        QVERIFY(setup::QueryAutoplay(Where()).cardHandler);
        QVERIFY(!setup::QueryAutoplay(Where()).cameraWatch);

        wizard.accept();  // Finish with "Run Lumaret" checked
        QVERIFY(!wizard.InstallFlag());
        const CSettings stored(folder);
        QCOMPARE(stored.SetupCompleted, 2);
        QCOMPARE(stored.Shortcut, std::string("%Y/%B/%d"));
        QCOMPARE(stored.ThumbnailDatabase, (Root() / "thumbs").string());
    }

    void cancelCompletesOnlyAfterTheLastPageWasShown() {
        for (bool reachEnd : {false, true}) {
            const fs::path folder = Root() / (reachEnd ? "cancel-end" : "cancel-early");
            fs::create_directories(folder);
            CSettings settings(folder);
            settings.ImageDownloadDir = (Root() / "photos").string();
            settings.ThumbnailDatabase = (Root() / "thumbs").string();
            CSetupWizard wizard(settings, Where(), "/usr/bin/lumaret", Env(), false);
            wizard.show();
            const int steps = reachEnd ? 6 : 2;
            for (int i = 0; i < steps; ++i) wizard.next();
            wizard.reject();
            QCOMPARE(CSettings(folder).SetupCompleted, reachEnd ? 2 : 1);
            QCOMPARE(wizard.InstallFlag(), reachEnd);
        }
    }
};

QTEST_MAIN(TestSetupDialogs)
#include "test_setupdialogs.moc"
