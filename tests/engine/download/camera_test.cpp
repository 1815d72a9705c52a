#include <gtest/gtest.h>

#include <filesystem>

#include "download/camera.h"
#include "download/cameradevice.h"
#include "download/downloadengine.h"
#include "download/downloadhistory.h"
#include "download_test_util.h"

namespace {

using dltest::TempDir;

TEST(CameraList, ParsesAndMergesCameraEntries) {
    EXPECT_EQ(ParseCameraList("Directory Browse@disk:/a;;bad;@x;y@;Canon EOS@x@usb:001,002; Z@disk:/b"),
              (std::vector<CameraId>{{"Directory Browse", "disk:/a"}, {"Canon EOS@x", "usb:001,002"}, {" Z", "disk:/b"}}));

    const std::vector<CameraId> found = {{"Card reader", "disk:/media/card"}, {"Cam A", "usb:001,004"},
                                         {"Cam A", "usb:001,004"}};
    std::vector<CameraId> extra = {{"Directory Browse", "disk:/t"}, {"Other", "usb:001,004"}};
    // Detected disk: entries are cards shown as folders; one slot per port; listed ones kept.
    EXPECT_EQ(MergeCameraLists(found, extra),
              (std::vector<CameraId>{{"Cam A", "usb:001,004"}, {"Directory Browse", "disk:/t"}}));
    extra.clear();
    for (int i = 0; i < 12; ++i) extra.push_back({"Directory Browse", "disk:/t" + std::to_string(i)});
    const auto merged = MergeCameraLists({}, extra);
    ASSERT_EQ(merged.size(), kMaxCameras);
    EXPECT_EQ(merged.back().port, "disk:/t9");
}

TEST(CameraList, SplitsCameraPaths) {
    EXPECT_EQ(CameraItemFromPath("/DCIM/100/a.jpg").folder, "/DCIM/100");
    EXPECT_EQ(CameraItemFromPath("/a.jpg").folder, "/");
    EXPECT_EQ(CameraItemFromPath("/a.jpg").Path(), "/a.jpg");
    EXPECT_EQ(CameraItemFromPath("/DCIM/100/a.jpg").Path(), "/DCIM/100/a.jpg");
}

// libgphoto2's Directory Browse camera over a generated folder.
class DirectoryCameraTest : public ::testing::Test {
protected:
    void SetUp() override {
        card = dir / "card";
        dltest::WriteText(card + "/DCIM/100TEST/IMG_0001.JPG", dltest::Bytes(200000, 1));
        dltest::WriteText(card + "/DCIM/100TEST/IMG_0002.JPG", dltest::Bytes(3000, 2));
        dltest::WriteText(card + "/DCIM/101TEST/IMG_0003.JPG", dltest::Bytes(40000, 3));
        std::string error;
        session = CCameraSession::Open({"Directory Browse", "disk:" + card}, error);
        ASSERT_TRUE(session) << error;
    }
    TempDir dir;
    std::string card;
    std::unique_ptr<CCameraSession> session;
};

TEST_F(DirectoryCameraTest, ListsDepthFirstWithSizes) {
    std::vector<CameraItem> files;
    std::string error;
    ASSERT_EQ(session->List(files, error), CameraError::None) << error;
    std::vector<std::string> paths;
    for (const CameraItem& f : files) {
        paths.push_back(f.Path());
        EXPECT_EQ(f.size, std::filesystem::file_size(card + f.Path())) << f.Path();
        EXPECT_NE(f.time, 0);
    }
    std::sort(paths.begin(), paths.end());
    EXPECT_EQ(paths, (std::vector<std::string>{"/DCIM/100TEST/IMG_0001.JPG", "/DCIM/100TEST/IMG_0002.JPG",
                                               "/DCIM/101TEST/IMG_0003.JPG"}));
    // Stopping the walk from the callback.
    int seen = 0;
    EXPECT_EQ(session->List(files, error, [&](const CameraItem&) { return ++seen < 2; }), CameraError::Cancelled);
    EXPECT_EQ(seen, 2);
}

TEST_F(DirectoryCameraTest, DownloadsAndDeletesThroughTheEngine) {
    std::vector<CameraItem> files;
    std::string error;
    ASSERT_EQ(session->List(files, error), CameraError::None) << error;
    std::vector<DownloadItem> items = CCameraDevice::ItemsOf(files);
    CCameraDevice device(*session, dir.Path());
    CDownloadHistory history(dir / "download.history");
    DownloadSettings settings;
    settings.root = dir / "photos";
    settings.pattern = "all";
    settings.clickless = true;
    settings.deletePolicy = DeletePolicy::Always;
    std::atomic<bool> cancel{false};
    CDownloadEngine engine(device, history, nullptr, nullptr, nullptr);
    const auto openFiles = [] {
        return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), std::filesystem::directory_iterator());
    };
    const auto before = openFiles();
    const DownloadSummary s = engine.Run(items, settings, cancel, std::time(nullptr));
    EXPECT_EQ(openFiles(), before);  // transfers leave no descriptor open
    EXPECT_EQ(s.copied, 3);
    EXPECT_EQ(s.deleted, 3);
    EXPECT_EQ(dltest::ReadText(dir / "photos/all/IMG_0001.JPG"), dltest::Bytes(200000, 1));
    EXPECT_EQ(dltest::ReadText(dir / "photos/all/IMG_0003.JPG"), dltest::Bytes(40000, 3));
    EXPECT_TRUE(dltest::FilesBelow(card).empty());
    EXPECT_EQ(history.Batches().at(0)->files.size(), 3u);
}

TEST_F(DirectoryCameraTest, ShortTransferIsNotADownload) {
    std::vector<CameraItem> files;
    std::string error;
    ASSERT_EQ(session->List(files, error), CameraError::None) << error;
    std::vector<DownloadItem> items = CCameraDevice::ItemsOf(files);
    // The camera claims more bytes than it sends.
    for (DownloadItem& item : items) item.size += 10;
    CCameraDevice device(*session, dir.Path());
    std::optional<timespec> modified;
    EXPECT_EQ(device.Open(items[0], modified, error), nullptr);
    EXPECT_NE(error.find("bytes"), std::string::npos) << error;
}

TEST(CameraSession, MissingCameraIsReported) {
    std::string error;
    CameraError why = CameraError::None;
    EXPECT_EQ(CCameraSession::Open({"No Such Model 9000", "disk:/tmp"}, error, &why), nullptr);
    EXPECT_EQ(why, CameraError::OpenFailed);
    EXPECT_FALSE(error.empty());
}

}  // namespace
