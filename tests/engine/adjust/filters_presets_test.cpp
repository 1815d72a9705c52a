// The filter preset library: file format, categories, the add and delete rules and the
// shipped data/cokin.pfs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "adjust/filters/filterpresets.h"
#include "framework_testimage.h"

using namespace adjust;
using namespace adjusttest;

namespace {

AskTextFn Typing(std::optional<std::string> text) {
    return [text](const std::string&, const std::string&) { return text; };
}

CFilterPresetLibrary SampleLibrary() {
    PhotoFilterParams warm;
    warm.grad = 0;
    warm.color1 = {255, 200, 150};
    return CFilterPresetLibrary({{"Cokin", "Grey", {}}, {"Mine", "", {}}, {"Cokin", "Warm", warm},
                                 {"Mine", "Sunset", warm}, {"Other", "Blue", {}}});
}

}  // namespace

TEST(FilterPresets, FileFormatRoundTripAndDamagedFiles) {
    const CFilterPresetLibrary lib = SampleLibrary();
    const std::vector<uint8_t> bytes = SerializeFilterPresets(lib.Records());
    ASSERT_EQ(bytes.size(), 4 + 5 * 284u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "PFGC");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes.data()) + 4 + 128), "Grey");
    EXPECT_EQ(*ParseFilterPresets(bytes), lib.Records());
    // A partial record at the end is ignored; a wrong magic refuses the file.
    EXPECT_EQ(ParseFilterPresets(std::vector<uint8_t>(bytes.begin(), bytes.end() - 100))->size(), 4u);
    std::vector<uint8_t> wrong = bytes;
    wrong[3] = 'X';
    EXPECT_FALSE(ParseFilterPresets(wrong));
    EXPECT_FALSE(ParseFilterPresets(std::vector<uint8_t>{'P', 'F'}));
    // A name filling its whole field without a terminator is cut to 127 bytes.
    std::fill(wrong.begin(), wrong.begin() + 4 + 128, uint8_t{'c'});
    std::copy_n("PFGC", 4, wrong.begin());
    EXPECT_EQ(ParseFilterPresets(wrong)->front().category, std::string(127, 'c'));
}

TEST(FilterPresets, LoadAndSaveThroughFiles) {
    const testsupport::TempDir dir;
    const auto path = dir / "lib.pfs";
    CFilterPresetLibrary lib = SampleLibrary(), loaded;
    ScriptedPrompt prompt;
    ASSERT_TRUE(lib.Save(path.string(), &prompt));
    ASSERT_TRUE(loaded.Load(path.string(), &prompt));
    EXPECT_EQ(loaded.Records(), lib.Records());
    EXPECT_TRUE(prompt.Shown().empty());
    std::ofstream(path, std::ios::binary) << "QFGC";
    EXPECT_FALSE(loaded.Load(path.string(), &prompt));
    EXPECT_TRUE(loaded.Records().empty());
    EXPECT_EQ(prompt.Shown().back(), (Msg{"Unable to load presets!", "Error"}));
    // Saving where no file can be made keeps the modified flag.
    lib.NewCategory(prompt, Typing("Fresh"));
    EXPECT_FALSE(lib.Save((dir / "missing-dir" / "x.pfs").string(), &prompt));
    EXPECT_EQ(prompt.Shown().back(), (Msg{"Unable to save presets!", "Error"}));
    EXPECT_TRUE(lib.Modified());
}

TEST(FilterPresets, NewCategoryRules) {
    CFilterPresetLibrary lib = SampleLibrary();
    ScriptedPrompt prompt;
    EXPECT_FALSE(lib.NewCategory(prompt, Typing(std::nullopt)));  // cancelled
    EXPECT_TRUE(prompt.Shown().empty());
    EXPECT_FALSE(lib.NewCategory(prompt, Typing("")));
    EXPECT_EQ(prompt.Shown().back(), (Msg{"Please enter valid category name!", "Create category"}));
    EXPECT_FALSE(lib.NewCategory(prompt, Typing("mINE")));
    EXPECT_EQ(prompt.Shown().back(), (Msg{"That category already exists!", "Create category"}));
    EXPECT_FALSE(lib.Modified());
    EXPECT_EQ(*lib.NewCategory(prompt, Typing(std::string(200, 'n'))), 3u);
    EXPECT_EQ(lib.Categories()[3], std::string(127, 'n'));
    EXPECT_TRUE(lib.Modified());
    EXPECT_FALSE(lib.NewCategory(prompt, Typing(std::string(150, 'n'))));  // the same once cut
    EXPECT_EQ(CutPresetName(std::string(126, 'a') + "\xC3\xA9"), std::string(126, 'a'));  // no split character
}

TEST(FilterPresets, DeleteRules) {
    CFilterPresetLibrary lib = SampleLibrary();
    ScriptedPrompt prompt;
    EXPECT_FALSE(lib.DeleteCategory(std::nullopt, prompt));
    EXPECT_EQ(prompt.Shown().back(), (Msg{"No category selected!", "Delete category"}));
    CFilterPresetLibrary shouting(std::vector<FilterPreset>{{"COKIN", "x", PhotoFilterParams{}}});
    EXPECT_FALSE(shouting.DeleteCategory(size_t{0}, prompt));
    EXPECT_EQ(prompt.Shown().back().first, "Category 'Cokin' cannot be deleted!");
    prompt.answers = {PromptAnswer::No};
    EXPECT_FALSE(lib.DeleteCategory(size_t{1}, prompt));
    EXPECT_EQ(prompt.Shown().back(), (Msg{"Are you sure?", "Delete category"}));
    prompt.answers = {PromptAnswer::Yes};
    EXPECT_TRUE(lib.DeleteCategory(size_t{1}, prompt));
    EXPECT_EQ(lib.Categories(), (std::vector<std::string>{"Cokin", "Other"}));
    EXPECT_EQ(lib.Records().size(), 3u);

    EXPECT_FALSE(lib.DeleteFilter(size_t{0}, size_t{5}, prompt));
    EXPECT_EQ(prompt.Shown().back(), (Msg{"Select the category and the filter you wish to delete.", "Delete filter"}));
    prompt.answers = {PromptAnswer::Yes};
    EXPECT_TRUE(lib.DeleteFilter(size_t{0}, size_t{1}, prompt));  // "Warm" of "Cokin"
    EXPECT_EQ(lib.FilterNames("Cokin"), (std::vector<std::string>{"Grey"}));
}

// data/cokin.pfs is generated from BuiltinCokinPresets(); run this test with
// LUMARET_WRITE_PRESETS=1 to write the file after changing the table.
TEST(FilterPresets, ShippedLibraryMatchesTheBuiltInTable) {
    const std::vector<FilterPreset> builtin = BuiltinCokinPresets();
    ASSERT_GE(builtin.size(), 20u);
    std::vector<std::string> names;
    for (const FilterPreset& p : builtin) {
        EXPECT_EQ(p.category, "Cokin");
        EXPECT_TRUE(!p.name.empty() && p.name.size() <= kFilterPresetNameMax) << p.name;
        EXPECT_EQ(p.params, p.params.Sanitized()) << p.name;
        EXPECT_EQ(std::ranges::count(names, p.name), 0) << p.name;
        names.push_back(p.name);
    }
    const std::vector<uint8_t> expected = SerializeFilterPresets(builtin);
    const auto shipped = std::filesystem::path(LUMARET_SOURCE_DIR) / "data" / kFilterPresetFileName;
    const char* write = std::getenv("LUMARET_WRITE_PRESETS");
    if (write && std::string(write) == "1")
        std::ofstream(shipped, std::ios::binary).write(reinterpret_cast<const char*>(expected.data()), std::ssize(expected));
    std::ifstream in(shipped, std::ios::binary);
    EXPECT_EQ(std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {}), expected)
        << "regenerate with LUMARET_WRITE_PRESETS=1";
}
