// The program folder: $LUMARET_HOME first, else the executable's own folder.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "platform/programfolder.h"

namespace {

namespace fs = std::filesystem;

// Sets or clears LUMARET_HOME for the length of a test and puts the old value back.
class HomeVariable {
public:
    explicit HomeVariable(const char* value) {
        if (const char* old = std::getenv("LUMARET_HOME")) m_old = old;
        if (value) setenv("LUMARET_HOME", value, 1);
        else unsetenv("LUMARET_HOME");
    }
    ~HomeVariable() {
        if (m_old) setenv("LUMARET_HOME", m_old->c_str(), 1);
        else unsetenv("LUMARET_HOME");
    }

private:
    std::optional<std::string> m_old;
};

TEST(ProgramFolder, EnvironmentVariableWins) {
    HomeVariable home("/srv/lumaret home");
    EXPECT_EQ(platform::ProgramFolder(), fs::path("/srv/lumaret home"));
    EXPECT_EQ(platform::ProgramFile("data/exif.template.html"),
              fs::path("/srv/lumaret home/data/exif.template.html"));
}

TEST(ProgramFolder, OtherwiseTheExecutablesFolder) {
    for (const char* value : {static_cast<const char*>(nullptr), ""}) {
        HomeVariable home(value);
        EXPECT_TRUE(fs::equivalent(platform::ProgramFolder(), fs::path(LUMARET_BIN_DIR)));
        EXPECT_EQ(platform::ProgramFile("settings.xml").filename(), "settings.xml");
    }
}

}  // namespace
