// autoplay: shows the autorun settings and the autoplay files registered for this user, or
// changes them as the Autorun page's Apply does.
#include <cstdio>
#include <string>
#include <vector>

#include "command.h"
#include "settings/settings.h"
#include "setup/autoplay.h"

namespace cli {
namespace {

const char* Shown(bool present) { return present ? "yes" : "no"; }

void PrintAutoplay(const CSettings& settings, const setup::AutoplayLocations& where) {
    std::printf("Autoplay=%d\nAutostart=%d\nClicklessDownload=%d\nClicklessDownloadDelete=%d\n", settings.Autoplay,
                settings.Autostart, settings.ClicklessDownload, settings.ClicklessDownloadDelete);
    const setup::AutoplayState state = setup::QueryAutoplay(where);
    std::printf("card handler: %s %s\n", Shown(state.cardHandler), where.CardHandlerEntry().c_str());
    std::printf("card default: %s %s\n", Shown(state.cardDefault), where.MimeAppsList().c_str());
    std::printf("solid action: %s %s\n", Shown(state.solidAction), where.SolidAction().c_str());
    std::printf("camera watcher: %s %s\n", Shown(state.cameraWatch), where.AutostartEntry().c_str());
}

bool ParseSwitch(const std::string& text, bool& value) {
    if (text == "on") value = true;
    else if (text == "off") value = false;
    else return false;
    return true;
}

int RunAutoplay(const Args& args) {
    CSettings& settings = CSettings::Get();
    const setup::AutoplayLocations where = setup::AutoplayLocations::FromEnvironment(platform::ProcessEnvironment());
    if (args.empty()) {
        PrintAutoplay(settings, where);
        return kExitOk;
    }
    setup::AutorunChoices choices = setup::ReadAutorunPage(settings);
    if (args.size() % 2 != 0) return UsageError("autoplay");
    for (size_t i = 0; i < args.size(); i += 2) {
        bool on = false;
        if (!ParseSwitch(args[i + 1], on)) return Fail(args[i] + " takes on or off, not '" + args[i + 1] + "'");
        if (args[i] == "--media") choices.media = on;
        else if (args[i] == "--camera") choices.camera = on;
        else if (args[i] == "--clickless") choices.SetClickless(on);
        else if (args[i] == "--delete") choices.deleteAfter = on;
        else return UsageError("autoplay");
    }
    // Deleting applies only to clickless downloads, whatever order the options came in.
    if (!choices.clickless) choices.deleteAfter = false;

    std::vector<std::string> errors;
    const bool saved = setup::ApplyAutorun(choices, settings, where, setup::ProgramExecutable(), errors);
    for (const std::string& error : errors) std::fprintf(stderr, "lumaret-cli: %s\n", error.c_str());
    if (!saved) std::fprintf(stderr, "lumaret-cli: cannot write %s\n", settings.FilePath().c_str());
    PrintAutoplay(settings, where);
    return saved && errors.empty() ? kExitOk : kExitFailure;
}

const CommandRegistration autoplayRegistration{
    {"autoplay", "autoplay\nautoplay [--media on|off] [--camera on|off] [--clickless on|off] [--delete on|off]",
     &RunAutoplay}};

}  // namespace
}  // namespace cli
