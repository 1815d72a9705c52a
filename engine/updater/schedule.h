#pragma once
// When the silent update check at start-up is due, and the date text it leaves in the settings.
#include <ctime>
#include <optional>
#include <string>

#include "settings/settings.h"

namespace updater {

// Today (local time) as "%B %d, %Y" with English month names, e.g. "March 05, 2026".
std::string FormatCheckDate(std::time_t now);
// Local midnight of a date written by FormatCheckDate; nullopt when the text is not one.
std::optional<std::time_t> ParseCheckDate(const std::string& text);

// True when a silent check is due: always when `lastUpdate` is empty; otherwise when more than
// 24 (Always), 168 (Weekly) or 720 (Monthly) whole hours have passed since that date's midnight.
// An unreadable date counts as long ago; Never and unknown frequencies never check.
bool IsSilentCheckDue(CSettings::UpdateFrequency frequency, const std::string& lastUpdate, std::time_t now);

}  // namespace updater
