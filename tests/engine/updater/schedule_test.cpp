// When the silent check is due, from the frequency and the last check date; where updating is allowed.
#include <gtest/gtest.h>

#include <filesystem>

#include "tempdir.h"
#include "updater/schedule.h"
#include "updater/updater.h"

namespace {

using updater::FormatCheckDate;
using updater::IsSilentCheckDue;
using Frequency = CSettings::UpdateFrequency;

// Local noon of 15 March 2026, away from midnight so that a daylight-saving hour cannot move
// a case across its threshold.
std::time_t Noon() {
    std::tm t{};
    t.tm_year = 126;
    t.tm_mon = 2;
    t.tm_mday = 15;
    t.tm_hour = 12;
    t.tm_isdst = -1;
    return std::mktime(&t);
}

TEST(Schedule, DueFromFrequencyAndDaysSinceLastCheck) {
    const struct {
        Frequency frequency;
        int daysAgo;  // -1: no last check recorded
        bool due;
    } cases[] = {
        {Frequency::Always, -1, true},  {Frequency::Never, -1, true},    {Frequency::Other, -1, true},
        {Frequency::Always, 0, false},  {Frequency::Always, 1, true},    {Frequency::Weekly, 6, false},
        {Frequency::Weekly, 7, true},   {Frequency::Monthly, 29, false}, {Frequency::Monthly, 30, true},
        {Frequency::Never, 400, false}, {Frequency::Other, 400, false},
    };
    const std::time_t now = Noon();
    for (const auto& c : cases) {
        const std::string last = c.daysAgo < 0 ? "" : FormatCheckDate(now - std::time_t(c.daysAgo) * 86400);
        EXPECT_EQ(IsSilentCheckDue(c.frequency, last, now), c.due)
            << "frequency " << int(c.frequency) << ", last check '" << last << "'";
    }
}

TEST(Schedule, UnreadableDateCountsAsLongAgo) {
    EXPECT_TRUE(IsSilentCheckDue(Frequency::Monthly, "sometime last spring", Noon()));
    EXPECT_FALSE(IsSilentCheckDue(Frequency::Never, "sometime last spring", Noon()));
}

TEST(Schedule, DateTextIsEnglishAndReadsBack) {
    const std::time_t now = Noon();
    EXPECT_EQ(FormatCheckDate(now), "March 15, 2026");
    const auto midnight = updater::ParseCheckDate("March 15, 2026");
    ASSERT_TRUE(midnight);
    EXPECT_EQ((now - *midnight) / 3600, 12);
    EXPECT_FALSE(updater::ParseCheckDate("15/03/2026"));
}

TEST(SelfUpdate, OnlyWritableFoldersOutsideTheSystemsOwn) {
    const testsupport::TempDir dir("selfupdate");
    const std::filesystem::path& mine = dir.Path();
    std::filesystem::create_directories(mine / "data");
    EXPECT_TRUE(updater::SelfUpdateAllowed(mine));
    EXPECT_FALSE(updater::SelfUpdateAllowed("/usr/bin"));  // even for root: the package manager's
    EXPECT_FALSE(updater::SelfUpdateAllowed(mine / "missing"));
}

}  // namespace
