#pragma once
// The photographic filter preset library: named filter settings grouped in categories,
// kept in "cokin.pfs" below the data folder ("PFGC", then 284-byte records).
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "adjust/filters/photofilter.h"

class IPrompt;

namespace adjust {

inline constexpr const char* kFilterPresetFileName = "cokin.pfs";
inline constexpr const char* kFilterPresetMagic = "PFGC";
inline constexpr size_t kFilterPresetNameField = 128;
inline constexpr size_t kFilterPresetRecordSize = 2 * kFilterPresetNameField + kFilterParamsSize;  // 284
// Longest category or filter name kept (the field keeps a terminating zero).
inline constexpr size_t kFilterPresetNameMax = 127;
// The category of the shipped presets, which cannot be deleted.
inline constexpr const char* kProtectedPresetCategory = "Cokin";

// One record. An empty filter name only makes its category exist.
struct FilterPreset {
    std::string category;
    std::string name;
    PhotoFilterParams params;
    bool operator==(const FilterPreset&) const = default;
};

// Asks the user for a name in a small text dialog (title, prompt); nothing when cancelled.
using AskTextFn = std::function<std::optional<std::string>(const std::string& title, const std::string& prompt)>;

// A name cut to at most 127 bytes, never in the middle of a UTF-8 character.
std::string CutPresetName(const std::string& name);

// The library file's bytes for `records`.
std::vector<uint8_t> SerializeFilterPresets(const std::vector<FilterPreset>& records);
// Records of a library file; nothing without the magic. A partial record at the end is
// ignored; names without a terminator are cut to 127 bytes.
std::optional<std::vector<FilterPreset>> ParseFilterPresets(std::span<const uint8_t> bytes);

// The presets shipped in data/cokin.pfs, all in the category "Cokin".
std::vector<FilterPreset> BuiltinCokinPresets();

class CFilterPresetLibrary {
public:
    CFilterPresetLibrary() = default;
    explicit CFilterPresetLibrary(std::vector<FilterPreset> records) : m_records(std::move(records)) {}

    // Reads the library; when the file cannot be read or lacks the magic, tells the user
    // "Unable to load presets!" (when a prompt is given), keeps an empty library and
    // returns false.
    bool Load(const std::string& path, IPrompt* prompt);
    // Writes the library; on failure tells the user "Unable to save presets!" and keeps
    // the modified flag. Clears the flag on success.
    bool Save(const std::string& path, IPrompt* prompt);
    // At OK or Cancel: when modified, asks whether to save and saves on yes.
    void OfferSave(const std::string& path, IPrompt& prompt);

    const std::vector<FilterPreset>& Records() const { return m_records; }
    bool Modified() const { return m_modified; }

    // Distinct category names in the order of their first record.
    std::vector<std::string> Categories() const;
    // Indexes of the records of `category` with a filter name, in file order.
    std::vector<size_t> FilterRecords(const std::string& category) const;
    // The filter list of a category.
    std::vector<std::string> FilterNames(const std::string& category) const;

    // "New" category: asks for a name, checks it and appends a record that makes the
    // category exist. Returns the new category's index in Categories().
    std::optional<size_t> NewCategory(IPrompt& prompt, const AskTextFn& askText);
    // "Del" category: refuses without a selection and for "Cokin" in any letter case,
    // asks for confirmation and removes every record of the category.
    bool DeleteCategory(std::optional<size_t> selectedCategory, IPrompt& prompt);
    // "Add" filter: needs a selected category, asks for a name and appends a record with
    // `params`. Returns the new filter's index in the category's filter list.
    std::optional<size_t> AddFilter(std::optional<size_t> selectedCategory, const PhotoFilterParams& params,
                                    IPrompt& prompt, const AskTextFn& askText);
    // "Del" filter: needs both selections, asks for confirmation, removes that record.
    bool DeleteFilter(std::optional<size_t> selectedCategory, std::optional<size_t> selectedFilter, IPrompt& prompt);

private:
    std::optional<std::string> CategoryAt(std::optional<size_t> index) const;

    std::vector<FilterPreset> m_records;
    bool m_modified = false;
};

}  // namespace adjust
