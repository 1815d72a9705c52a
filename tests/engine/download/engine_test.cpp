#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <set>

#include "download/downloadengine.h"
#include "download/downloadhistory.h"
#include "download/folderdevice.h"
#include "download/shortcutexpander.h"
#include "download_test_util.h"

namespace {

using dltest::ScriptedPrompt;
using dltest::TempDir;
namespace fs = std::filesystem;

// A reader that passes some bytes on and then fails.
class BreakingReader : public IByteReader {
public:
    explicit BreakingReader(std::unique_ptr<IByteReader> inner) : m_inner(std::move(inner)) {}
    ssize_t Read(uint8_t* buffer, size_t size) override {
        if (m_served > 0) {
            errno = EIO;
            return -1;
        }
        const ssize_t n = m_inner->Read(buffer, std::min<size_t>(size, 100));
        m_served += n > 0 ? static_cast<size_t>(n) : 0;
        return n;
    }

private:
    std::unique_ptr<IByteReader> m_inner;
    size_t m_served = 0;
};

// The card, with read errors for the named files and a hook after each open.
class FaultyCard : public CFolderDevice {
public:
    using CFolderDevice::CFolderDevice;
    std::unique_ptr<IByteReader> Open(const DownloadItem& item, std::optional<timespec>& modified,
                                      std::string& error) override {
        if (onOpen) onOpen(item);
        auto reader = CFolderDevice::Open(item, modified, error);
        if (reader && breaking.count(item.name)) return std::make_unique<BreakingReader>(std::move(reader));
        return reader;
    }
    std::set<std::string> breaking;
    std::function<void(const DownloadItem&)> onOpen;
};

class Recorder : public IDownloadReport {
public:
    void Copied(const DownloadItem& i, const std::string& t) override { lines.push_back("copied " + i.name + " " + t); }
    void Skipped(const DownloadItem& i, const std::string&) override { lines.push_back("skipped " + i.name); }
    void Failed(const DownloadItem& i, const std::string&) override { lines.push_back("failed " + i.name); }
    void Deleted(const DownloadItem& i) override { lines.push_back("deleted " + i.name); }
    std::vector<std::string> lines;
};

class DownloadEngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        card = dir / "card";
        root = dir / "photos";
        dltest::WriteText(card + "/DCIM/100/a.jpg", dltest::Bytes(300000, 1));
        dltest::WriteText(card + "/DCIM/100/b.jpg", dltest::Bytes(5000, 2));
        dltest::WriteText(card + "/DCIM/101/c.jpg", dltest::Bytes(70000, 3));
        settings.root = root;
        settings.pattern = "%Y";
        settings.useDownloadTime = true;
    }
    std::vector<DownloadItem> Items() {
        std::vector<DownloadItem> items;
        std::string error;
        EXPECT_TRUE(CFolderDevice::ListItems(card, items, error)) << error;
        return items;
    }
    DownloadSummary Run(IDownloadDevice& device, const std::vector<DownloadItem>& items) {
        CDownloadEngine engine(device, history, &prompt, &report, nullptr);
        return engine.Run(items, settings, cancel, now);
    }
    std::string Target(const std::string& name) const { return root + "/2026/" + name; }

    TempDir dir;
    std::string card, root;
    DownloadSettings settings;
    ScriptedPrompt prompt;
    Recorder report;
    std::atomic<bool> cancel{false};
    std::time_t now = 1780000000;  // in 2026, local time anywhere
    CDownloadHistory history{dir / "download.history"};
};

TEST_F(DownloadEngineTest, CopiesRecordsAndDeletesOnlyWhatWasVerified) {
    FaultyCard device(card);
    device.breaking = {"b.jpg"};
    settings.deletePolicy = DeletePolicy::Always;
    prompt.answers = {PromptAnswer::Ok};
    const DownloadSummary s = Run(device, Items());
    EXPECT_EQ(prompt.Lines("|"), std::vector<std::string>{"Download all?|No thumbnails selected. Download all of them?"});
    EXPECT_EQ(s.copied, 2);
    EXPECT_EQ(s.failed, 1);
    EXPECT_EQ(s.deleted, 2);
    // The picture whose copy failed stays on the card with its folder; the emptied folder goes.
    EXPECT_EQ(dltest::FilesBelow(card), std::vector<std::string>{"DCIM/100/b.jpg"});
    EXPECT_FALSE(fs::exists(card + "/DCIM/101"));
    EXPECT_EQ(dltest::FilesBelow(root), (std::vector<std::string>{"2026/a.jpg", "2026/c.jpg"}));
    EXPECT_EQ(dltest::ReadText(Target("a.jpg")), dltest::Bytes(300000, 1));

    CDownloadHistory saved(dir / "download.history");
    ASSERT_TRUE(saved.Load());
    ASSERT_EQ(saved.Batches().size(), 1u);
    EXPECT_EQ(saved.Batches()[0]->name, CDownloadHistory::BatchName(now));
    EXPECT_EQ(saved.Batches()[0]->files, (std::vector<std::string>{Target("a.jpg"), Target("c.jpg")}));
}

TEST_F(DownloadEngineTest, NoToAllHoldsForOneDownloadOnly) {
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg"}) dltest::WriteText(Target(name), "already here");
    CFolderDevice device(card);
    // First clash: No; second: No to all; the third is then skipped without a question.
    prompt.answers = {PromptAnswer::Ok, PromptAnswer::No, PromptAnswer::NoToAll};
    DownloadSummary s = Run(device, Items());
    EXPECT_EQ(s.skipped, 3);
    EXPECT_EQ(prompt.Lines("|").size(), 3u);
    EXPECT_EQ(prompt.Lines("|")[1], "Image download|The file a.jpg already exists.\nDo you want to overwrite the destination file?");
    // Zero successes: no delete question (the policy is Ask).
    EXPECT_EQ(dltest::ReadText(Target("c.jpg")), "already here");

    // The next download asks again; Yes to all replaces the rest.
    prompt.asked.clear();
    prompt.answers = {PromptAnswer::Ok, PromptAnswer::YesToAll, PromptAnswer::No};
    s = Run(device, Items());
    EXPECT_EQ(s.copied, 3);
    ASSERT_EQ(prompt.Lines("|").size(), 3u);
    EXPECT_EQ(prompt.Lines("|")[2], "Delete downloaded?|Do you want to delete files that have been succesfully downloaded?");
    EXPECT_EQ(dltest::ReadText(Target("c.jpg")), dltest::Bytes(70000, 3));
    EXPECT_EQ(dltest::FilesBelow(card).size(), 3u);  // answered No
}

TEST_F(DownloadEngineTest, ZeroSuccessesAskNoDeleteQuestion) {
    FaultyCard device(card);
    device.breaking = {"a.jpg", "b.jpg", "c.jpg"};
    settings.deletePolicy = DeletePolicy::Ask;
    prompt.answers = {PromptAnswer::Ok, PromptAnswer::Yes};
    const DownloadSummary s = Run(device, Items());
    EXPECT_EQ(s.failed, 3);
    EXPECT_EQ(prompt.Lines("|").size(), 1u);
    EXPECT_EQ(dltest::FilesBelow(card).size(), 3u);
    EXPECT_TRUE(dltest::FilesBelow(root).empty());
}

TEST_F(DownloadEngineTest, CancelKeepsWhatWasVerified) {
    FaultyCard device(card);
    // The user presses Cancel while the second file is being read.
    int opened = 0;
    device.onOpen = [&](const DownloadItem&) {
        if (++opened == 2) cancel = true;
    };
    settings.deletePolicy = DeletePolicy::Always;
    prompt.answers = {PromptAnswer::Ok};
    const DownloadSummary s = Run(device, Items());
    EXPECT_TRUE(s.cancelled);
    EXPECT_EQ(s.copied, 1);
    EXPECT_EQ(dltest::FilesBelow(root), std::vector<std::string>{"2026/a.jpg"});
    // Only the verified copy's original is deleted; the cancelled one stays.
    EXPECT_EQ(dltest::FilesBelow(card), (std::vector<std::string>{"DCIM/100/b.jpg", "DCIM/101/c.jpg"}));
    ASSERT_EQ(history.Batches().size(), 1u);
    EXPECT_EQ(history.Batches()[0]->files, std::vector<std::string>{Target("a.jpg")});
}

TEST_F(DownloadEngineTest, ChoosesSelectedOrAllOrNothing) {
    CFolderDevice device(card);
    std::vector<DownloadItem> items = Items();
    items[2].selected = true;  // c.jpg
    items[1].gone = true;      // b.jpg went away: counted, never copied
    struct Case {
        PromptAnswer answer;
        bool clickless;
        std::vector<std::string> copied;
        size_t questions;
    };
    const Case cases[] = {
        {PromptAnswer::Yes, false, {"2026/c.jpg"}, 1},                // "Selected"
        {PromptAnswer::No, false, {"2026/a.jpg", "2026/c.jpg"}, 1},   // "All"
        {PromptAnswer::Cancel, false, {}, 1},
        {PromptAnswer::Cancel, true, {"2026/a.jpg", "2026/c.jpg"}, 0},  // clickless: no question
    };
    for (const Case& c : cases) {
        fs::remove_all(root);
        prompt.asked.clear();
        prompt.answers = {c.answer};
        settings.clickless = c.clickless;
        settings.deletePolicy = DeletePolicy::Never;
        const size_t batches = history.Batches().size();
        const DownloadSummary s = Run(device, items);
        EXPECT_EQ(s.started, c.answer != PromptAnswer::Cancel || c.clickless);
        EXPECT_EQ(history.Batches().size(), batches + (s.started ? 1 : 0));
        EXPECT_EQ(prompt.Lines("|").size(), c.questions);
        if (!prompt.Lines("|").empty()) {
            EXPECT_EQ(prompt.Lines("|")[0], "Please choose :|Which files should be downloaded ?");
        }
        EXPECT_EQ(fs::exists(root) ? dltest::FilesBelow(root) : std::vector<std::string>{}, c.copied);
    }
}

TEST_F(DownloadEngineTest, FullDiskStopsTheDownload) {
    CFolderDevice device(card);
    std::vector<DownloadItem> items = Items();
    items[1].size = UINT64_MAX / 4;  // b.jpg cannot fit on any disk
    settings.deletePolicy = DeletePolicy::Always;
    prompt.answers = {PromptAnswer::Ok, PromptAnswer::Ok};
    const DownloadSummary s = Run(device, items);
    EXPECT_TRUE(s.diskFull);
    EXPECT_EQ(s.copied, 1);
    EXPECT_EQ(s.failed, 1);
    EXPECT_EQ(report.lines, (std::vector<std::string>{"copied a.jpg " + Target("a.jpg"), "failed b.jpg", "deleted a.jpg"}));
    ASSERT_EQ(prompt.Lines("|").size(), 2u);
    EXPECT_EQ(prompt.Lines("|")[1].rfind("Error|The download was stopped: the target disk is full.", 0), 0u) << prompt.Lines("|")[1];
    EXPECT_EQ(dltest::FilesBelow(card), (std::vector<std::string>{"DCIM/100/b.jpg", "DCIM/101/c.jpg"}));
}

TEST_F(DownloadEngineTest, NamesFoldersByTheDateTaken) {
    CFolderDevice device(card);
    std::vector<DownloadItem> items = Items();
    settings.useDownloadTime = false;
    settings.pattern = "%Y\\%m";
    settings.clickless = true;
    items[0].date = FileTime::FromUnix(1146477600 + 12 * 3600, 0);  // 1 May 2006 midday UTC: May anywhere
    items[1].date = FileTime{0, 0};                                   // no date at all: the download time
    items.resize(2);
    const DownloadSummary s = Run(device, items);
    EXPECT_EQ(s.copied, 2);
    const std::tm local = CShortcutExpander::LocalTime(now);
    char month[16];
    std::snprintf(month, sizeof month, "%02d", local.tm_mon + 1);
    EXPECT_EQ(dltest::FilesBelow(root), (std::vector<std::string>{
                                            "2006/05/a.jpg", std::to_string(local.tm_year + 1900) + "/" + month + "/b.jpg"}));
}

}  // namespace

#include "settings/settings.h"

namespace {

TEST(DownloadSettingsFrom, ClicklessRulesNeedADeviceStart) {
    struct Case {
        bool startedByDevice;
        int clickless, clicklessDelete;
        bool expectClickless;
        DeletePolicy expectDelete;
    };
    const Case cases[] = {
        {false, 1, 1, false, DeletePolicy::Ask},
        {true, 0, 1, false, DeletePolicy::Ask},
        {true, 1, 0, true, DeletePolicy::Ask},
        {true, 1, 1, true, DeletePolicy::Always},
    };
    dltest::TempDir dir;
    CSettings settings(dir.Path());
    for (const Case& c : cases) {
        settings.ClicklessDownload = c.clickless;
        settings.ClicklessDownloadDelete = c.clicklessDelete;
        const DownloadSettings ds = DownloadSettingsFrom(settings, c.startedByDevice, "/fallback");
        EXPECT_EQ(ds.clickless, c.expectClickless);
        EXPECT_EQ(ds.deletePolicy, c.expectDelete);
    }
    EXPECT_EQ(DownloadSettingsFrom(settings, false, "/fallback").root, "/fallback");
    EXPECT_EQ(DownloadSettingsFrom(settings, false, "/fallback").pattern, kDefaultPattern);
    settings.ImageDownloadDir = "/photos";
    settings.Shortcut = "%Y";
    settings.ShortcutAppliesToDownloadedTime = 1;
    const DownloadSettings ds = DownloadSettingsFrom(settings, false, "/fallback");
    EXPECT_EQ(ds.root, "/photos");
    EXPECT_EQ(ds.pattern, "%Y");
    EXPECT_TRUE(ds.useDownloadTime);
}

}  // namespace
