#include "setup/settingspages.h"

namespace setup {

DirectoriesPage ReadDirectoriesPage(const CSettings& settings) {
    return {settings.ImageDownloadDir, settings.Shortcut, settings.ShortcutAppliesToDownloadedTime == 1};
}

void ApplyDirectoriesPage(const DirectoriesPage& page, CSettings& settings) {
    settings.Shortcut = page.pattern;
    settings.ImageDownloadDir = page.root;
    settings.ShortcutAppliesToDownloadedTime = page.useDownloadTime ? 1 : 0;
}

const char* FrequencyWord(UpdateChoice choice) {
    switch (choice) {
        case UpdateChoice::Daily: return "Always";
        case UpdateChoice::Weekly: return "Weekly";
        case UpdateChoice::Monthly: return "Monthly";
        case UpdateChoice::Never: return "Never";
    }
    return "Always";
}

UpdatesPage ReadUpdatesPage(const CSettings& settings) {
    UpdatesPage page;
    switch (settings.GetUpdateFrequency()) {
        case CSettings::UpdateFrequency::Always: page.shown = UpdateChoice::Daily; break;
        case CSettings::UpdateFrequency::Weekly: page.shown = UpdateChoice::Weekly; break;
        case CSettings::UpdateFrequency::Monthly: page.shown = UpdateChoice::Monthly; break;
        case CSettings::UpdateFrequency::Never: page.shown = UpdateChoice::Never; break;
        case CSettings::UpdateFrequency::Other: break;
    }
    return page;
}

void ApplyUpdatesPage(const UpdatesPage& page, CSettings& settings) {
    if (page.clicked)
        settings.Frequency = FrequencyWord(*page.clicked);
    else if (settings.Frequency.empty())
        settings.Frequency = FrequencyWord(UpdateChoice::Daily);
}

AutorunChoices ReadAutorunPage(const CSettings& settings) {
    AutorunChoices choices;
    choices.media = settings.Autoplay != 0;
    choices.camera = settings.Autostart != 0;
    choices.clickless = settings.ClicklessDownload != 0;
    choices.deleteAfter = settings.ClicklessDownloadDelete != 0;
    return choices;
}

void ApplyAutorunChoices(const AutorunChoices& choices, CSettings& settings) {
    settings.Autoplay = choices.media ? 1 : 0;
    settings.Autostart = choices.camera ? 1 : 0;
    settings.ClicklessDownloadDelete = choices.deleteAfter ? 1 : 0;
    settings.ClicklessDownload = choices.clickless ? 1 : 0;
    if (!choices.clickless) settings.ClicklessDownloadDelete = 0;
}

std::string WizardNamingPattern(const CSettings& settings) {
    return settings.Shortcut.empty() ? std::string(kDefaultNamingPattern) : settings.Shortcut;
}

std::string WizardThumbnailFolder(const CSettings& settings, const std::string& defaultFolder) {
    return settings.ThumbnailDatabase.empty() ? defaultFolder : settings.ThumbnailDatabase;
}

void MarkSetupCompleted(CSettings& settings) { settings.SetupCompleted = 2; }

bool SetupNeeded(const CSettings& settings, bool installFlag) {
    return installFlag || settings.SetupCompleted != 2;
}

const char* NamingHelpText() {
    return "%a\tAbbreviated weekday name\n"
           "%A\tFull weekday name\n"
           "%b\tAbbreviated month name\n"
           "%B\tFull month name\n"
           "%c\tDate and time representation appropriate for locale\n"
           "%d\tDay of month as decimal number (01 - 31)\n"
           "%H\tHour in 24-hour format (00 - 23)\n"
           "%I\tHour in 12-hour format (01 - 12)\n"
           "%j\tDay of year as decimal number (001 - 366)\n"
           "%m\tMonth as decimal number (01 - 12)\n"
           "%M\tMinute as decimal number (00 - 59)\n"
           "%p\tCurrent locale's A.M./P.M. indicator for 12-hour clock\n"
           "%S\tSecond as decimal number (00 - 59)\n"
           "%U\tWeek of year as decimal number, with Sunday as first day of week (00 - 53)\n"
           "%w\tWeekday as decimal number (0 - 6; Sunday is 0)\n"
           "%W\tWeek of year as decimal number, with Monday as first day of week (00 - 53)\n"
           "%x\tDate representation for current locale\n"
           "%X\tTime representation for current locale\n"
           "%y\tYear without century, as decimal number (00 - 99)\n"
           "%Y\tYear with century, as decimal number\n"
           "\n"
           "Example:\t%Y/%B/%d translates to 2005/March/05";
}

}  // namespace setup
