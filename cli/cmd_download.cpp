// download: copies the pictures of a folder (a card) or a camera into the dated folder tree,
// verifying every copy, and records the batch in download.history.
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <set>
#include <string>
#include <thread>

#include "command.h"
#include "core/prompt.h"
#include "download/camera.h"
#include "download/cameradevice.h"
#include "download/downloadengine.h"
#include "download/downloadhistory.h"
#include "download/folderdevice.h"
#include "platform/programfolder.h"
#include "settings/settings.h"

namespace cli {
namespace {

enum class OverwriteOption { Default, Ask, Yes, No };

struct DownloadOptions {
    std::string source;
    std::string root;
    std::string pattern;
    bool rootGiven = false, patternGiven = false;
    bool downloadTime = false;
    bool remove = false;
    OverwriteOption overwrite = OverwriteOption::Default;
    std::set<std::string> select;
};

bool ParseDownloadArgs(const Args& args, DownloadOptions& o) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        auto value = [&](std::string& out) {
            if (++i == args.size()) return false;
            out = args[i];
            return true;
        };
        if (arg == "--to") {
            if (!value(o.root)) return false;
            o.rootGiven = true;
        } else if (arg == "--pattern") {
            if (!value(o.pattern)) return false;
            o.patternGiven = true;
        } else if (arg == "--download-time") {
            o.downloadTime = true;
        } else if (arg == "--delete") {
            o.remove = true;
        } else if (arg == "--overwrite") {
            std::string v;
            if (!value(v)) return false;
            if (v == "ask") o.overwrite = OverwriteOption::Ask;
            else if (v == "yes") o.overwrite = OverwriteOption::Yes;
            else if (v == "no") o.overwrite = OverwriteOption::No;
            else return false;
        } else if (arg == "--select") {
            std::string v;
            if (!value(v)) return false;
            o.select.insert(v);
        } else if (arg.size() > 1 && arg[0] == '-') {
            return false;
        } else if (o.source.empty()) {
            o.source = arg;
        } else {
            return false;
        }
    }
    return !o.source.empty();
}

// Questions on the terminal; without one every question takes its safe answer.
class TerminalPrompt : public IPrompt {
public:
    explicit TerminalPrompt(bool interactive) : m_interactive(interactive) {}
    PromptAnswer Ask(const std::string& text, const std::string& caption, PromptButtons buttons) override {
        switch (buttons) {
        case PromptButtons::Ok: std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str()); return PromptAnswer::Ok;
        // The command line itself chose the files: all of them, or the --select ones.
        case PromptButtons::OkCancel: return PromptAnswer::Ok;
        case PromptButtons::YesNoCancel: return PromptAnswer::Yes;
        case PromptButtons::YesNo: return PromptAnswer::No;
        case PromptButtons::YesNoAllCancel: break;
        }
        if (!m_interactive) return PromptAnswer::No;
        for (;;) {
            std::fprintf(stderr, "%s\n[y]es, [n]o, yes to [a]ll, no to all [N], [c]ancel? ", text.c_str());
            std::string line;
            if (!std::getline(std::cin, line)) return PromptAnswer::Cancel;
            if (line == "y") return PromptAnswer::Yes;
            if (line == "n") return PromptAnswer::No;
            if (line == "a") return PromptAnswer::YesToAll;
            if (line == "N") return PromptAnswer::NoToAll;
            if (line == "c") return PromptAnswer::Cancel;
        }
    }

private:
    bool m_interactive;
};

class PrintReport : public IDownloadReport {
public:
    void Copied(const DownloadItem& item, const std::string& target) override {
        std::printf("copied %s -> %s\n", item.source.c_str(), target.c_str());
        std::fflush(stdout);
    }
    void Skipped(const DownloadItem& item, const std::string&) override {
        std::printf("skipped %s (exists)\n", item.source.c_str());
    }
    void Failed(const DownloadItem& item, const std::string& reason) override {
        std::printf("failed %s: %s\n", item.source.c_str(), reason.c_str());
    }
    void Deleted(const DownloadItem& item) override { std::printf("deleted %s\n", item.source.c_str()); }
};

// Turns Ctrl-C and termination requests into a cancel: the file being copied then leaves
// no partial file behind, and what was verified is kept and recorded. The signals are
// blocked before any other thread starts, so only this waiter ever receives them.
class SignalCancel {
public:
    explicit SignalCancel(std::atomic<bool>& cancel) {
        sigemptyset(&m_signals);
        for (int sig : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&m_signals, sig);
        pthread_sigmask(SIG_BLOCK, &m_signals, nullptr);
        m_waiter = std::thread([this, &cancel] {
            const timespec tick{0, 200 * 1000 * 1000};
            while (!m_finished.load())
                if (sigtimedwait(&m_signals, nullptr, &tick) > 0) cancel = true;
        });
    }
    ~SignalCancel() {
        m_finished = true;
        m_waiter.join();
    }

private:
    sigset_t m_signals{};
    std::atomic<bool> m_finished{false};
    std::thread m_waiter;
};

// Marks the items named by --select (by file name, by path, or by path below the source).
bool MarkSelected(std::vector<DownloadItem>& items, const std::string& sourceRoot, const std::set<std::string>& names,
                  std::string& missing) {
    std::set<std::string> found;
    for (DownloadItem& item : items) {
        std::string relative = item.source;
        if (!sourceRoot.empty() && relative.rfind(sourceRoot + "/", 0) == 0) relative = relative.substr(sourceRoot.size() + 1);
        for (const std::string& key : {item.name, item.source, relative})
            if (names.count(key)) {
                item.selected = true;
                found.insert(key);
            }
    }
    for (const std::string& name : names)
        if (!found.count(name)) {
            missing = name;
            return false;
        }
    return true;
}

int RunDownload(const Args& args) {
    DownloadOptions o;
    if (!ParseDownloadArgs(args, o)) return UsageError("download");
    CSettings& settings = CSettings::Get();

    const char* home = std::getenv("HOME");
    DownloadSettings ds =
        DownloadSettingsFrom(settings, false, std::string(home && *home ? home : ".") + "/Lumaret Photos");
    if (o.rootGiven) ds.root = o.root;
    if (o.patternGiven) ds.pattern = o.pattern;
    ds.useDownloadTime = ds.useDownloadTime || o.downloadTime;
    // The history records full paths.
    std::error_code ec;
    ds.root = std::filesystem::absolute(ds.root, ec).lexically_normal().string();
    const bool interactive = ::isatty(STDIN_FILENO) != 0;
    OverwriteOption overwrite = o.overwrite;
    if (overwrite == OverwriteOption::Default || (overwrite == OverwriteOption::Ask && !interactive))
        overwrite = interactive ? OverwriteOption::Ask : OverwriteOption::No;
    ds.overwrite = overwrite == OverwriteOption::Yes  ? OverwriteAnswer::YesToAll
                   : overwrite == OverwriteOption::No ? OverwriteAnswer::NoToAll
                                                      : OverwriteAnswer::Ask;
    ds.deletePolicy = o.remove ? DeletePolicy::Always : DeletePolicy::Never;

    std::atomic<bool> cancel{false};
    SignalCancel signalCancel(cancel);
    std::vector<DownloadItem> items;
    std::unique_ptr<CCameraSession> session;
    std::unique_ptr<IDownloadDevice> device;
    std::string error, sourceRoot;
    if (o.source.rfind("camera:", 0) == 0) {
        const std::string port = o.source.substr(7);
        const char* extra = std::getenv("LUMARET_CAMERAS");
        CameraId id;
        for (const CameraId& c : EnumerateCameras(extra ? extra : ""))
            if (c.port == port) id = c;
        if (id.model.empty()) return Fail("no camera on port '" + port + "'");
        session = CCameraSession::Open(id, error);
        if (!session) return Fail("cannot open camera '" + id.model + "': " + error);
        std::vector<CameraItem> files;
        if (session->List(files, error) != CameraError::None) return Fail("cannot list the camera: " + error);
        items = CCameraDevice::ItemsOf(files);
        device = std::make_unique<CCameraDevice>(*session, std::filesystem::temp_directory_path().string(), &cancel);
    } else {
        if (!std::filesystem::is_directory(o.source, ec)) return Fail("cannot open folder '" + o.source + "'");
        sourceRoot = o.source;
        while (sourceRoot.size() > 1 && sourceRoot.back() == '/') sourceRoot.pop_back();
        if (!CFolderDevice::ListItems(sourceRoot, items, error)) return Fail(error);
        device = std::make_unique<CFolderDevice>(sourceRoot);
    }
    std::string missing;
    if (!o.select.empty() && !MarkSelected(items, sourceRoot, o.select, missing))
        return Fail("no file '" + missing + "' in " + o.source);

    CDownloadHistory history(platform::UserFile("download.history").string());
    history.Load();
    TerminalPrompt prompt(interactive);
    PrintReport report;
    CDownloadEngine engine(*device, history, &prompt, &report, nullptr);
    const DownloadSummary s = engine.Run(items, ds, cancel, std::time(nullptr));
    if (s.cancelled) std::fprintf(stderr, "lumaret-cli: download cancelled\n");
    std::fflush(stdout);
    std::fprintf(stderr, "downloaded %d skipped %d failed %d deleted %d\n", s.copied, s.skipped, s.failed, s.deleted);
    return s.failed > 0 || s.cancelled ? kExitFailure : kExitOk;
}

const CommandRegistration kDownload({"download",
                                     "download SOURCE [--to ROOT] [--pattern PATTERN] [--download-time] [--delete]\n"
                                     "  [--overwrite ask|yes|no] [--select NAME]...\n"
                                     " SOURCE is a folder (a memory card) or camera:PORT",
                                     RunDownload});

}  // namespace
}  // namespace cli
