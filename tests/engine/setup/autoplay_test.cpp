// The autoplay files under temporary XDG folders, mimeapps.list editing and Exec quoting.
#include <gtest/gtest.h>

#include "scratch.h"
#include "setup/autoplay.h"
#include "setup/desktopentry.h"

namespace {

namespace fs = std::filesystem;

const char* const kOtherPrograms =
    "# user's own comment\n"
    "[Added Associations]\n"
    "x-content/image-dcf=viewer.desktop;\n"
    "\n"
    "[Default Applications]\n"
    "text/plain=editor.desktop;\n"
    "x-content/image-dcf=photos.desktop;other.desktop;\n"
    "\n"
    "[Removed Associations]\n"
    "image/png=paint.desktop;\n";

TEST(MimeApps, OurDefaultGoesFirstAndLeavesWithoutTouchingOthers) {
    const std::string on = setup::WithDefaultApplication(kOtherPrograms, "x-content/image-dcf", "ours.desktop");
    EXPECT_EQ(setup::DefaultApplications(on, "x-content/image-dcf"),
              (std::vector<std::string>{"ours.desktop", "photos.desktop", "other.desktop"}));
    // Registering twice does not list us twice.
    EXPECT_EQ(setup::WithDefaultApplication(on, "x-content/image-dcf", "ours.desktop"), on);
    EXPECT_EQ(setup::WithoutDefaultApplication(on, "x-content/image-dcf", "ours.desktop"), kOtherPrograms);
    // Removing what is not there changes nothing, byte for byte.
    const std::string odd = "[Default Applications]\r\nx-content/image-dcf=a.desktop";
    EXPECT_EQ(setup::WithoutDefaultApplication(odd, "x-content/image-dcf", "ours.desktop"), odd);
}

TEST(MimeApps, KeyAndGroupAreAddedWhenMissingAndTheKeyGoesWhenEmpty) {
    const std::string noKey = "[Default Applications]\ntext/plain=editor.desktop;\n\n[Added Associations]\n";
    const std::string added = setup::WithDefaultApplication(noKey, "x-content/image-dcf", "ours.desktop");
    EXPECT_EQ(added,
              "[Default Applications]\ntext/plain=editor.desktop;\nx-content/image-dcf=ours.desktop;\n\n"
              "[Added Associations]\n");
    EXPECT_EQ(setup::WithoutDefaultApplication(added, "x-content/image-dcf", "ours.desktop"), noKey);

    const std::string fresh = setup::WithDefaultApplication("", "x-content/image-dcf", "ours.desktop");
    EXPECT_EQ(fresh, "[Default Applications]\nx-content/image-dcf=ours.desktop;\n");
    // A key of the same name in another group is not ours to change.
    EXPECT_EQ(setup::DefaultApplications("[Added Associations]\nx-content/image-dcf=v.desktop;\n",
                                         "x-content/image-dcf"),
              std::vector<std::string>{});
}

TEST(DesktopEntry, ExecQuotesPathsWithReservedCharacters) {
    struct Case {
        const char* program;
        const char* exec;
    };
    const Case cases[] = {
        {"/usr/bin/lumaret", "/usr/bin/lumaret %f -a"},
        {"/home/u/My Apps/lumaret", "\"/home/u/My Apps/lumaret\" %f -a"},
        // Inside quotes `$` and `"` get a backslash, which the string escaping then doubles.
        {"/opt/a$b\"c/lumaret", "\"/opt/a\\\\$b\\\\\"c/lumaret\" %f -a"},
        {"/opt/100%/lumaret", "/opt/100%%/lumaret %f -a"},
    };
    for (const Case& c : cases) EXPECT_EQ(setup::ExecValue(c.program, {"%f", "-a"}), c.exec) << c.program;
}

class AutoplayFiles : public ::testing::Test {
protected:
    setup::AutoplayLocations Where() const { return {scratch.Path() / "config", scratch.Path() / "data"}; }
    setuptest::Scratch scratch;
};

TEST_F(AutoplayFiles, WrittenAndRemovedKeepingOtherProgramsEntries) {
    const setup::AutoplayLocations where = Where();
    setuptest::WriteText(where.MimeAppsList(), kOtherPrograms);
    std::vector<std::string> errors;
    setup::RegisterCardHandler(where, "/opt/My Apps/lumaret", true, errors);
    setup::RegisterCameraWatch(where, "/opt/My Apps/lumaret", true, errors);
    EXPECT_TRUE(errors.empty());

    const setup::AutoplayState on = setup::QueryAutoplay(where);
    EXPECT_TRUE(on.cardHandler && on.cardDefault && on.solidAction && on.cameraWatch);
    const std::string handler = setuptest::ReadText(where.CardHandlerEntry());
    EXPECT_NE(handler.find("\nMimeType=x-content/image-dcf;\n"), std::string::npos);
    EXPECT_NE(handler.find("\nExec=\"/opt/My Apps/lumaret\" %f -a\n"), std::string::npos);
    EXPECT_NE(setuptest::ReadText(where.AutostartEntry()).find("\nExec=\"/opt/My Apps/lumaret\" --camera-watch\n"),
              std::string::npos);
    EXPECT_NE(setuptest::ReadText(where.SolidAction()).find("%f -a"), std::string::npos);
    EXPECT_EQ(where.SolidAction().parent_path(), where.dataHome / "solid" / "actions");
    EXPECT_EQ(where.AutostartEntry().parent_path(), where.configHome / "autostart");

    setup::RegisterCardHandler(where, "/opt/My Apps/lumaret", false, errors);
    setup::RegisterCameraWatch(where, "/opt/My Apps/lumaret", false, errors);
    EXPECT_TRUE(errors.empty());
    const setup::AutoplayState off = setup::QueryAutoplay(where);
    EXPECT_FALSE(off.cardHandler || off.cardDefault || off.solidAction || off.cameraWatch);
    EXPECT_EQ(setuptest::ReadText(where.MimeAppsList()), kOtherPrograms);

    // Removing again, with nothing there, is quiet and creates no mimeapps.list.
    fs::remove(where.MimeAppsList());
    setup::RegisterCardHandler(where, "/x", false, errors);
    EXPECT_TRUE(errors.empty());
    EXPECT_FALSE(fs::exists(where.MimeAppsList()));
}

TEST_F(AutoplayFiles, ApplySetsTheSettingsSavesAndReportsFilesItCannotWrite) {
    const setup::AutoplayLocations where = Where();
    // A file where the applications folder should be: the handler cannot be written, the rest
    // still is.
    setuptest::WriteText(where.dataHome / "applications", "in the way");
    CSettings settings(scratch.Path());
    setup::AutorunChoices choices;
    choices.media = true;
    choices.camera = true;
    choices.clickless = false;
    choices.deleteAfter = true;
    std::vector<std::string> errors, started;
    const auto start = [&started](const std::string& program) { started.push_back(program); };
    EXPECT_TRUE(setup::ApplyAutorun(choices, settings, where, "/usr/bin/lumaret", errors, start));
    EXPECT_EQ(started, std::vector<std::string>{"/usr/bin/lumaret"});
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_NE(errors[0].find(setup::kCardHandlerId), std::string::npos);
    const setup::AutoplayState state = setup::QueryAutoplay(where);
    EXPECT_TRUE(state.cardDefault && state.solidAction && state.cameraWatch);

    CSettings reread(scratch.Path());
    EXPECT_EQ(reread.ClicklessDownload, 0);
    EXPECT_EQ(reread.ClicklessDownloadDelete, 0);
    EXPECT_EQ(reread.Autoplay, 1);

    // Turning the camera off starts nothing: the running watcher sees its entry go.
    choices.camera = false;
    errors.clear();
    EXPECT_TRUE(setup::ApplyAutorun(choices, settings, where, "/usr/bin/lumaret", errors, start));
    EXPECT_EQ(started.size(), 1u);
    EXPECT_FALSE(setup::QueryAutoplay(where).cameraWatch);
}

}  // namespace
