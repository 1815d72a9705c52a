// update: checks the update server (--check) or downloads and stages the updates (--download);
// lumaret-copy then applies them once lumaret-cli has ended.
#include <unistd.h>

#include <cstdio>
#include <string>

#include "command.h"
#include "platform/programfolder.h"
#include "settings/settings.h"
#include "updater/launchcopy.h"
#include "updater/updater.h"

namespace cli {
namespace {

// Prints the updater's messages on stdout when `echo` is set.
class CConsoleView final : public updater::IUpdaterView {
public:
    explicit CConsoleView(bool echo) : m_echo(echo) {}
    void AppendMessage(const std::string& text) override {
        if (m_echo) std::printf("%s\n", text.c_str());
    }
    void SetOkEnabled(bool) override {}
    void SetOkText(const std::string&) override {}
    void SetProgress(int, int) override {}
    void SetEcho(bool echo) { m_echo = echo; }

private:
    bool m_echo;
};

// Message boxes repeat what the view already printed; questions are answered OK.
class CQuietPrompt final : public IPrompt {
public:
    PromptAnswer Ask(const std::string&, const std::string&, PromptButtons) override { return PromptAnswer::Ok; }
};

int Refuse(const std::string& why) {
    std::fprintf(stderr, "lumaret-cli: %s\n", why.c_str());
    return kExitFailure;
}

int RunUpdate(const Args& args) {
    if (args.size() != 1 || (args[0] != "--check" && args[0] != "--download")) return UsageError("update");
    const bool download = args[0] == "--download";

    const std::filesystem::path folder = platform::ProgramFolder();
    if (!updater::SelfUpdateAllowedHere()) return Refuse(updater::kPackagedText);
    const updater::EnvironmentConfig environment = updater::ConfigFromEnvironment();
    if (!environment.error.empty()) return Refuse(environment.error);

    updater::UpdaterConfig config;
    config.folder = folder;
    config.publicKeyPem = environment.publicKeyPem;
    const auto http = updater::MakeHttpsClient(environment.https);
    CQuietPrompt prompt;
    CConsoleView view(false);
    updater::UpdateSession session;
    updater::CUpdater updater(config, CSettings::Get(), *http, prompt, &view, session);

    switch (updater.Check()) {
        case updater::CheckOutcome::NoUpdates: std::printf("%s\n", updater::kNoUpdatesText); return kExitOk;
        case updater::CheckOutcome::ConnectionFailed:
        case updater::CheckOutcome::Refused:
        case updater::CheckOutcome::LocalFailure:
        case updater::CheckOutcome::Cancelled: return Refuse(updater.LastError());
        case updater::CheckOutcome::UpdatesAvailable: break;
    }
    if (!download) {
        for (const updater::FileListEntry& entry : updater.Entries())
            if (entry.flags & updater::kMustDownload)
                std::printf("%s -> %s\n", entry.name.c_str(), entry.localPath.c_str());
        return kExitOk;
    }

    view.SetEcho(true);
    if (updater.Download() != updater::DownloadOutcome::Downloaded) return Refuse(updater.LastError());
    if (session.updatesPending) {
        std::string error;
        if (!updater::StartCopier(updater::CopierPath(), ::getpid(), error)) return Refuse(error);
    }
    return kExitOk;
}

const CommandRegistration updateRegistration{
    {"update",
     "update --check\n"
     " lists the files the update server has newer versions of\n"
     "update --download\n"
     " downloads and verifies them; lumaret-copy puts them in place when lumaret-cli ends",
     &RunUpdate}};

}  // namespace
}  // namespace cli
