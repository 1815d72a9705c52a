// lumaret-cli browse: a real listing with thumbnails and the thumbnail database.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "../engine/browser/browser_test_util.h"
#include "../engine/browser/thumbs_fixtures.h"
#include "browser/thumbnails/thumbnaildb.h"
#include "cli_run.h"

namespace fs = std::filesystem;
using namespace thumbstest;

namespace {

struct Row {
    std::string path, size, date, image, thumbnail, flags;
};

std::vector<Row> Rows(const std::string& out) {
    std::vector<Row> rows;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
        std::vector<std::string> f;
        std::istringstream fields(line);
        for (std::string field; std::getline(fields, field, '\t');) f.push_back(field);
        EXPECT_EQ(6u, f.size()) << line;
        if (f.size() == 6) rows.push_back({f[0], f[1], f[2], f[3], f[4], f[5]});
    }
    return rows;
}

std::vector<std::string> Names(const std::vector<Row>& rows) {
    std::vector<std::string> names;
    for (const Row& r : rows) names.push_back(fs::path(r.path).filename().string());
    return names;
}

struct BrowseFixture : ::testing::Test {
    browsertest::TempDir dir;
    std::string home = dir / "home", pics = dir / "pics", databases = dir / "db";

    void SetUp() override {
        fs::create_directories(home + "/data");
        fs::copy_file(std::string(LUMARET_SOURCE_DIR) + "/data/exception_1.dat", home + "/data/exception_1.dat");
        fs::create_directories(pics + "/sub");
        const Picture thumb = MakeTextured(160, 120, 1);
        ASSERT_TRUE(WriteCameraFile(pics + "/a.jpg", MakeTextured(320, 240, 2), &thumb, 1, "2005:01:01 10:00:00"));
        ASSERT_TRUE(WriteCameraFile(pics + "/b.jpg", MakeTextured(640, 480, 3), nullptr, 1, "2004:06:30 08:15:00"));
        ASSERT_TRUE(WriteCameraFile(pics + "/c.jpg", MakeTextured(300, 200, 4), &thumb, 6, "2004:12:24 18:00:00"));
        browsertest::WriteText(pics + "/broken.jpg", "not a picture at all");
        browsertest::WriteText(pics + "/notes.txt", "notes");
        ASSERT_EQ(0, Run({"settings", "set", "ThumbnailDatabase", databases}).status);
    }
    clitest::CliResult Run(const std::vector<std::string>& args) {
        return clitest::RunCli(LUMARET_CLI, args, dir.Path(), "LUMARET_HOME=" + clitest::ShellQuote(home) + " TZ=UTC");
    }
};

TEST_F(BrowseFixture, ListsWithThumbnailsAndReusesTheDatabase) {
    const auto first = Run({"browse", pics, "--stats", "--thumbnails", dir / "out"});
    ASSERT_EQ(0, first.status) << first.err;
    const std::vector<Row> rows = Rows(first.out);
    ASSERT_EQ((std::vector<std::string>{"sub", "a.jpg", "b.jpg", "broken.jpg", "c.jpg", "notes.txt"}), Names(rows));
    EXPECT_EQ(pics + "/a.jpg", rows[1].path);
    EXPECT_EQ(std::to_string(fs::file_size(pics + "/a.jpg")), rows[1].size);
    EXPECT_EQ("2005-01-01T10:00:00", rows[1].date);
    auto columns = [&](size_t i) { return rows[i].image + " " + rows[i].thumbnail + " " + rows[i].flags; };
    EXPECT_EQ("320x240x24 130x98 0x22a", columns(1));
    EXPECT_EQ("640x480x24 130x98 0x22a", columns(2));  // no embedded thumbnail: decoded
    EXPECT_EQ("- 128x86", columns(3).substr(0, 8));    // the placeholder
    EXPECT_EQ("98x130", rows[4].thumbnail);            // turned upright
    EXPECT_EQ("32x32 0xa", columns(5).substr(columns(5).find(' ') + 1));
    EXPECT_EQ("0 0x10a", rows[0].size + " " + rows[0].flags);
    EXPECT_EQ("listed 6 decoded-embedded 2 decoded-full 1 from-database 0 placeholders 1\n", first.err);

    const std::string ppm = clitest::Slurp(dir / "out/4.ppm");
    EXPECT_EQ(std::string("P6\n98 130\n255\n"), ppm.substr(0, 14));
    EXPECT_EQ(14u + 98 * 130 * 3, ppm.size());
    EXPECT_TRUE(fs::exists(dir / "out/0.ppm"));
    EXPECT_TRUE(fs::exists(databases + "/" + CThumbnailDatabase::FileNameFor(pics)));

    const auto second = Run({"browse", pics, "--stats"});
    ASSERT_EQ(0, second.status) << second.err;
    EXPECT_EQ(first.out, second.out);
    EXPECT_EQ("listed 6 decoded-embedded 0 decoded-full 0 from-database 3 placeholders 1\n", second.err);
}

TEST_F(BrowseFixture, SortsAndFilters) {
    const auto byDate = Run({"browse", pics, "--sort", "date", "--descending", "--no-folders", "--no-other-files"});
    ASSERT_EQ(0, byDate.status) << byDate.err;
    // broken.jpg keeps its creation date (today); the others carry their dates taken.
    EXPECT_EQ((std::vector<std::string>{"broken.jpg", "a.jpg", "c.jpg", "b.jpg"}), Names(Rows(byDate.out)));
}

TEST_F(BrowseFixture, FlatViewListsSubFoldersAndKeepsOneDatabase) {
    ASSERT_TRUE(WriteCameraFile(pics + "/sub/d.jpg", MakeTextured(200, 100, 5), nullptr));
    const auto first = Run({"browse", pics, "--flat", "--no-other-files", "--stats"});
    ASSERT_EQ(0, first.status) << first.err;
    EXPECT_EQ((std::vector<std::string>{"a.jpg", "b.jpg", "broken.jpg", "c.jpg", "d.jpg"}), Names(Rows(first.out)));
    EXPECT_EQ("listed 5 decoded-embedded 2 decoded-full 2 from-database 0 placeholders 1\n", first.err);
    const auto second = Run({"browse", pics, "--flat", "--no-other-files", "--stats"});
    EXPECT_EQ("listed 5 decoded-embedded 0 decoded-full 0 from-database 4 placeholders 1\n", second.err);
    EXPECT_EQ(first.out, second.out);
}

TEST_F(BrowseFixture, RejectsBadArguments) {
    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
                 {"browse"}, {"browse", pics, "--sort", "colour"}, {"browse", pics, "--bogus"}, {"browse", pics, pics}})
        EXPECT_EQ(2, Run(args).status) << args.back();
    const auto missing = Run({"browse", dir / "nowhere"});
    EXPECT_EQ(2, missing.status);
    EXPECT_NE(std::string::npos, missing.err.find("cannot open folder"));
}

}  // namespace
