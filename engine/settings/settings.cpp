#include "settings/settings.h"

#include <tinyxml2.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <system_error>

#include "platform/programfolder.h"
#include "platform/safewrite.h"

using tinyxml2::XMLDocument;
using tinyxml2::XMLElement;

namespace {

// One stored setting: its place in the file and the field that holds it.
struct Key {
    const char* element;
    const char* attribute;
    int32_t CSettings::*integer;
    std::string CSettings::*text;
};

// The file's layout: elements in this order, each with its attributes in this order.
const Key kKeys[] = {
    {"GUI", "WindowColor", &CSettings::WindowColor, nullptr},
    {"GUI", "DisplayWelcomeDialog", &CSettings::DisplayWelcomeDialog, nullptr},
    {"Paths", "ThumbnailDatabase", nullptr, &CSettings::ThumbnailDatabase},
    {"Paths", "ImageDownloadDir", nullptr, &CSettings::ImageDownloadDir},
    {"Paths", "Shortcut", nullptr, &CSettings::Shortcut},
    {"Paths", "ShortcutAppliesToDownloadedTime", &CSettings::ShortcutAppliesToDownloadedTime, nullptr},
    {"System", "Autoplay", &CSettings::Autoplay, nullptr},
    {"System", "Autostart", &CSettings::Autostart, nullptr},
    {"System", "ClicklessDownload", &CSettings::ClicklessDownload, nullptr},
    {"System", "ClicklessDownloadDelete", &CSettings::ClicklessDownloadDelete, nullptr},
    {"System", "SetupCompleted", &CSettings::SetupCompleted, nullptr},
    {"Updates", "Frequency", nullptr, &CSettings::Frequency},
    {"Updates", "LastUpdate", nullptr, &CSettings::LastUpdate},
};

constexpr const char* kRoot = "Lumaret_Settings";
// A settings file is a few hundred bytes; anything far larger is not one.
constexpr std::uintmax_t kMaxFileBytes = 1 << 20;

// The library's integer query, except that a number beyond 32 bits counts as not a number
// instead of wrapping around.
void QueryInteger(const XMLElement& element, const char* name, int32_t& field) {
    const char* text = element.Attribute(name);
    if (!text) return;
    errno = 0;
    char* end = nullptr;
    if (tinyxml2::XMLUtil::IsPrefixHex(text)) {
        const unsigned long long value = std::strtoull(text, &end, 16);
        if (end == text || errno == ERANGE || value > UINT32_MAX) return;
    } else {
        const long long value = std::strtoll(text, &end, 10);
        if (end == text || errno == ERANGE || value < INT32_MIN || value > INT32_MAX) return;
    }
    int value = 0;
    if (element.QueryIntAttribute(name, &value) == tinyxml2::XML_SUCCESS) field = value;
}

// A whole decimal number in 32-bit range, nothing before or after it.
bool ParseWholeInteger(const std::string& text, int32_t& out) {
    if (text.empty()) return false;
    size_t i = (text[0] == '-' || text[0] == '+') ? 1 : 0;
    if (i == text.size()) return false;
    for (size_t j = i; j < text.size(); ++j)
        if (text[j] < '0' || text[j] > '9') return false;
    errno = 0;
    const long long value = std::strtoll(text.c_str(), nullptr, 10);
    if (errno == ERANGE || value < INT32_MIN || value > INT32_MAX) return false;
    out = static_cast<int32_t>(value);
    return true;
}

bool EqualsIgnoringCase(const std::string& a, const char* b) {
    size_t i = 0;
    for (; i < a.size() && b[i]; ++i) {
        const char x = (a[i] >= 'A' && a[i] <= 'Z') ? static_cast<char>(a[i] + 32) : a[i];
        const char y = (b[i] >= 'A' && b[i] <= 'Z') ? static_cast<char>(b[i] + 32) : b[i];
        if (x != y) return false;
    }
    return i == a.size() && b[i] == '\0';
}

// The file's bytes, or false when it is missing, not a regular file, too large or unreadable.
bool ReadSmallFile(const std::filesystem::path& path, std::string& bytes) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return false;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error || size > kMaxFileBytes) return false;
    std::ifstream file(path, std::ios::binary);
    if (!file) return false;
    bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    return !file.bad() && bytes.size() <= kMaxFileBytes;
}

}  // namespace

CSettings& CSettings::Get() {
    static CSettings settings(platform::SettingsFolder());
    return settings;
}

CSettings::CSettings(std::filesystem::path folder) : m_folder(std::move(folder)) { Load(); }

void CSettings::SetDefaults() {
    WindowColor = 100;
    ThumbnailDatabase.clear();
    ImageDownloadDir.clear();
    Frequency.clear();
    LastUpdate.clear();
    Shortcut.clear();
    ShortcutAppliesToDownloadedTime = 0;
    Autoplay = 1;
    Autostart = 1;
    ClicklessDownload = 1;
    ClicklessDownloadDelete = 0;
    DisplayWelcomeDialog = 2;
    SetupCompleted = 1;
    UseThumbnailDatabase = 1;
}

bool CSettings::Load() {
    SetDefaults();
    std::string bytes;
    if (!ReadSmallFile(FilePath(), bytes)) return false;
    XMLDocument doc;
    if (doc.Parse(bytes.data(), bytes.size()) != tinyxml2::XML_SUCCESS) return false;
    const XMLElement* root = doc.FirstChildElement(kRoot);
    if (!root) return false;
    for (const Key& key : kKeys) {
        const XMLElement* element = root->FirstChildElement(key.element);
        if (!element) continue;
        if (key.integer) {
            QueryInteger(*element, key.attribute, this->*key.integer);
        } else {
            const char* value = element->Attribute(key.attribute);
            this->*key.text = value ? value : "";
        }
    }
    return true;
}

bool CSettings::Save(std::string& error) const {
    XMLDocument doc;
    doc.InsertEndChild(doc.NewDeclaration("xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\""));
    XMLElement* root = doc.NewElement(kRoot);
    doc.InsertEndChild(root);
    XMLElement* element = nullptr;
    for (const Key& key : kKeys) {
        if (!element || std::string(element->Name()) != key.element)
            element = root->InsertNewChildElement(key.element);
        if (key.integer) element->SetAttribute(key.attribute, this->*key.integer);
        else element->SetAttribute(key.attribute, (this->*key.text).c_str());
    }
    tinyxml2::XMLPrinter printer;
    doc.Print(&printer);
    const size_t length = static_cast<size_t>(printer.CStrSize()) - 1;  // without the NUL
    // A new file replaces the old one only when complete: a crash or a full disk during the
    // save leaves the previous settings, never an empty or cut file.
    return platform::ReplaceFileWithBytes(
            FilePath().string(), {reinterpret_cast<const uint8_t*>(printer.CStr()), length}, error);
}

bool CSettings::Save() const {
    std::string error;
    return Save(error);
}

std::vector<std::pair<std::string, std::string>> CSettings::Entries() const {
    std::vector<std::pair<std::string, std::string>> entries;
    for (const Key& key : kKeys) {
        entries.emplace_back(key.attribute,
                             key.integer ? std::to_string(this->*key.integer) : this->*key.text);
    }
    return entries;
}

CSettings::SetResult CSettings::SetEntry(const std::string& name, const std::string& value) {
    for (const Key& key : kKeys) {
        if (name != key.attribute) continue;
        if (!key.integer) {
            this->*key.text = value;
            return SetResult::Ok;
        }
        int32_t number = 0;
        if (!ParseWholeInteger(value, number)) return SetResult::NotAnInteger;
        this->*key.integer = number;
        return SetResult::Ok;
    }
    return SetResult::UnknownName;
}

CSettings::UpdateFrequency CSettings::GetUpdateFrequency() const {
    if (Frequency.empty() || EqualsIgnoringCase(Frequency, "Always")) return UpdateFrequency::Always;
    if (EqualsIgnoringCase(Frequency, "Weekly")) return UpdateFrequency::Weekly;
    if (EqualsIgnoringCase(Frequency, "Monthly")) return UpdateFrequency::Monthly;
    if (EqualsIgnoringCase(Frequency, "Never")) return UpdateFrequency::Never;
    return UpdateFrequency::Other;
}
