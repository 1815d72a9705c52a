// The rules of the settings pages and the wizard pages on the settings object.
#include <gtest/gtest.h>

#include <optional>

#include "scratch.h"
#include "setup/settingspages.h"

namespace {

using setup::UpdateChoice;

TEST(UpdatesPage, ShowsTheStoredFrequencyAndWritesBackOnlyWhatWasClicked) {
    struct Case {
        const char* stored;
        std::optional<UpdateChoice> shown;
        std::optional<UpdateChoice> clicked;
        const char* written;
    };
    const Case cases[] = {
        {"MONTHLY", UpdateChoice::Monthly, std::nullopt, "MONTHLY"},  // kept as typed
        {"", UpdateChoice::Daily, std::nullopt, "Always"},           // empty becomes Always
        {"always", UpdateChoice::Daily, std::nullopt, "always"},
        {"weekly", UpdateChoice::Weekly, UpdateChoice::Weekly, "Weekly"},
        {"Never", UpdateChoice::Never, UpdateChoice::Monthly, "Monthly"},
        {"fortnightly", std::nullopt, std::nullopt, "fortnightly"},
        {"fortnightly", std::nullopt, UpdateChoice::Daily, "Always"},
    };
    setuptest::Scratch scratch;
    for (const Case& c : cases) {
        CSettings settings(scratch.Path());
        settings.Frequency = c.stored;
        setup::UpdatesPage page = setup::ReadUpdatesPage(settings);
        EXPECT_EQ(page.shown, c.shown) << c.stored;
        page.clicked = c.clicked;
        setup::ApplyUpdatesPage(page, settings);
        EXPECT_EQ(settings.Frequency, c.written) << c.stored;
    }
}

TEST(DirectoriesPage, RadioFollowsTheStoredFlagAndRoundTrips) {
    setuptest::Scratch scratch;
    CSettings settings(scratch.Path());
    settings.ImageDownloadDir = "/photos";
    settings.Shortcut = "%Y/%m";
    for (int stored : {0, 1, 7}) {
        settings.ShortcutAppliesToDownloadedTime = stored;
        const setup::DirectoriesPage page = setup::ReadDirectoriesPage(settings);
        // Only 1 selects "when downloaded"; anything else shows "when taken".
        EXPECT_EQ(page.useDownloadTime, stored == 1);
        EXPECT_EQ(page.root, "/photos");
        EXPECT_EQ(page.pattern, "%Y/%m");
    }
    setup::ApplyDirectoriesPage({"/elsewhere", "%d", true}, settings);
    EXPECT_EQ(settings.ImageDownloadDir, "/elsewhere");
    EXPECT_EQ(settings.Shortcut, "%d");
    EXPECT_EQ(settings.ShortcutAppliesToDownloadedTime, 1);
    setup::ApplyDirectoriesPage({"/elsewhere", "%d", false}, settings);
    EXPECT_EQ(settings.ShortcutAppliesToDownloadedTime, 0);
}

TEST(AutorunPage, UncheckingClicklessClearsDeleteWhateverTheBoxShowed) {
    setuptest::Scratch scratch;
    CSettings settings(scratch.Path());
    settings.ClicklessDownloadDelete = 1;
    setup::AutorunChoices choices = setup::ReadAutorunPage(settings);
    EXPECT_TRUE(choices.deleteAfter && choices.DeleteEnabled());
    choices.SetClickless(false);
    EXPECT_FALSE(choices.deleteAfter || choices.DeleteEnabled());

    // Even a delete flag left set by a caller is cleared when clickless is off.
    choices.deleteAfter = true;
    choices.media = false;
    setup::ApplyAutorunChoices(choices, settings);
    EXPECT_EQ(settings.ClicklessDownload, 0);
    EXPECT_EQ(settings.ClicklessDownloadDelete, 0);
    EXPECT_EQ(settings.Autoplay, 0);
    EXPECT_EQ(settings.Autostart, 1);
}

TEST(Wizard, PresetsAndCompletion) {
    setuptest::Scratch scratch;
    CSettings settings(scratch.Path());
    EXPECT_EQ(setup::WizardNamingPattern(settings), "%Y/%B/%d");
    EXPECT_EQ(setup::WizardThumbnailFolder(settings, "/cache/thumbs"), "/cache/thumbs");
    settings.Shortcut = "%Y";
    settings.ThumbnailDatabase = "/db";
    EXPECT_EQ(setup::WizardNamingPattern(settings), "%Y");
    EXPECT_EQ(setup::WizardThumbnailFolder(settings, "/cache/thumbs"), "/db");

    EXPECT_TRUE(setup::SetupNeeded(settings, false));
    setup::MarkSetupCompleted(settings);
    EXPECT_FALSE(setup::SetupNeeded(settings, false));
    EXPECT_TRUE(setup::SetupNeeded(settings, true));  // -install runs it again
}

}  // namespace
