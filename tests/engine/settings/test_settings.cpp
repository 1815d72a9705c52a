// CSettings: defaults, the load rules for damaged files, the exact saved file.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "settings/settings.h"

namespace {

namespace fs = std::filesystem;

// A fresh folder under the temp folder, removed with everything in it.
struct TempFolder {
    fs::path path;
    TempFolder() {
        std::string pattern = (fs::temp_directory_path() / "lumaret-settings-XXXXXX").string();
        path = mkdtemp(pattern.data()) ? fs::path(pattern) : fs::path();
    }
    ~TempFolder() {
        std::error_code error;
        fs::permissions(path, fs::perms::owner_all, error);
        fs::remove_all(path, error);
    }
    void Write(const std::string& text) const {
        std::ofstream(path / "settings.xml", std::ios::binary) << text;
    }
    std::string Read() const {
        std::ifstream file(path / "settings.xml", std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }
};

const char* const kDefaultFile =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\n"
    "<Lumaret_Settings>\n"
    "    <GUI WindowColor=\"100\" DisplayWelcomeDialog=\"2\"/>\n"
    "    <Paths ThumbnailDatabase=\"\" ImageDownloadDir=\"\" Shortcut=\"\" "
    "ShortcutAppliesToDownloadedTime=\"0\"/>\n"
    "    <System Autoplay=\"1\" Autostart=\"1\" ClicklessDownload=\"1\" "
    "ClicklessDownloadDelete=\"0\" SetupCompleted=\"1\"/>\n"
    "    <Updates Frequency=\"\" LastUpdate=\"\"/>\n"
    "</Lumaret_Settings>\n";

void ExpectDefaults(const CSettings& s) {
    EXPECT_EQ(s.WindowColor, 100);
    EXPECT_EQ(s.ThumbnailDatabase, "");
    EXPECT_EQ(s.ImageDownloadDir, "");
    EXPECT_EQ(s.Frequency, "");
    EXPECT_EQ(s.LastUpdate, "");
    EXPECT_EQ(s.Shortcut, "");
    EXPECT_EQ(s.ShortcutAppliesToDownloadedTime, 0);
    EXPECT_EQ(s.Autoplay, 1);
    EXPECT_EQ(s.Autostart, 1);
    EXPECT_EQ(s.ClicklessDownload, 1);
    EXPECT_EQ(s.ClicklessDownloadDelete, 0);
    EXPECT_EQ(s.DisplayWelcomeDialog, 2);
    EXPECT_EQ(s.SetupCompleted, 1);
    EXPECT_EQ(s.UseThumbnailDatabase, 1);
    EXPECT_EQ(s.GetUpdateFrequency(), CSettings::UpdateFrequency::Always);
}

TEST(Settings, DefaultsWithoutAFile) {
    TempFolder folder;
    CSettings settings(folder.path);
    ExpectDefaults(settings);
    EXPECT_FALSE(settings.Load());
}

TEST(Settings, FilesThatAreNotSettingsDocumentsLeaveTheDefaults) {
    TempFolder folder;
    for (const char* text : {"", "this is not XML at all", "<Lumaret_Settings><GUI WindowColor=\"5\">",
                             "\xEF\xBB\xBF<?xml version=\"1.0\"?><Other><GUI WindowColor=\"5\"/></Other>",
                             "<GUI WindowColor=\"5\"/>"}) {
        SCOPED_TRACE(text);
        folder.Write(text);
        CSettings settings(folder.path);
        ExpectDefaults(settings);
    }
    // A folder in place of the file.
    fs::remove(folder.path / "settings.xml");
    fs::create_directory(folder.path / "settings.xml");
    CSettings settings(folder.path);
    ExpectDefaults(settings);
}

TEST(Settings, DefaultFileTextIsExact) {
    TempFolder folder;
    CSettings settings(folder.path);
    ASSERT_TRUE(settings.Save());
    EXPECT_EQ(folder.Read(), kDefaultFile);
}

TEST(Settings, EveryStoredFieldSurvivesSaveAndLoad) {
    TempFolder folder;
    CSettings settings(folder.path);
    settings.WindowColor = 37;
    settings.ThumbnailDatabase = "/home/u/thumbs";
    settings.ImageDownloadDir = "/media/Fotos & \"Bilder\" <neu>";
    settings.Frequency = "Weekly";
    settings.LastUpdate = "March 05, 2005";
    settings.Shortcut = "%Y/%B/%d";
    settings.ShortcutAppliesToDownloadedTime = 1;
    settings.Autoplay = 0;
    settings.Autostart = 0;
    settings.ClicklessDownload = 0;
    settings.ClicklessDownloadDelete = 1;
    settings.DisplayWelcomeDialog = 1;
    settings.SetupCompleted = 2;
    settings.UseThumbnailDatabase = 0;  // not stored
    ASSERT_TRUE(settings.Save());

    CSettings again(folder.path);
    EXPECT_EQ(again.Entries(), settings.Entries());
    EXPECT_EQ(again.ImageDownloadDir, "/media/Fotos & \"Bilder\" <neu>");
    EXPECT_EQ(again.UseThumbnailDatabase, 1);
    EXPECT_NE(folder.Read().find("ImageDownloadDir=\"/media/Fotos &amp; &quot;Bilder&quot; &lt;neu&gt;\""),
              std::string::npos);
}

TEST(Settings, NonNumericIntegersKeepTheirDefaults) {
    TempFolder folder;
    folder.Write(
        "<Lumaret_Settings><GUI WindowColor=\"abc\" DisplayWelcomeDialog=\"\"/>"
        "<System Autoplay=\"99999999999\" Autostart=\"-7\" ClicklessDownload=\"0x10\" "
        "SetupCompleted=\"2\"/></Lumaret_Settings>");
    CSettings settings(folder.path);
    EXPECT_EQ(settings.WindowColor, 100);
    EXPECT_EQ(settings.DisplayWelcomeDialog, 2);
    EXPECT_EQ(settings.Autoplay, 1);  // beyond 32 bits: not wrapped, ignored
    EXPECT_EQ(settings.Autostart, -7);
    EXPECT_EQ(settings.ClicklessDownload, 16);  // the library reads hexadecimal too
    EXPECT_EQ(settings.SetupCompleted, 2);
    EXPECT_EQ(settings.ClicklessDownloadDelete, 0);
}

TEST(Settings, MissingElementLeavesOnlyItsOwnFieldsAtTheirDefaults) {
    TempFolder folder;
    folder.Write(
        "<?xml version=\"1.0\"?>\n<!-- hand edited -->\n<Lumaret_Settings>\n"
        "  text between elements\n"
        "  <GUI WindowColor=\"200\" DisplayWelcomeDialog=\"1\"/>\n"
        "  <Paths ThumbnailDatabase=\"/t\" ImageDownloadDir=\"/d\" Shortcut=\"%Y\" "
        "ShortcutAppliesToDownloadedTime=\"1\"/>\n"
        "  <System Autoplay=\"0\" Autostart=\"0\" ClicklessDownload=\"0\" "
        "ClicklessDownloadDelete=\"1\" SetupCompleted=\"2\"/>\n"
        "</Lumaret_Settings>\n");
    CSettings settings(folder.path);
    EXPECT_EQ(settings.WindowColor, 200);
    EXPECT_EQ(settings.DisplayWelcomeDialog, 1);
    EXPECT_EQ(settings.ThumbnailDatabase, "/t");
    EXPECT_EQ(settings.Shortcut, "%Y");
    EXPECT_EQ(settings.ClicklessDownloadDelete, 1);
    EXPECT_EQ(settings.SetupCompleted, 2);
    EXPECT_EQ(settings.Frequency, "");
    EXPECT_EQ(settings.LastUpdate, "");
}

// A present element with a missing string attribute empties the field, even when it held
// something before the file was read again.
TEST(Settings, MissingStringAttributeEmptiesTheField) {
    TempFolder folder;
    folder.Write("<Lumaret_Settings><Paths ImageDownloadDir=\"/d\"/>"
                 "<Updates Frequency=\"weekly\"/></Lumaret_Settings>");
    CSettings settings(folder.path);
    EXPECT_EQ(settings.ImageDownloadDir, "/d");
    EXPECT_EQ(settings.ThumbnailDatabase, "");
    EXPECT_EQ(settings.LastUpdate, "");
    EXPECT_EQ(settings.GetUpdateFrequency(), CSettings::UpdateFrequency::Weekly);

    settings.LastUpdate = "June 01, 2020";
    settings.WindowColor = 7;
    EXPECT_TRUE(settings.Load());
    EXPECT_EQ(settings.LastUpdate, "");
    EXPECT_EQ(settings.WindowColor, 100);
}

TEST(Settings, SavingDropsElementsAndAttributesItDoesNotKnow) {
    TempFolder folder;
    folder.Write(
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\n"
        "<Lumaret_Settings Version=\"9\">\n"
        "  <Extra Something=\"1\"><Child/></Extra>\n"
        "  <Updates LastUpdate=\"x\" Frequency=\"Never\" Proxy=\"none\"/>\n"
        "  <GUI WindowColor=\"100\" DisplayWelcomeDialog=\"2\"/>\n"
        "</Lumaret_Settings>\n<Trailing/>\n");
    CSettings settings(folder.path);
    EXPECT_EQ(settings.GetUpdateFrequency(), CSettings::UpdateFrequency::Never);
    settings.Frequency.clear();
    settings.LastUpdate.clear();
    ASSERT_TRUE(settings.Save());
    EXPECT_EQ(folder.Read(), kDefaultFile);
}

TEST(Settings, SaveIntoAFolderThatCannotBeWrittenDoesNothing) {
    TempFolder folder;
    CSettings missing(folder.path / "no such folder");
    EXPECT_FALSE(missing.Save());
    EXPECT_FALSE(fs::exists(folder.path / "no such folder"));

    std::ofstream(folder.path / "plain file") << "x";
    CSettings underAFile(folder.path / "plain file");
    EXPECT_FALSE(underAFile.Save());

    fs::create_directory(folder.path / "settings.xml");
    CSettings shadowed(folder.path);
    EXPECT_FALSE(shadowed.Save());
    EXPECT_TRUE(fs::is_directory(folder.path / "settings.xml"));
    fs::remove(folder.path / "settings.xml");

    // Permissions do not stop root, so this part only means something for other users.
    if (geteuid() != 0) {
        fs::permissions(folder.path, fs::perms::owner_read | fs::perms::owner_exec);
        CSettings locked(folder.path);
        locked.WindowColor = 1;
        EXPECT_FALSE(locked.Save());
        EXPECT_FALSE(fs::exists(folder.path / "settings.xml"));
    }
}

TEST(Settings, FrequencyIgnoresCase) {
    TempFolder folder;
    CSettings settings(folder.path);
    const std::pair<const char*, CSettings::UpdateFrequency> cases[] = {
        {"", CSettings::UpdateFrequency::Always},       {"ALWAYS", CSettings::UpdateFrequency::Always},
        {"weekly", CSettings::UpdateFrequency::Weekly}, {"MonThly", CSettings::UpdateFrequency::Monthly},
        {"never", CSettings::UpdateFrequency::Never},   {"Daily", CSettings::UpdateFrequency::Other},
        {"Week", CSettings::UpdateFrequency::Other},    {"Weeklyx", CSettings::UpdateFrequency::Other},
    };
    for (const auto& [text, expected] : cases) {
        settings.Frequency = text;
        EXPECT_EQ(settings.GetUpdateFrequency(), expected) << text;
    }
}

TEST(Settings, EntriesListEveryStoredSettingInFileOrder) {
    TempFolder folder;
    CSettings settings(folder.path);
    std::vector<std::string> names;
    for (const auto& [name, value] : settings.Entries()) names.push_back(name);
    const std::vector<std::string> expected = {
        "WindowColor", "DisplayWelcomeDialog", "ThumbnailDatabase", "ImageDownloadDir",
        "Shortcut", "ShortcutAppliesToDownloadedTime", "Autoplay", "Autostart",
        "ClicklessDownload", "ClicklessDownloadDelete", "SetupCompleted", "Frequency", "LastUpdate"};
    EXPECT_EQ(names, expected);
    EXPECT_EQ(settings.Entries()[0].second, "100");
}

TEST(Settings, SetEntryValidatesNamesAndWholeIntegers) {
    TempFolder folder;
    CSettings settings(folder.path);
    EXPECT_EQ(settings.SetEntry("WindowColor", "-12"), CSettings::SetResult::Ok);
    EXPECT_EQ(settings.WindowColor, -12);
    for (const char* bad : {"", "12abc", " 12", "0x10", "+", "2147483648", "1.5"}) {
        EXPECT_EQ(settings.SetEntry("WindowColor", bad), CSettings::SetResult::NotAnInteger) << bad;
    }
    EXPECT_EQ(settings.WindowColor, -12);
    EXPECT_EQ(settings.SetEntry("SetupCompleted", "2147483647"), CSettings::SetResult::Ok);
    EXPECT_EQ(settings.SetupCompleted, 2147483647);
    EXPECT_EQ(settings.SetEntry("Shortcut", "%Y-%m"), CSettings::SetResult::Ok);
    EXPECT_EQ(settings.Shortcut, "%Y-%m");
    EXPECT_EQ(settings.SetEntry("windowcolor", "5"), CSettings::SetResult::UnknownName);
    EXPECT_EQ(settings.SetEntry("UseThumbnailDatabase", "0"), CSettings::SetResult::UnknownName);
}

}  // namespace
