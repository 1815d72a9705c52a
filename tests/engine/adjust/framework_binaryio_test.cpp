// Little-endian reader/writer, whole-file load/save, settings-file status messages, ParallelRows.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <vector>

#include "adjust/framework/binaryio.h"
#include "adjust/framework/parallel.h"
#include "framework_testimage.h"

namespace fs = std::filesystem;
using namespace adjust;

TEST(BinaryIo, FieldsAreLittleEndianAndReadsPastTheEndFailForGood) {
    ByteWriter w;
    w.I32(-2);
    w.U32(0x01020304u);
    w.Float(1.5f);
    w.FixedString("abcdef", 4);
    w.FixedString("xy", 5);
    EXPECT_EQ(w.Bytes(), (std::vector<uint8_t>{0xFE, 0xFF, 0xFF, 0xFF, 4, 3, 2, 1, 0, 0, 0xC0, 0x3F, 'a', 'b', 'c', 'd', 'x', 'y', 0, 0, 0}));

    const std::vector<uint8_t> bytes{1, 2, 3};
    ByteReader r(bytes);
    int32_t v = 77;
    EXPECT_FALSE(r.I32(v));
    EXPECT_EQ(v, 77);
    uint8_t u = 0;
    EXPECT_FALSE(r.U8(u));  // sticky, even though one byte would fit
    EXPECT_EQ(r.Remaining(), 0u);
    ByteReader huge(bytes);
    std::string text;
    EXPECT_FALSE(huge.FixedString(SIZE_MAX, text));  // no overflow in the bounds check
    EXPECT_FALSE(huge.Skip(1));
}

TEST(BinaryIo, SaveReplacesThroughTemporaryFileAndLoadChecksTheMagic) {
    const testsupport::TempDir scratch;
    const fs::path& dir = scratch.Path();
    const std::string path = (dir / "s.huesat").string();
    ByteWriter w;
    w.Raw(std::string_view("huesat"));
    w.I32(5);
    ASSERT_TRUE(SaveWholeFile(path, std::vector<uint8_t>{1, 2, 3}));
    ASSERT_TRUE(SaveWholeFile(path, w.Bytes()));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1) << "no temporary file left";
    EXPECT_FALSE(LoadWholeFile(path, 1).has_value()) << "larger than the limit";
    EXPECT_FALSE(LoadWholeFile(dir.string()).has_value()) << "a folder is not a file";
    EXPECT_EQ(SaveSettingsFile((dir / "no" / "x").string(), w.Bytes()), SettingsFileStatus::CannotWrite);

    int parsed = 0;
    auto parse = [&](std::span<const uint8_t> bytes) {
        ByteReader r(bytes);
        int32_t v = 0;
        if (!r.Skip(6) || !r.I32(v)) return SettingsFileStatus::InvalidFile;
        parsed = v;
        return SettingsFileStatus::Ok;
    };
    EXPECT_EQ(LoadSettingsFile(path, "chmix", parse), SettingsFileStatus::InvalidFile);
    EXPECT_EQ(LoadSettingsFile((dir / "none").string(), "huesat", parse), SettingsFileStatus::CannotOpen);
    EXPECT_EQ(parsed, 0);
    EXPECT_EQ(LoadSettingsFile(path, "huesat", parse), SettingsFileStatus::Ok);
    EXPECT_EQ(parsed, 5);

    adjusttest::ScriptedPrompt prompt;
    for (auto status : {SettingsFileStatus::Ok, SettingsFileStatus::InvalidFile, SettingsFileStatus::CannotOpen})
        ShowSettingsFileError(prompt, status);
    EXPECT_EQ(prompt.Shown(), (std::vector<adjusttest::Msg>{{"Invalid file", "Error"}, {"Invalid file", "Error"}}));
}

TEST(ParallelRows, BandsCoverEveryRowExactlyOnce) {
    for (int32_t height : {0, 1, 63, 64, 129, 4001}) {
        std::vector<std::atomic<int>> seen(static_cast<size_t>(height));
        ParallelRows(height, [&](int32_t y0, int32_t y1) {
            ASSERT_TRUE(0 <= y0 && y0 <= y1 && y1 <= height);
            for (int32_t y = y0; y < y1; ++y) seen[static_cast<size_t>(y)]++;
        });
        for (int32_t y = 0; y < height; ++y) ASSERT_EQ(seen[static_cast<size_t>(y)].load(), 1) << height << " " << y;
    }
    EXPECT_EQ(ParallelBandCount(10), 1);
}
