#include <gtest/gtest.h>
#include <stdlib.h>

#include <ctime>

#include "download/downloadhistory.h"
#include "download_test_util.h"

namespace {

TEST(DownloadHistory, SavesAndLoadsBatchesInOrder) {
    dltest::TempDir dir;
    CDownloadHistory history(dir / "download.history");
    history.AddBatch("Monday, May 01, 2006 14:03:27").files = {"/p/2006/May/01/a.jpg", "/p/2006/May/01/b.jpg"};
    history.AddBatch("Tuesday, May 02, 2006 09:00:00");  // a download that copied nothing
    history.AddBatch("Wednesday, May 03, 2006 09:00:00").files = {"/p/c d.jpg"};
    std::string error;
    ASSERT_TRUE(history.Save(error)) << error;
    EXPECT_EQ(dltest::ReadText(dir / "download.history"),
              "Ver 1.0\nMonday, May 01, 2006 14:03:27\n/p/2006/May/01/a.jpg\n/p/2006/May/01/b.jpg\n\n"
              "Tuesday, May 02, 2006 09:00:00\n\nWednesday, May 03, 2006 09:00:00\n/p/c d.jpg\n\n");

    CDownloadHistory loaded(dir / "download.history");
    ASSERT_TRUE(loaded.Load());
    ASSERT_EQ(loaded.Batches().size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(loaded.Batches()[i]->name, history.Batches()[i]->name);
        EXPECT_EQ(loaded.Batches()[i]->files, history.Batches()[i]->files);
    }
    loaded.RemoveBatch(1);
    loaded.RemoveBatch(7);
    ASSERT_EQ(loaded.Batches().size(), 2u);
    EXPECT_EQ(loaded.Batches()[1]->files, std::vector<std::string>{"/p/c d.jpg"});
}

TEST(DownloadHistory, ReadsWhatTheFormatAllows) {
    std::vector<std::unique_ptr<CFileList>> batches;
    // No final empty line, and the last line without a line feed.
    ASSERT_TRUE(CDownloadHistory::Parse("Ver 1.0\nA\n/x\n/y", batches));
    ASSERT_EQ(batches.size(), 1u);
    EXPECT_EQ(batches[0]->files.size(), 2u);
    // An empty line where a batch name should be ends the file.
    ASSERT_TRUE(CDownloadHistory::Parse("Ver 1.0\nA\n/x\n\n\nB\n/y\n", batches));
    EXPECT_EQ(batches.size(), 1u);
    for (const char* bad : {"", "Ver 1.1\nA\n/x\n", "ver 1.0\n", "Ver 1.0 \nA\n", "\nVer 1.0\n"})
        EXPECT_FALSE(CDownloadHistory::Parse(bad, batches)) << bad;
}

TEST(DownloadHistory, WrongFirstLineIsIgnoredAndOverwritten) {
    dltest::TempDir dir;
    dltest::WriteText(dir / "download.history", "Version 2\nOld batch\n/old.jpg\n\n");
    CDownloadHistory history(dir / "download.history");
    EXPECT_FALSE(history.Load());
    EXPECT_TRUE(history.Batches().empty());
    history.AddBatch("New").files = {"/new.jpg", "/bad\nname.jpg"};
    std::string error;
    ASSERT_TRUE(history.Save(error)) << error;
    // A line feed in a path would break the record, so that path is left out.
    EXPECT_EQ(dltest::ReadText(dir / "download.history"), "Ver 1.0\nNew\n/new.jpg\n\n");
}

TEST(DownloadHistory, SaveFailureIsReported) {
    CDownloadHistory history("/nonexistent-folder/download.history");
    history.AddBatch("x");
    std::string error;
    EXPECT_FALSE(history.Save(error));
    EXPECT_FALSE(error.empty());
}

TEST(DownloadHistory, BatchNameIsTheLocalStartTime) {
    const char* old = std::getenv("TZ");
    const std::string saved = old ? old : "";
    ::setenv("TZ", "UTC", 1);
    ::tzset();
    EXPECT_EQ(CDownloadHistory::BatchName(1146492207), "Monday, May 01, 2006 14:03:27");
    if (old) ::setenv("TZ", saved.c_str(), 1);
    else ::unsetenv("TZ");
    ::tzset();
}

}  // namespace
