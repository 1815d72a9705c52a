// settings: lists the stored settings of the program folder, or changes one and saves.
#include <cstdio>
#include <string>

#include "command.h"
#include "settings/settings.h"

namespace cli {
namespace {

int RunSettings(const Args& args) {
    CSettings& settings = CSettings::Get();
    if (args.empty()) {
        for (const auto& [name, value] : settings.Entries())
            std::printf("%s=%s\n", name.c_str(), value.c_str());
        return kExitOk;
    }
    if (args.size() != 3 || args[0] != "set") return UsageError("settings");

    const std::string& name = args[1];
    switch (settings.SetEntry(name, args[2])) {
        case CSettings::SetResult::UnknownName:
            return Fail("unknown setting '" + name + "'");
        case CSettings::SetResult::NotAnInteger:
            return Fail(name + " takes a whole number, not '" + args[2] + "'");
        case CSettings::SetResult::Ok:
            break;
    }
    std::string error;
    if (!settings.Save(error)) {
        std::fprintf(stderr, "lumaret-cli: cannot write %s: %s\n", settings.FilePath().c_str(), error.c_str());
        return kExitFailure;
    }
    return kExitOk;
}

const CommandRegistration settingsRegistration{
    {"settings", "settings\nsettings set NAME VALUE", &RunSettings}};

}  // namespace
}  // namespace cli
