// Little-endian reader/writer, whole-file load/save, settings-file status messages, ParallelRows.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <cmath>
#include <filesystem>
#include <vector>

#include "adjust/framework/binaryio.h"
#include "adjust/framework/parallel.h"
#include "core/prompt.h"

namespace fs = std::filesystem;
using namespace adjust;

namespace {

fs::path TempDir() {
    auto dir = fs::temp_directory_path() /
               ("lumaret-adjust-a-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

struct RecordingPrompt : IPrompt {
    std::vector<std::pair<std::string, std::string>> messages;
    PromptAnswer Ask(const std::string& text, const std::string& caption, PromptButtons) override {
        messages.emplace_back(text, caption);
        return PromptAnswer::Ok;
    }
};

}  // namespace

TEST(BinaryIo, FieldsAreLittleEndianAndRoundTrip) {
    ByteWriter w;
    w.Raw(std::string_view("MAGC"));
    w.U8(0xAB);
    w.I32(-2);
    w.U32(0x01020304u);
    w.Float(1.5f);
    w.Double(-0.25);
    w.FixedString("abcdef", 4);
    w.FixedString("xy", 5);
    const auto& b = w.Bytes();
    ASSERT_EQ(b.size(), 4u + 1 + 4 + 4 + 4 + 8 + 4 + 5);
    EXPECT_EQ(b[5], 0xFE);  // -2 low byte first
    EXPECT_EQ(b[8], 0xFF);
    EXPECT_EQ(b[9], 0x04);
    EXPECT_EQ(b[12], 0x01);
    EXPECT_EQ(b[16], 0x3F);  // 1.5f = 0x3FC00000, top byte last

    ByteReader r(b);
    uint8_t u8 = 0;
    int32_t i32 = 0;
    uint32_t u32 = 0;
    float f = 0;
    double d = 0;
    std::string s1, s2;
    EXPECT_TRUE(r.Expect("MAGC"));
    EXPECT_TRUE(r.U8(u8) && r.I32(i32) && r.U32(u32) && r.Float(f) && r.Double(d));
    EXPECT_TRUE(r.FixedString(4, s1) && r.FixedString(5, s2));
    EXPECT_EQ(u8, 0xAB);
    EXPECT_EQ(i32, -2);
    EXPECT_EQ(u32, 0x01020304u);
    EXPECT_EQ(f, 1.5f);
    EXPECT_EQ(d, -0.25);
    EXPECT_EQ(s1, "abcd");
    EXPECT_EQ(s2, "xy");
    EXPECT_TRUE(r.AtEnd());
}

TEST(BinaryIo, ReadingPastTheEndFailsForGoodAndLeavesOutputs) {
    const std::vector<uint8_t> bytes{1, 2, 3};
    ByteReader r(bytes);
    int32_t v = 77;
    EXPECT_FALSE(r.I32(v));
    EXPECT_EQ(v, 77);
    EXPECT_FALSE(r.Ok());
    uint8_t u = 0;
    EXPECT_FALSE(r.U8(u));  // sticky, even though one byte would fit
    EXPECT_EQ(r.Remaining(), 0u);

    ByteReader skip(bytes);
    EXPECT_TRUE(skip.Skip(3));
    EXPECT_TRUE(skip.AtEnd());
    EXPECT_FALSE(skip.Skip(1));

    ByteReader huge(bytes);
    std::string text;
    EXPECT_FALSE(huge.FixedString(SIZE_MAX, text));  // no overflow in the bounds check
}

TEST(BinaryIo, SaveReplacesThroughTemporaryFileAndLoadReadsBack) {
    auto dir = TempDir();
    std::string path = (dir / "a.bin").string();
    std::vector<uint8_t> first{1, 2, 3}, second{9, 8};
    ASSERT_TRUE(SaveWholeFile(path, first));
    ASSERT_TRUE(SaveWholeFile(path, second));
    auto loaded = LoadWholeFile(path);
    ASSERT_TRUE(loaded.has_value());
    EXPECT_EQ(*loaded, second);
    size_t files = 0;
    for ([[maybe_unused]] auto& e : fs::directory_iterator(dir)) ++files;
    EXPECT_EQ(files, 1u) << "no temporary file may be left behind";

    EXPECT_FALSE(LoadWholeFile(path, 1).has_value()) << "larger than the limit";
    EXPECT_FALSE(LoadWholeFile((dir / "missing").string()).has_value());
    EXPECT_FALSE(LoadWholeFile(dir.string()).has_value()) << "a folder is not a file";
    EXPECT_FALSE(SaveWholeFile((dir / "no" / "such" / "dir.bin").string(), first));
    EXPECT_EQ(SaveSettingsFile((dir / "no" / "x").string(), first), SettingsFileStatus::CannotWrite);
    fs::remove_all(dir);
}

TEST(BinaryIo, LoadSettingsFileChecksMagicBeforeParsing) {
    auto dir = TempDir();
    std::string path = (dir / "s.huesat").string();
    ByteWriter w;
    w.Raw(std::string_view("huesat"));
    w.I32(5);
    ASSERT_TRUE(SaveWholeFile(path, w.Bytes()));
    int parsed = 0;
    auto parse = [&](std::span<const uint8_t> bytes) {
        ByteReader r(bytes);
        r.Expect("huesat");
        int32_t v = 0;
        if (!r.I32(v)) return SettingsFileStatus::InvalidFile;
        parsed = v;
        return SettingsFileStatus::Ok;
    };
    EXPECT_EQ(LoadSettingsFile(path, "huesat", parse), SettingsFileStatus::Ok);
    EXPECT_EQ(parsed, 5);
    parsed = 0;
    EXPECT_EQ(LoadSettingsFile(path, "chmix", parse), SettingsFileStatus::InvalidFile);
    EXPECT_EQ(LoadSettingsFile((dir / "none").string(), "huesat", parse), SettingsFileStatus::CannotOpen);
    EXPECT_EQ(parsed, 0);
    fs::remove_all(dir);
}

TEST(BinaryIo, SettingsErrorsAreShownWithTheirTexts) {
    RecordingPrompt prompt;
    for (auto status : {SettingsFileStatus::Ok, SettingsFileStatus::InvalidFile, SettingsFileStatus::CannotOpen})
        ShowSettingsFileError(prompt, status);
    using Message = std::pair<std::string, std::string>;
    EXPECT_EQ(prompt.messages, (std::vector<Message>{{"Invalid file", "Error"}, {"Invalid file", "Error"}}));
}

TEST(ParallelRows, BandsCoverEveryRowExactlyOnce) {
    for (int32_t height : {0, 1, 63, 64, 129, 1000, 4001}) {
        std::vector<std::atomic<int>> seen(static_cast<size_t>(height));
        ParallelRows(height, [&](int32_t y0, int32_t y1) {
            ASSERT_LE(0, y0);
            ASSERT_LE(y0, y1);
            ASSERT_LE(y1, height);
            for (int32_t y = y0; y < y1; ++y) seen[static_cast<size_t>(y)]++;
        });
        for (int32_t y = 0; y < height; ++y) ASSERT_EQ(seen[static_cast<size_t>(y)].load(), 1) << height << " " << y;
    }
    EXPECT_EQ(ParallelBandCount(10), 1);
    EXPECT_EQ(ParallelBandCount(0), 0);
}
