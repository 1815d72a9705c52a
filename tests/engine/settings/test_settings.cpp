// CSettings: defaults, the load rules for damaged files, the exact saved file.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "filesize_limit.h"
#include "tempdir.h"
#include "settings/settings.h"

namespace {

namespace fs = std::filesystem;

// A scratch folder holding settings.xml.
struct TempFolder : testsupport::TempDir {
    TempFolder() : TempDir("settings"), path(Path()) {}
    void Write(const std::string& text) const { testsupport::WriteText(path / "settings.xml", text); }
    std::string Read() const { return testsupport::ReadText(path / "settings.xml"); }
    const fs::path path;
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

TEST(Settings, MissingOrForeignFilesLeaveTheDefaults) {
    TempFolder folder;
    CSettings settings(folder.path);
    EXPECT_FALSE(settings.Load());
    ASSERT_TRUE(settings.Save());
    EXPECT_EQ(folder.Read(), kDefaultFile);
    const auto defaults = settings.Entries();
    for (const char* text : {"", "this is not XML at all", "<Lumaret_Settings><GUI WindowColor=\"5\">",
                             "\xEF\xBB\xBF<?xml version=\"1.0\"?><Other><GUI WindowColor=\"5\"/></Other>",
                             "<GUI WindowColor=\"5\"/>"}) {
        SCOPED_TRACE(text);
        folder.Write(text);
        EXPECT_EQ(CSettings(folder.path).Entries(), defaults);
    }
    fs::remove(folder.path / "settings.xml");
    fs::create_directory(folder.path / "settings.xml");  // a folder in place of the file
    EXPECT_EQ(CSettings(folder.path).Entries(), defaults);
}

TEST(Settings, EveryStoredFieldSurvivesSaveAndLoad) {
    TempFolder folder;
    CSettings settings(folder.path);
    const std::pair<const char*, const char*> values[] = {
        {"WindowColor", "37"}, {"ThumbnailDatabase", "/home/u/thumbs"}, {"ImageDownloadDir", "/media/Fotos & \"Bilder\" <neu>"},
        {"Frequency", "Weekly"}, {"LastUpdate", "March 05, 2005"}, {"Shortcut", "%Y/%B/%d"},
        {"ShortcutAppliesToDownloadedTime", "1"}, {"Autoplay", "0"}, {"Autostart", "0"}, {"ClicklessDownload", "0"},
        {"ClicklessDownloadDelete", "1"}, {"DisplayWelcomeDialog", "1"}, {"SetupCompleted", "2"}};
    for (const auto& [name, value] : values) ASSERT_EQ(settings.SetEntry(name, value), CSettings::SetResult::Ok) << name;
    settings.UseThumbnailDatabase = 0;  // not stored
    ASSERT_TRUE(settings.Save());
    CSettings again(folder.path);
    EXPECT_EQ(again.Entries(), settings.Entries());
    EXPECT_EQ(again.UseThumbnailDatabase, 1);
    EXPECT_NE(folder.Read().find("ImageDownloadDir=\"/media/Fotos &amp; &quot;Bilder&quot; &lt;neu&gt;\""),
              std::string::npos);
}

TEST(Settings, BadIntegersKeepTheirDefaults) {
    TempFolder folder;
    folder.Write(
        "<Lumaret_Settings><GUI WindowColor=\"abc\" DisplayWelcomeDialog=\"\"/>"
        "<System Autoplay=\"99999999999\" Autostart=\"-7\" ClicklessDownload=\"0x10\"/></Lumaret_Settings>");
    CSettings settings(folder.path);
    EXPECT_EQ(settings.WindowColor, 100);
    EXPECT_EQ(settings.DisplayWelcomeDialog, 2);
    EXPECT_EQ(settings.Autoplay, 1);  // beyond 32 bits: not wrapped, ignored
    EXPECT_EQ(settings.Autostart, -7);
    EXPECT_EQ(settings.ClicklessDownload, 16);  // the library reads hexadecimal too
}

// A missing element leaves its own fields at their defaults; a present element with a
// missing string attribute empties the field, even when it held something before.
TEST(Settings, MissingElementsAndAttributes) {
    TempFolder folder;
    folder.Write(
        "<?xml version=\"1.0\"?>\n<!-- hand edited -->\n<Lumaret_Settings>\n  text between elements\n"
        "  <GUI WindowColor=\"200\" DisplayWelcomeDialog=\"1\"/>\n"
        "  <Paths ImageDownloadDir=\"/d\"/>\n</Lumaret_Settings>\n");
    CSettings settings(folder.path);
    EXPECT_EQ(settings.WindowColor, 200);
    EXPECT_EQ(settings.ImageDownloadDir, "/d");
    EXPECT_EQ(settings.Autoplay, 1);
    settings.ThumbnailDatabase = "/t";
    settings.LastUpdate = "June 01, 2020";
    EXPECT_TRUE(settings.Load());
    EXPECT_EQ(settings.ThumbnailDatabase, "");
    EXPECT_EQ(settings.LastUpdate, "");
}

TEST(Settings, SavingDropsElementsAndAttributesItDoesNotKnow) {
    TempFolder folder;
    folder.Write(
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\n<Lumaret_Settings Version=\"9\">\n"
        "  <Extra Something=\"1\"><Child/></Extra>\n"
        "  <Updates LastUpdate=\"x\" Frequency=\"Never\" Proxy=\"none\"/>\n"
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
    EXPECT_FALSE(CSettings(folder.path / "no such folder").Save());
    EXPECT_FALSE(fs::exists(folder.path / "no such folder"));
    std::ofstream(folder.path / "plain file") << "x";
    EXPECT_FALSE(CSettings(folder.path / "plain file").Save());
    fs::create_directory(folder.path / "settings.xml");
    EXPECT_FALSE(CSettings(folder.path).Save());
    EXPECT_TRUE(fs::is_directory(folder.path / "settings.xml"));
    fs::remove(folder.path / "settings.xml");
    if (geteuid() != 0) {  // permissions do not stop root
        fs::permissions(folder.path, fs::perms::owner_read | fs::perms::owner_exec);
        EXPECT_FALSE(CSettings(folder.path).Save());
        EXPECT_FALSE(fs::exists(folder.path / "settings.xml"));
    }
}

// A save that runs out of disk space half-way leaves the previous file as it was, not an
// empty or cut one, and leaves no temporary file behind.
TEST(Settings, SaveThatCannotBeCompletedKeepsTheOldFile) {
    TempFolder folder;
    CSettings settings(folder.path);
    ASSERT_TRUE(settings.Save());
    settings.ImageDownloadDir = "/" + std::string(4000, 'd');
    {
        testsupport::FileSizeLimit full(1024);
        if (!full.Active()) GTEST_SKIP() << "cannot limit the file size";
        std::string error;
        EXPECT_FALSE(settings.Save(error));
        EXPECT_FALSE(error.empty());
    }
    EXPECT_EQ(folder.Read(), kDefaultFile);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path), fs::directory_iterator()), 1);
}

TEST(Settings, SetEntryTakesKnownNamesAndWholeIntegersOnly) {
    CSettings settings("/nonexistent");
    EXPECT_EQ(settings.SetEntry("WindowColor", "-12"), CSettings::SetResult::Ok);
    EXPECT_EQ(settings.WindowColor, -12);
    for (const char* bad : {"", "12abc", " 12", "0x10", "+", "2147483648", "1.5"})
        EXPECT_EQ(settings.SetEntry("WindowColor", bad), CSettings::SetResult::NotAnInteger) << bad;
    EXPECT_EQ(settings.WindowColor, -12);
    EXPECT_EQ(settings.SetEntry("SetupCompleted", "2147483647"), CSettings::SetResult::Ok);
    EXPECT_EQ(settings.SetEntry("windowcolor", "5"), CSettings::SetResult::UnknownName);
    EXPECT_EQ(settings.SetEntry("UseThumbnailDatabase", "0"), CSettings::SetResult::UnknownName);
}

}  // namespace
