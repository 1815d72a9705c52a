#pragma once
// CUpdater: checks the update server's signed file list, decides which program files differ,
// downloads and verifies them into the staging folder "Update" and leaves the job file that
// lumaret-copy applies when the program has ended.
#include <atomic>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "core/prompt.h"
#include "settings/settings.h"
#include "updater/filelist.h"
#include "updater/http.h"

namespace updater {

// Where the updater works and whom it trusts.
struct UpdaterConfig {
    std::filesystem::path folder;     // the program folder
    std::string publicKeyPem;         // the key the list's signature must verify with
    std::function<std::time_t()> now = [] { return std::time(nullptr); };
    uint64_t maxListBytes = 4u << 20;
    uint64_t maxFileBytes = 512ull << 20;
};

// The updater's state for the rest of the process; owned by the application.
struct UpdateSession {
    std::atomic<bool> updatedInThisRun{false};  // files were downloaded: checking again is refused
    std::atomic<bool> updatesPending{false};    // lumaret-copy must run at exit
};

// What the interactive dialog shows; every call may come from the worker thread.
class IUpdaterView {
public:
    virtual ~IUpdaterView() = default;
    // Appends one line to the message list.
    virtual void AppendMessage(const std::string& text) = 0;
    // Enables or disables the OK button.
    virtual void SetOkEnabled(bool enabled) = 0;
    // Sets the OK button's text ("Update", "Done").
    virtual void SetOkText(const std::string& text) = 0;
    // Moves the bars: the current file and the whole download, each 0..100.
    virtual void SetProgress(int filePercent, int totalPercent) = 0;
};

enum class UpdaterState { Idle, UpdatesAvailable = 2, Finished = 3 };

enum class CheckOutcome {
    NoUpdates,
    UpdatesAvailable,
    ConnectionFailed,  // the server could not be reached
    Refused,           // the list was not signed by the maker, or names files outside the folder
    LocalFailure,      // data/version.info could not be written
    Cancelled,
};

enum class DownloadOutcome { Downloaded, Failed, Cancelled, NothingToDo };

// Program texts the dialog and lumaret-cli share.
inline constexpr char kNoUpdatesText[] = "There are no updates available at this time.";
inline constexpr char kRestartFirstText[] = "You must restart Lumaret before checking again!";
inline constexpr char kPackagedText[] =
    "This copy of Lumaret was installed with the system's packages: updates come with the system's packages.";

class CUpdater {
public:
    // `view` is null for the silent check; messages then go nowhere and only the
    // "updates available" box is shown through `prompt`.
    CUpdater(UpdaterConfig config, CSettings& settings, IHttpClient& http, IPrompt& prompt, IUpdaterView* view,
             UpdateSession& session);

    // Fetches and verifies the list, decides what to download and records the check date.
    CheckOutcome Check();
    // Downloads and verifies every file the check marked, stages them and writes the job.
    DownloadOutcome Download();
    // When files were downloaded earlier in this run, tells the user to restart first and returns
    // true: the dialog then closes without checking.
    static bool RefuseWhenUpdated(const UpdateSession& session, IPrompt& prompt);

    // Asks a running Check or Download to stop at the next block.
    void Cancel() { m_cancel = true; }

    UpdaterState State() const { return m_state; }
    // The entries of the last accepted list, with their flags set by the decision.
    const std::vector<FileListEntry>& Entries() const { return m_entries; }
    // How many files the last check marked for download.
    int DownloadCount() const { return m_count; }
    bool NewerVersionPending() const { return m_newerVersionPending; }
    // The reason of the last refusal or failure, for lumaret-cli.
    const std::string& LastError() const { return m_lastError; }

private:
    void Say(const std::string& text);
    void Finish();
    bool StoreCheckDate();
    bool FetchToString(const std::string& path, uint64_t maxBytes, std::string& out, HttpResult& result);
    bool Decide(std::string& error);
    bool StageOne(const FileListEntry& entry, int index, std::string& error);
    void RemoveStaged(const std::vector<std::string>& staged);

    UpdaterConfig m_config;
    CSettings& m_settings;
    IHttpClient& m_http;
    IPrompt& m_prompt;
    IUpdaterView* m_view;
    UpdateSession& m_session;
    std::atomic<bool> m_cancel{false};
    UpdaterState m_state = UpdaterState::Idle;
    std::vector<FileListEntry> m_entries;
    int m_count = 0;
    bool m_newerVersionPending = false;
    std::string m_lastError;
};

// Decides which entries must be downloaded (flags kLocalExists and kMustDownload), climbing
// data/version.info version by version while every file of the current version matches.
// Returns the count of files to download; `newerVersionPending` tells whether a later version
// is listed. False with `error` when version.info cannot be written.
bool DecideDownloads(const std::filesystem::path& folder, std::vector<FileListEntry>& entries, int& count,
                     bool& newerVersionPending, std::string& error);

// True when a job file waits in `folder` (one that failed before is tried again at exit).
bool JobPending(const std::filesystem::path& folder);

// True where this program may update itself: the program folder (and data/ in it) is writable
// by the user and is not a system folder that a package manager owns.
bool SelfUpdateAllowed(const std::filesystem::path& folder);
// The same for the running program; an installed program (executables in PREFIX/bin, data in
// PREFIX/share/lumaret) never updates itself, since its files are not laid out as the update
// list names them.
bool SelfUpdateAllowedHere();

// The configuration from the environment: $LUMARET_UPDATE_SERVER, $LUMARET_UPDATE_CA and
// $LUMARET_UPDATE_PUBKEY (a PEM file) override the built-in server and key.
struct EnvironmentConfig {
    HttpsSettings https;
    std::string publicKeyPem;
    std::string error;  // set when $LUMARET_UPDATE_PUBKEY names a file that cannot be read
};
EnvironmentConfig ConfigFromEnvironment();

}  // namespace updater
