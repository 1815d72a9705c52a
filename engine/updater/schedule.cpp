#include "updater/schedule.h"

#include <iomanip>
#include <locale>
#include <sstream>

namespace updater {

std::string FormatCheckDate(std::time_t now) {
    std::tm local{};
    localtime_r(&now, &local);
    std::ostringstream out;
    // The classic locale keeps the month names English whatever the user's locale is, so the
    // text reads back the same everywhere.
    out.imbue(std::locale::classic());
    out << std::put_time(&local, "%B %d, %Y");
    return out.str();
}

std::optional<std::time_t> ParseCheckDate(const std::string& text) {
    std::tm date{};
    std::istringstream in(text);
    in.imbue(std::locale::classic());
    in >> std::get_time(&date, "%B %d, %Y");
    if (in.fail()) return std::nullopt;
    date.tm_hour = date.tm_min = date.tm_sec = 0;
    date.tm_isdst = -1;
    const std::time_t midnight = std::mktime(&date);
    if (midnight == static_cast<std::time_t>(-1)) return std::nullopt;
    return midnight;
}

bool IsSilentCheckDue(CSettings::UpdateFrequency frequency, const std::string& lastUpdate, std::time_t now) {
    if (lastUpdate.empty()) return true;
    long long hoursNeeded = 0;
    switch (frequency) {
        case CSettings::UpdateFrequency::Always: hoursNeeded = 24; break;
        case CSettings::UpdateFrequency::Weekly: hoursNeeded = 168; break;
        case CSettings::UpdateFrequency::Monthly: hoursNeeded = 720; break;
        case CSettings::UpdateFrequency::Never:
        case CSettings::UpdateFrequency::Other: return false;
    }
    const std::optional<std::time_t> last = ParseCheckDate(lastUpdate);
    if (!last) return true;  // the earliest date: long overdue
    const long long hours = (static_cast<long long>(now) - static_cast<long long>(*last)) / 3600;
    return hours > hoursNeeded;
}

}  // namespace updater
