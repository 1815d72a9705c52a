#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "browser/browserdoc.h"
#include "download/browserdownload.h"
#include "download/downloadhistory.h"
#include "download/wia.h"
#include "download/wiafilesystem.h"
#include "download_test_util.h"

namespace {

using dltest::TempDir;

// A camera list the test changes, as plugging and unplugging would.
struct FakeBus {
    std::mutex mutex;
    std::vector<CameraId> cameras;
    std::vector<CameraId> Get() {
        std::lock_guard lock(mutex);
        return cameras;
    }
    void Set(std::vector<CameraId> now) {
        std::lock_guard lock(mutex);
        cameras = std::move(now);
    }
};

CameraId Cam(int n) { return {"Cam", "usb:001," + std::to_string(n)}; }

TEST(Wia, SlotsFollowConnectsAndDisconnects) {
    FakeBus bus;
    bus.Set({Cam(1), Cam(2)});
    CWia::Options options;
    options.enumerate = [&] { return bus.Get(); };
    CWia wia(options);
    EXPECT_EQ(wia.FindPort("usb:001,1"), 0);
    EXPECT_EQ(wia.FindPort("usb:001,2"), 1);

    // Camera 1 goes, camera 3 comes: 2 keeps its slot, 3 takes the freed one.
    bus.Set({Cam(2), Cam(3), Cam(2)});
    wia.Refresh();
    EXPECT_EQ(wia.FindPort("usb:001,1"), -1);
    EXPECT_EQ(wia.FindPort("usb:001,2"), 1);
    EXPECT_EQ(wia.FindPort("usb:001,3"), 0);
    EXPECT_EQ(wia.Cameras().size(), 2u);  // the same camera twice keeps one slot

    std::vector<CameraId> many;
    for (int i = 0; i < 14; ++i) many.push_back(Cam(10 + i));
    bus.Set(many);
    wia.Refresh();
    EXPECT_EQ(wia.Cameras().size(), kMaxCameras);
    EXPECT_FALSE(wia.Slot(static_cast<int>(kMaxCameras)));
    EXPECT_FALSE(wia.Slot(-1));
}

// Follows a fake bus on which one camera comes and goes; true when the listener heard both
// (or when udev events are followed, which a fake bus cannot make).
bool PollsAndTells(bool tryUdev) {
    FakeBus bus;
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::pair<int32_t, int32_t>> heard;  // (mode, slot)
    CWia::Options options;
    options.enumerate = [&] { return bus.Get(); };
    options.useUdev = tryUdev;
    options.pollInterval = std::chrono::milliseconds(20);
    CWia wia(options);  // declared after what the listener uses, so it stops first
    wia.Follow([&](const CHint& hint) {
        std::lock_guard lock(mutex);
        heard.emplace_back(hint.mode, hint.cameraSlot);
        changed.notify_all();
    });
    if (wia.FollowsUdevEvents()) return true;
    auto waitFor = [&](size_t count) {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, std::chrono::seconds(20), [&] { return heard.size() >= count; });
    };
    bus.Set({Cam(1)});
    if (!waitFor(1)) return false;
    bus.Set({});
    if (!waitFor(2)) return false;
    std::lock_guard lock(mutex);
    return heard == std::vector<std::pair<int32_t, int32_t>>{{CHint::kCameraArrived, 0}, {CHint::kCameraGone, 0}};
}

// Without udev, or without its daemon (as in containers), the table is polled.
TEST(Wia, PollingTellsTheListener) {
    EXPECT_TRUE(PollsAndTells(false));
    EXPECT_TRUE(PollsAndTells(true));
}

// The browser's camera source over the Directory Browse camera.
class CameraSourceTest : public ::testing::Test {
protected:
    void SetUp() override {
        card = dir / "card";
        dltest::WriteText(card + "/DCIM/100TEST/NIKON.JPG",
                          dltest::ReadText(std::string(LUMARET_TESTDATA_DIR) +
                                           "/jpeg/exif-py/jpg/tests/nikon_D3100_TypeError.jpg"));
        dltest::WriteText(card + "/DCIM/100TEST/NOISE.JPG", dltest::Bytes(9000, 5));
        CWia::Options options;
        options.enumerate = [this] { return std::vector<CameraId>{{"Directory Browse", "disk:" + card}}; };
        wia = std::make_unique<CWia>(options);
        services.cameraSource = [this](CFileBrowserDoc& d, const BrowserServices& s) {
            return std::make_unique<CWIAFileSystem>(d, s, *wia);
        };
        doc = std::make_unique<CFileBrowserDoc>(services);
        CHint hint;
        hint.sourceKind = CHint::kCamera;
        hint.cameraSlot = 0;
        doc->Browse(hint);
        source = dynamic_cast<CWIAFileSystem*>(doc->Source());
        ASSERT_NE(source, nullptr);
        source->WaitForListing();
    }
    const FileEntry* EntryNamed(const std::string& name) {
        for (int32_t row = 0; row < doc->VisibleCount(); ++row)
            if (doc->EntryPath(row) == "/DCIM/100TEST/" + name) return doc->VisibleEntry(row);
        return nullptr;
    }
    TempDir dir;
    std::string card;
    std::unique_ptr<CWia> wia;
    BrowserServices services;
    std::unique_ptr<CFileBrowserDoc> doc;
    CWIAFileSystem* source = nullptr;
};

TEST_F(CameraSourceTest, ListsPicturesWithThumbnails) {
    ASSERT_EQ(doc->VisibleCount(), 2);
    EXPECT_TRUE(source->CanDownload());
    const FileEntry* nikon = EntryNamed("NIKON.JPG");
    const FileEntry* noise = EntryNamed("NOISE.JPG");
    ASSERT_TRUE(nikon && noise);
    EXPECT_EQ(nikon->flags, 0x22u);
    EXPECT_EQ(noise->flags, 0x22u);
    EXPECT_EQ(nikon->size, std::filesystem::file_size(card + "/DCIM/100TEST/NIKON.JPG"));
    // The picture's own EXIF thumbnail, fitted to 130 x 130; none for bytes that are no picture.
    EXPECT_TRUE(nikon->thumbWidth == 130 || nikon->thumbHeight == 130) << int(nikon->thumbWidth) << "x" << int(nikon->thumbHeight);
    EXPECT_GT(nikon->thumbWidth * nikon->thumbHeight, 0);
    EXPECT_EQ(noise->thumbWidth, 0);
    EXPECT_EQ(noise->thumbHeight, 0);
}

TEST_F(CameraSourceTest, DownloadsSelectedAndMarksThem) {
    for (int32_t row = 0; row < doc->VisibleCount(); ++row)
        if (doc->EntryPath(row).ends_with("NOISE.JPG")) SetEntryFlags(*doc->VisibleEntry(row), kEntrySelected);
    std::atomic<bool> cancel{false};
    std::unique_ptr<IDownloadDevice> device = DeviceForSource(*doc, *source, &cancel);
    ASSERT_TRUE(device);
    CDownloadHistory history(dir / "download.history");
    dltest::ScriptedPrompt prompt;
    prompt.answers = {PromptAnswer::Yes, PromptAnswer::Yes};  // "Selected", then delete
    DownloadSettings settings;
    settings.root = dir / "photos";
    settings.pattern = "cam";
    const DownloadSummary s = RunBrowserDownload(*doc, *device, history, &prompt, nullptr, nullptr, settings, cancel,
                                                 std::time(nullptr));
    EXPECT_EQ(s.copied, 1);
    EXPECT_EQ(s.deleted, 1);
    EXPECT_TRUE(EntryNamed("NOISE.JPG")->Has(kEntryDownloaded));
    EXPECT_FALSE(EntryNamed("NIKON.JPG")->Has(kEntryDownloaded));
    EXPECT_EQ(dltest::ReadText(dir / "photos/cam/NOISE.JPG"), dltest::Bytes(9000, 5));
    EXPECT_EQ(dltest::FilesBelow(card), std::vector<std::string>{"DCIM/100TEST/NIKON.JPG"});
}

TEST_F(CameraSourceTest, CameraGoneEmptiesTheList) {
    CHint gone;
    gone.sourceKind = CHint::kCamera;
    gone.mode = CHint::kCameraGone;
    gone.cameraSlot = 0;
    doc->Browse(gone);
    EXPECT_EQ(doc->VisibleCount(), 0);
    EXPECT_FALSE(source->CanDownload());
    std::atomic<bool> cancel{false};
    EXPECT_EQ(DeviceForSource(*doc, *source, &cancel), nullptr);
}

}  // namespace
