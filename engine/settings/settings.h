#pragma once
// CSettings: every persistent preference of the program, kept in settings.xml in the
// program folder. Callers read and assign the fields directly and call Save afterwards.
#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

class CSettings {
public:
    // The one settings object of the process, loaded from the program folder on first use.
    static CSettings& Get();

    // Settings kept in `folder`/settings.xml: the defaults, then whatever the file holds.
    explicit CSettings(std::filesystem::path folder);

    // Puts every field back to its default.
    void SetDefaults();
    // Sets the defaults and reads the file over them; false when the file is missing or
    // is not a settings document (the defaults then stand).
    bool Load();
    // Writes the whole file from the fields, replacing the old file only once the new one is
    // complete; false, with the old file untouched, when it cannot be written.
    bool Save() const;
    // The same, with the reason for a failure in `error`.
    bool Save(std::string& error) const;
    // Where the settings file lives.
    std::filesystem::path FilePath() const { return m_folder / "settings.xml"; }

    // Every stored setting as (attribute name, value as text), in the order of the file.
    std::vector<std::pair<std::string, std::string>> Entries() const;

    enum class SetResult { Ok, UnknownName, NotAnInteger };
    // Sets the stored setting with this attribute name from text; integers must be whole
    // decimal numbers in 32-bit range, anything else leaves the field alone.
    SetResult SetEntry(const std::string& name, const std::string& value);

    enum class UpdateFrequency { Always, Weekly, Monthly, Never, Other };
    // `Frequency` read without regard to case; empty means Always, unknown text Other.
    UpdateFrequency GetUpdateFrequency() const;

    // Grey level 0..255 of the editor window background.
    int32_t WindowColor = 100;
    // Folder of the thumbnail database files.
    std::string ThumbnailDatabase;
    // Root folder of downloaded pictures.
    std::string ImageDownloadDir;
    // "Always", "Weekly", "Monthly" or "Never" (any case); empty means "Always".
    std::string Frequency;
    // Local date of the last successful update check, as "%B %d, %Y".
    std::string LastUpdate;
    // Folder naming pattern of downloads, made of strftime shortcuts.
    std::string Shortcut;
    // 0: the naming pattern uses the date taken; 1: the time of the download.
    int32_t ShortcutAppliesToDownloadedTime = 0;
    // 1: start when a memory card or other medium is inserted.
    int32_t Autoplay = 1;
    // 1: start when a camera is connected.
    int32_t Autostart = 1;
    // 1: when started by a camera or card, download at once.
    int32_t ClicklessDownload = 1;
    // 1: after a clickless download, delete what was downloaded from the device.
    int32_t ClicklessDownloadDelete = 0;
    // 2: show the welcome dialog at start-up; 1: do not.
    int32_t DisplayWelcomeDialog = 2;
    // 1: the setup wizard has not been completed and runs at start-up; 2: it has.
    int32_t SetupCompleted = 1;
    // 1: local folders load and keep thumbnail database files. Not stored in the file.
    int32_t UseThumbnailDatabase = 1;

private:
    std::filesystem::path m_folder;
};
