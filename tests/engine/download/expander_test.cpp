#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "download/shortcutexpander.h"
#include "download_test_util.h"

namespace {

std::tm May1st2006() {
    std::tm t{};
    t.tm_year = 106;
    t.tm_mon = 4;
    t.tm_mday = 1;
    t.tm_hour = 10;
    t.tm_wday = 1;  // a Monday
    return t;
}

struct PatternCase {
    const char* pattern;
    const char* folder;
};

TEST(ShortcutExpander, FormatsPatterns) {
    const PatternCase cases[] = {
        {"%Y\\%B\\%d", "2006/May/01"},  // written with backslashes, read as "/"
        {"%Y/%B/%d", "2006/May/01"},
        {"Holiday", "Holiday"},
        {"%Y-%m", "2006-05"},
        {"%A %H", "Monday 10"},
        {"%%Y", "2006"},               // a doubled "%" is not an escape: the empty piece is skipped
        {"Trip %Y", "Trip 2006"},      // text before the first "%" stays literal
        {"%Q%Y", "Q2006"},             // an unknown conversion is kept as its character
        {"%Y%", "2006"},               // a trailing "%" is an empty piece
        {"..\\%Y\\..\\x", "2006/x"},   // cannot climb out of the root
        {"/%Y//%m/", "2006/05"},
        {"", ""},
    };
    for (const PatternCase& c : cases)
        EXPECT_EQ(CShortcutExpander::FormatPattern(c.pattern, May1st2006()), c.folder) << c.pattern;
}

TEST(ShortcutExpander, CreatesEveryLevelAndBuildsTheTarget) {
    dltest::TempDir dir;
    const std::string root = dir / "no/such/root";
    CShortcutExpander expander(root + "/");
    std::string target, error;
    ASSERT_TRUE(expander.Expand("IMG_0001.JPG", "%Y\\%B\\%d", May1st2006(), target, error)) << error;
    EXPECT_EQ(target, root + "/2006/May/01/IMG_0001.JPG");
    EXPECT_TRUE(std::filesystem::is_directory(root + "/2006/May/01"));
    // A second picture of the day finds its folders there already.
    ASSERT_TRUE(expander.Expand("dir/IMG_0002.JPG", "%Y\\%B\\%d", May1st2006(), target, error)) << error;
    EXPECT_EQ(target, root + "/2006/May/01/IMG_0002.JPG");
}

TEST(ShortcutExpander, FileInThePlaceOfAFolderFails) {
    dltest::TempDir dir;
    dltest::WriteText(dir / "2006", "not a folder");
    std::string target, error;
    EXPECT_FALSE(CShortcutExpander(dir.Path()).Expand("a.jpg", "%Y/%m", May1st2006(), target, error));
    EXPECT_NE(error.find(dir / "2006"), std::string::npos) << error;
}

}  // namespace
