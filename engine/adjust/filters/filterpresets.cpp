// The preset library: file format, categories and the dialog's add and delete rules.
#include "adjust/filters/filterpresets.h"

#include <algorithm>

#include "core/prompt.h"

namespace adjust {

namespace {

bool SameIgnoringCase(const std::string& a, const std::string& b) {
    auto lower = [](unsigned char c) { return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c - 'A' + 'a') : c; };
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) {
               return lower(static_cast<unsigned char>(x)) == lower(static_cast<unsigned char>(y));
           });
}

constexpr const char* kCaptionCreateCategory = "Create category";
constexpr const char* kCaptionDeleteCategory = "Delete category";
constexpr const char* kCaptionAddFilter = "Add filter";
constexpr const char* kCaptionCreateFilter = "Create new filter";
constexpr const char* kCaptionDeleteFilter = "Delete filter";

}  // namespace

std::string CutPresetName(const std::string& name) {
    if (name.size() <= kFilterPresetNameMax) return name;
    size_t n = kFilterPresetNameMax;
    // Back off over UTF-8 continuation bytes so no character is split.
    while (n > 0 && (static_cast<unsigned char>(name[n]) & 0xC0) == 0x80) --n;
    return name.substr(0, n);
}

std::vector<uint8_t> SerializeFilterPresets(const std::vector<FilterPreset>& records) {
    ByteWriter w;
    w.Raw(std::string_view(kFilterPresetMagic));
    for (const FilterPreset& rec : records) {
        w.FixedString(CutPresetName(rec.category), kFilterPresetNameField);
        w.FixedString(CutPresetName(rec.name), kFilterPresetNameField);
        WriteFilterParams(w, rec.params);
    }
    return w.Take();
}

std::optional<std::vector<FilterPreset>> ParseFilterPresets(std::span<const uint8_t> bytes) {
    ByteReader r(bytes);
    if (!r.Expect(kFilterPresetMagic)) return std::nullopt;
    std::vector<FilterPreset> records;
    while (r.Remaining() >= kFilterPresetRecordSize) {
        FilterPreset rec;
        r.FixedString(kFilterPresetNameField, rec.category);
        r.FixedString(kFilterPresetNameField, rec.name);
        ReadFilterParams(r, rec.params);
        rec.category = CutPresetName(rec.category);
        rec.name = CutPresetName(rec.name);
        records.push_back(std::move(rec));
    }
    return records;
}

bool CFilterPresetLibrary::Load(const std::string& path, IPrompt* prompt) {
    m_records.clear();
    m_modified = false;
    const auto bytes = LoadWholeFile(path);
    auto records = bytes ? ParseFilterPresets(*bytes) : std::nullopt;
    if (!records) {
        if (prompt) prompt->Message("Unable to load presets!", "Error");
        return false;
    }
    m_records = std::move(*records);
    return true;
}

bool CFilterPresetLibrary::Save(const std::string& path, IPrompt* prompt) {
    if (!SaveWholeFile(path, SerializeFilterPresets(m_records))) {
        if (prompt) prompt->Message("Unable to save presets!", "Error");
        return false;
    }
    m_modified = false;
    return true;
}

void CFilterPresetLibrary::OfferSave(const std::string& path, IPrompt& prompt) {
    if (!m_modified) return;
    if (prompt.Ask("The presets have been modified. Do you want to save them?", "Save", PromptButtons::YesNo) ==
        PromptAnswer::Yes)
        Save(path, &prompt);
}

std::vector<std::string> CFilterPresetLibrary::Categories() const {
    std::vector<std::string> names;
    for (const FilterPreset& rec : m_records)
        if (std::find(names.begin(), names.end(), rec.category) == names.end()) names.push_back(rec.category);
    return names;
}

std::vector<size_t> CFilterPresetLibrary::FilterRecords(const std::string& category) const {
    std::vector<size_t> indexes;
    for (size_t i = 0; i < m_records.size(); ++i)
        if (m_records[i].category == category && !m_records[i].name.empty()) indexes.push_back(i);
    return indexes;
}

std::vector<std::string> CFilterPresetLibrary::FilterNames(const std::string& category) const {
    std::vector<std::string> names;
    for (size_t i : FilterRecords(category)) names.push_back(m_records[i].name);
    return names;
}

std::optional<std::string> CFilterPresetLibrary::CategoryAt(std::optional<size_t> index) const {
    if (!index) return std::nullopt;
    const std::vector<std::string> names = Categories();
    if (*index >= names.size()) return std::nullopt;
    return names[*index];
}

std::optional<size_t> CFilterPresetLibrary::NewCategory(IPrompt& prompt, const AskTextFn& askText) {
    const std::optional<std::string> typed = askText("New category", "Enter the category name:");
    if (!typed) return std::nullopt;
    if (typed->empty()) {
        prompt.Message("Please enter valid category name!", kCaptionCreateCategory);
        return std::nullopt;
    }
    // Cut before comparing, so two names that differ only past the cut are the same one.
    const std::string name = CutPresetName(*typed);
    if (name.empty()) {
        prompt.Message("Please enter valid category name!", kCaptionCreateCategory);
        return std::nullopt;
    }
    for (const FilterPreset& rec : m_records) {
        if (SameIgnoringCase(rec.category, name)) {
            prompt.Message("That category already exists!", kCaptionCreateCategory);
            return std::nullopt;
        }
    }
    m_records.push_back(FilterPreset{name, std::string(), PhotoFilterParams{}});
    m_modified = true;
    return Categories().size() - 1;
}

bool CFilterPresetLibrary::DeleteCategory(std::optional<size_t> selectedCategory, IPrompt& prompt) {
    const std::optional<std::string> category = CategoryAt(selectedCategory);
    if (!category) {
        prompt.Message("No category selected!", kCaptionDeleteCategory);
        return false;
    }
    if (SameIgnoringCase(*category, kProtectedPresetCategory)) {
        prompt.Message("Category 'Cokin' cannot be deleted!", kCaptionDeleteCategory);
        return false;
    }
    if (prompt.Ask("Are you sure?", kCaptionDeleteCategory, PromptButtons::YesNo) != PromptAnswer::Yes) return false;
    std::erase_if(m_records, [&](const FilterPreset& rec) { return rec.category == *category; });
    m_modified = true;
    return true;
}

std::optional<size_t> CFilterPresetLibrary::AddFilter(std::optional<size_t> selectedCategory,
                                                      const PhotoFilterParams& params, IPrompt& prompt,
                                                      const AskTextFn& askText) {
    const std::optional<std::string> category = CategoryAt(selectedCategory);
    if (!category) {
        prompt.Message("Select the category first!", kCaptionAddFilter);
        return std::nullopt;
    }
    const std::optional<std::string> typed = askText("New filter", "Enter the filter name:");
    // An empty name would make a record the filter list never shows.
    if (!typed || typed->empty()) return std::nullopt;
    const std::string name = CutPresetName(*typed);
    for (size_t i : FilterRecords(*category)) {
        if (SameIgnoringCase(m_records[i].name, name)) {
            prompt.Message("That filter already exists! Please choose another name.", kCaptionCreateFilter);
            return std::nullopt;
        }
    }
    m_records.push_back(FilterPreset{*category, name, params.Sanitized()});
    m_modified = true;
    return FilterRecords(*category).size() - 1;
}

bool CFilterPresetLibrary::DeleteFilter(std::optional<size_t> selectedCategory, std::optional<size_t> selectedFilter,
                                        IPrompt& prompt) {
    const std::optional<std::string> category = CategoryAt(selectedCategory);
    std::vector<size_t> records;
    if (category) records = FilterRecords(*category);
    if (!category || !selectedFilter || *selectedFilter >= records.size()) {
        prompt.Message("Select the category and the filter you wish to delete.", kCaptionDeleteFilter);
        return false;
    }
    if (prompt.Ask("Are you sure?", kCaptionDeleteFilter, PromptButtons::YesNo) != PromptAnswer::Yes) return false;
    m_records.erase(m_records.begin() + static_cast<ptrdiff_t>(records[*selectedFilter]));
    m_modified = true;
    return true;
}

}  // namespace adjust
