// The filter preset library: file format, categories, the add and delete rules and the
// shipped data/cokin.pfs.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "adjust/filters/filterpresets.h"
#include "core/prompt.h"

using namespace adjust;

namespace {

// Answers questions from a script and records every message.
struct ScriptedPrompt : IPrompt {
    std::vector<std::pair<std::string, std::string>> shown;  // text, caption
    std::vector<PromptAnswer> answers;
    PromptAnswer Ask(const std::string& text, const std::string& caption, PromptButtons) override {
        shown.emplace_back(text, caption);
        if (answers.empty()) return PromptAnswer::Ok;
        PromptAnswer a = answers.front();
        answers.erase(answers.begin());
        return a;
    }
    std::string Last() const { return shown.empty() ? std::string() : shown.back().first; }
};

AskTextFn Typing(std::optional<std::string> text) {
    return [text](const std::string&, const std::string&) { return text; };
}

std::filesystem::path TempPath(const std::string& name) {
    return std::filesystem::temp_directory_path() / ("lumaret_presets_" + std::to_string(::getpid()) + "_" + name);
}

std::vector<uint8_t> ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

CFilterPresetLibrary SampleLibrary() {
    PhotoFilterParams warm;
    warm.grad = 0;
    warm.color1 = {255, 200, 150};
    return CFilterPresetLibrary({
        {"Cokin", "Grey", PhotoFilterParams{}},
        {"Mine", "", PhotoFilterParams{}},
        {"Cokin", "Warm", warm},
        {"Mine", "Sunset", warm},
        {"Other", "Blue", PhotoFilterParams{}},
    });
}

}  // namespace

TEST(FilterPresets, FileFormatRoundTrip) {
    const CFilterPresetLibrary lib = SampleLibrary();
    const std::vector<uint8_t> bytes = SerializeFilterPresets(lib.Records());
    ASSERT_EQ(bytes.size(), 4 + 5 * kFilterPresetRecordSize);
    EXPECT_EQ(kFilterPresetRecordSize, 284u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "PFGC");
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes.data()) + 4 + 128), "Grey");
    const auto parsed = ParseFilterPresets(bytes);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(*parsed, lib.Records());

    // A partial record at the end is ignored; a wrong magic refuses the file.
    std::vector<uint8_t> partial = bytes;
    partial.resize(partial.size() - 100);
    ASSERT_TRUE(ParseFilterPresets(partial));
    EXPECT_EQ(ParseFilterPresets(partial)->size(), 4u);
    std::vector<uint8_t> wrong = bytes;
    wrong[3] = 'X';
    EXPECT_FALSE(ParseFilterPresets(wrong));
    EXPECT_FALSE(ParseFilterPresets(std::vector<uint8_t>{'P', 'F'}));
    ASSERT_TRUE(ParseFilterPresets(std::vector<uint8_t>{'P', 'F', 'G', 'C'}));

    // A name filling its whole field without a terminator is cut to 127 bytes.
    std::vector<uint8_t> unterminated = bytes;
    std::fill(unterminated.begin() + 4, unterminated.begin() + 4 + 128, uint8_t{'c'});
    EXPECT_EQ(ParseFilterPresets(unterminated)->front().category, std::string(127, 'c'));
}

TEST(FilterPresets, LoadAndSaveThroughFiles) {
    const auto path = TempPath("lib.pfs");
    CFilterPresetLibrary lib = SampleLibrary();
    ScriptedPrompt prompt;
    ASSERT_TRUE(lib.Save(path.string(), &prompt));
    CFilterPresetLibrary loaded;
    ASSERT_TRUE(loaded.Load(path.string(), &prompt));
    EXPECT_EQ(loaded.Records(), lib.Records());
    EXPECT_TRUE(prompt.shown.empty());

    std::vector<uint8_t> bytes = ReadFile(path);
    bytes[0] = 'Q';
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
    EXPECT_FALSE(loaded.Load(path.string(), &prompt));
    EXPECT_TRUE(loaded.Records().empty());
    EXPECT_EQ(prompt.shown.back(), (std::pair<std::string, std::string>{"Unable to load presets!", "Error"}));
    std::filesystem::remove(path);
    EXPECT_FALSE(loaded.Load(path.string(), nullptr));

    // Saving where no file can be made keeps the records and the modified flag.
    lib.NewCategory(prompt, Typing("Fresh"));
    ASSERT_TRUE(lib.Modified());
    EXPECT_FALSE(lib.Save((TempPath("missing-dir") / "x.pfs").string(), &prompt));
    EXPECT_EQ(prompt.shown.back(), (std::pair<std::string, std::string>{"Unable to save presets!", "Error"}));
    EXPECT_TRUE(lib.Modified());
    EXPECT_EQ(lib.Records().size(), 6u);
}

TEST(FilterPresets, CategoriesInOrderOfFirstAppearance) {
    const CFilterPresetLibrary lib = SampleLibrary();
    EXPECT_EQ(lib.Categories(), (std::vector<std::string>{"Cokin", "Mine", "Other"}));
    EXPECT_EQ(lib.FilterNames("Cokin"), (std::vector<std::string>{"Grey", "Warm"}));
    EXPECT_EQ(lib.FilterNames("Mine"), (std::vector<std::string>{"Sunset"}));  // the empty name is skipped
    EXPECT_EQ(lib.Records()[lib.FilterRecords("Cokin")[1]].params.color1, (FilterColor{255, 200, 150}));
}

TEST(FilterPresets, NewCategoryRules) {
    CFilterPresetLibrary lib = SampleLibrary();
    ScriptedPrompt prompt;
    EXPECT_FALSE(lib.NewCategory(prompt, Typing(std::nullopt)));  // cancelled
    EXPECT_TRUE(prompt.shown.empty());
    EXPECT_FALSE(lib.NewCategory(prompt, Typing("")));
    EXPECT_EQ(prompt.shown.back(),
              (std::pair<std::string, std::string>{"Please enter valid category name!", "Create category"}));
    EXPECT_FALSE(lib.NewCategory(prompt, Typing("mINE")));
    EXPECT_EQ(prompt.shown.back(), (std::pair<std::string, std::string>{"That category already exists!", "Create category"}));
    EXPECT_FALSE(lib.Modified());

    const auto index = lib.NewCategory(prompt, Typing(std::string(200, 'n')));
    ASSERT_TRUE(index);
    EXPECT_EQ(*index, 3u);
    EXPECT_EQ(lib.Categories()[3], std::string(127, 'n'));
    EXPECT_TRUE(lib.FilterNames(lib.Categories()[3]).empty());
    EXPECT_TRUE(lib.Modified());
    // Names cut to the same 127 characters are the same category.
    EXPECT_FALSE(lib.NewCategory(prompt, Typing(std::string(150, 'n'))));
    // A multi-byte character is never split by the cut.
    EXPECT_EQ(CutPresetName(std::string(126, 'a') + "\xC3\xA9"), std::string(126, 'a'));
}

TEST(FilterPresets, DeleteCategoryRules) {
    CFilterPresetLibrary lib = SampleLibrary();
    ScriptedPrompt prompt;
    EXPECT_FALSE(lib.DeleteCategory(std::nullopt, prompt));
    EXPECT_EQ(prompt.shown.back(), (std::pair<std::string, std::string>{"No category selected!", "Delete category"}));
    EXPECT_FALSE(lib.DeleteCategory(size_t{0}, prompt));
    EXPECT_EQ(prompt.Last(), "Category 'Cokin' cannot be deleted!");
    CFilterPresetLibrary shouting(std::vector<FilterPreset>{{"COKIN", "x", PhotoFilterParams{}}});
    EXPECT_FALSE(shouting.DeleteCategory(size_t{0}, prompt));
    EXPECT_EQ(prompt.Last(), "Category 'Cokin' cannot be deleted!");

    prompt.answers = {PromptAnswer::No};
    EXPECT_FALSE(lib.DeleteCategory(size_t{1}, prompt));
    EXPECT_EQ(prompt.shown.back(), (std::pair<std::string, std::string>{"Are you sure?", "Delete category"}));
    EXPECT_EQ(lib.Records().size(), 5u);
    prompt.answers = {PromptAnswer::Yes};
    EXPECT_TRUE(lib.DeleteCategory(size_t{1}, prompt));
    EXPECT_EQ(lib.Categories(), (std::vector<std::string>{"Cokin", "Other"}));
    EXPECT_EQ(lib.Records().size(), 3u);
    EXPECT_TRUE(lib.Modified());
}

TEST(FilterPresets, AddFilterRules) {
    CFilterPresetLibrary lib = SampleLibrary();
    ScriptedPrompt prompt;
    PhotoFilterParams params;
    params.angle = 33.0f;
    EXPECT_FALSE(lib.AddFilter(std::nullopt, params, prompt, Typing("x")));
    EXPECT_EQ(prompt.shown.back(), (std::pair<std::string, std::string>{"Select the category first!", "Add filter"}));
    EXPECT_FALSE(lib.AddFilter(size_t{0}, params, prompt, Typing("warm")));
    EXPECT_EQ(prompt.shown.back(), (std::pair<std::string, std::string>{
                                       "That filter already exists! Please choose another name.", "Create new filter"}));
    EXPECT_FALSE(lib.AddFilter(size_t{0}, params, prompt, Typing("")));
    EXPECT_FALSE(lib.Modified());

    // The same name in another category is fine.
    const auto index = lib.AddFilter(size_t{1}, params, prompt, Typing("Warm"));
    ASSERT_TRUE(index);
    EXPECT_EQ(*index, 1u);
    EXPECT_EQ(lib.FilterNames("Mine"), (std::vector<std::string>{"Sunset", "Warm"}));
    EXPECT_EQ(lib.Records().back().params.angle, 33.0f);
    EXPECT_TRUE(lib.Modified());

    const std::string longName(200, 'L');
    ASSERT_TRUE(lib.AddFilter(size_t{2}, params, prompt, Typing(longName)));
    EXPECT_EQ(lib.Records().back().name, longName.substr(0, 127));
    const auto reread = ParseFilterPresets(SerializeFilterPresets(lib.Records()));
    EXPECT_EQ(reread->back().name, longName.substr(0, 127));
}

TEST(FilterPresets, DeleteFilterRules) {
    CFilterPresetLibrary lib = SampleLibrary();
    ScriptedPrompt prompt;
    const std::pair<std::string, std::string> refusal{"Select the category and the filter you wish to delete.",
                                                      "Delete filter"};
    EXPECT_FALSE(lib.DeleteFilter(size_t{0}, std::nullopt, prompt));
    EXPECT_EQ(prompt.shown.back(), refusal);
    EXPECT_FALSE(lib.DeleteFilter(std::nullopt, size_t{0}, prompt));
    EXPECT_FALSE(lib.DeleteFilter(size_t{0}, size_t{5}, prompt));
    EXPECT_EQ(prompt.shown.back(), refusal);

    prompt.answers = {PromptAnswer::No};
    EXPECT_FALSE(lib.DeleteFilter(size_t{0}, size_t{1}, prompt));
    prompt.answers = {PromptAnswer::Yes};
    EXPECT_TRUE(lib.DeleteFilter(size_t{0}, size_t{1}, prompt));  // "Warm" of "Cokin"
    EXPECT_EQ(lib.FilterNames("Cokin"), (std::vector<std::string>{"Grey"}));
    EXPECT_EQ(lib.FilterNames("Mine"), (std::vector<std::string>{"Sunset"}));
    EXPECT_TRUE(lib.Modified());
}

TEST(FilterPresets, OfferSaveAsksOnlyWhenModified) {
    const auto path = TempPath("offer.pfs");
    CFilterPresetLibrary lib = SampleLibrary();
    ScriptedPrompt prompt;
    lib.OfferSave(path.string(), prompt);
    EXPECT_TRUE(prompt.shown.empty());
    lib.NewCategory(prompt, Typing("New one"));
    prompt.answers = {PromptAnswer::No};
    lib.OfferSave(path.string(), prompt);
    EXPECT_EQ(prompt.shown.back(),
              (std::pair<std::string, std::string>{"The presets have been modified. Do you want to save them?", "Save"}));
    EXPECT_FALSE(std::filesystem::exists(path));
    prompt.answers = {PromptAnswer::Yes};
    lib.OfferSave(path.string(), prompt);
    EXPECT_TRUE(std::filesystem::exists(path));
    EXPECT_FALSE(lib.Modified());
    std::filesystem::remove(path);
}

// data/cokin.pfs is generated from BuiltinCokinPresets(); run this test with
// LUMARET_WRITE_PRESETS=1 to write the file after changing the table.
TEST(FilterPresets, ShippedLibraryMatchesTheBuiltInTable) {
    const std::vector<FilterPreset> builtin = BuiltinCokinPresets();
    ASSERT_GE(builtin.size(), 20u);
    std::vector<std::string> names;
    for (const FilterPreset& p : builtin) {
        EXPECT_EQ(p.category, "Cokin");
        EXPECT_FALSE(p.name.empty());
        EXPECT_LE(p.name.size(), kFilterPresetNameMax);
        EXPECT_EQ(p.params, p.params.Sanitized()) << p.name;
        EXPECT_EQ(std::count(names.begin(), names.end(), p.name), 0) << p.name;
        names.push_back(p.name);
    }
    const std::vector<uint8_t> expected = SerializeFilterPresets(builtin);
    const std::filesystem::path shipped = std::filesystem::path(LUMARET_SOURCE_DIR) / "data" / kFilterPresetFileName;
    const char* write = std::getenv("LUMARET_WRITE_PRESETS");
    if (write && std::string(write) == "1") {
        std::ofstream(shipped, std::ios::binary)
            .write(reinterpret_cast<const char*>(expected.data()), static_cast<std::streamsize>(expected.size()));
    }
    EXPECT_EQ(ReadFile(shipped), expected) << "regenerate with LUMARET_WRITE_PRESETS=1";
    CFilterPresetLibrary lib;
    ScriptedPrompt prompt;
    ASSERT_TRUE(lib.Load(shipped.string(), &prompt));
    EXPECT_EQ(lib.Categories(), (std::vector<std::string>{"Cokin"}));
}
