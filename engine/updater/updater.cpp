#include "updater/updater.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <system_error>

#include "platform/programfolder.h"
#include "platform/safewrite.h"
#include "updater/crypto.h"
#include "updater/jobfile.h"
#include "updater/schedule.h"

namespace updater {
namespace {

// The maker's update-signing key. Only the public half lives here; the matching private key is
// kept by the maker and used by scripts/sign-update-list.
constexpr char kBuiltInPublicKey[] =
    "-----BEGIN PUBLIC KEY-----\n"
    "MCowBQYDK2VwAyEA3/S26js9filq9UMi1wBoEAXcbC8eHl9l6gRnF0szTzU=\n"
    "-----END PUBLIC KEY-----\n";
constexpr char kBuiltInServer[] = "https://updates.lumaret.org/";

constexpr char kCaption[] = "Lumaret";
constexpr char kUpdateCaption[] = "Lumaret update";
constexpr char kStagingFolder[] = "Update";

// Percent-encodes what is not safe in a URL path; "/" separates the name's folders.
std::string UrlPath(const std::string& name) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : name) {
        if (std::isalnum(c) || c == '/' || c == '-' || c == '_' || c == '.' || c == '~') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}

// The text in single quotes (built by appending: GCC 12 warns falsely on "'" + text + "'").
std::string Quoted(const std::string& text) {
    std::string out;
    out.reserve(text.size() + 2);
    out += '\'';
    out += text;
    out += '\'';
    return out;
}

// Replaces `target` with a copy of `source`, through the safe-write helper.
bool CopyFileOver(const std::string& source, const std::string& target, std::string& error) {
    platform::UniqueFd in(::open(source.c_str(), O_RDONLY | O_CLOEXEC));
    if (!in.IsOpen()) {
        error = "cannot open '" + source + "'";
        return false;
    }
    return platform::ReplaceFile(
        target,
        [&](int fd) {
            uint8_t buffer[65536];
            for (;;) {
                const ssize_t n = ::read(in.Get(), buffer, sizeof buffer);
                if (n < 0 && errno == EINTR) continue;
                if (n < 0) return false;
                if (n == 0) return true;
                if (!platform::WriteAll(fd, buffer, static_cast<size_t>(n))) return false;
            }
        },
        error);
}

int Percent(uint64_t part, uint64_t whole) {
    return whole == 0 ? 0 : static_cast<int>(std::min<uint64_t>(100, part * 100 / whole));
}

}  // namespace

CUpdater::CUpdater(UpdaterConfig config, CSettings& settings, IHttpClient& http, IPrompt& prompt,
                   IUpdaterView* view, UpdateSession& session)
    : m_config(std::move(config)), m_settings(settings), m_http(http), m_prompt(prompt), m_view(view),
      m_session(session) {}

bool CUpdater::RefuseWhenUpdated(const UpdateSession& session, IPrompt& prompt) {
    if (!session.updatedInThisRun) return false;
    prompt.Message(kRestartFirstText, kCaption);
    return true;
}

void CUpdater::Say(const std::string& text) {
    if (m_view) m_view->AppendMessage(text);
}

void CUpdater::Finish() {
    m_state = UpdaterState::Finished;
    if (m_view) m_view->SetOkEnabled(true);
}

bool CUpdater::StoreCheckDate() {
    m_settings.LastUpdate = FormatCheckDate(m_config.now());
    return m_settings.Save();
}

bool CUpdater::FetchToString(const std::string& path, uint64_t maxBytes, std::string& out, HttpResult& result) {
    out.clear();
    result = m_http.Get(
        path, maxBytes,
        [&](std::span<const uint8_t> block) {
            out.append(reinterpret_cast<const char*>(block.data()), block.size());
            return !m_cancel.load();
        },
        [&](uint64_t, uint64_t) { return !m_cancel.load(); });
    return result.outcome == HttpResult::Outcome::Ok;
}

CheckOutcome CUpdater::Check() {
    m_entries.clear();
    m_count = 0;
    m_newerVersionPending = false;
    m_lastError.clear();
    if (m_view) {
        Say("Checking for updates, please wait...");
        m_view->SetOkEnabled(false);
    }
    const auto connectionFailed = [&](const std::string& why) {
        m_lastError = why;
        Say("There was a problem connecting to the server.");
        Say(why);
        Say("Are you online?");
        Finish();
        return CheckOutcome::ConnectionFailed;
    };
    const auto refused = [&](const std::string& message, const std::string& why) {
        m_lastError = why.empty() ? message : message + " " + why;
        m_entries.clear();
        Say(message);
        if (!why.empty()) Say(why);
        Finish();
        return CheckOutcome::Refused;
    };
    const auto cancelled = [&] {
        Finish();
        return CheckOutcome::Cancelled;
    };

    std::string list;
    HttpResult result;
    FetchToString("update/filelist", m_config.maxListBytes, list, result);
    if (result.outcome == HttpResult::Outcome::Cancelled) return cancelled();
    if (result.outcome == HttpResult::Outcome::Failed) return connectionFailed(result.error);
    if (result.outcome == HttpResult::Outcome::NotOk || list.empty()) {
        Say(kNoUpdatesText);
        StoreCheckDate();
        Finish();
        return CheckOutcome::NoUpdates;
    }

    // Nothing in the list is looked at before its signature has been checked.
    std::string signature;
    FetchToString("update/filelist.sig", 1024, signature, result);
    if (result.outcome == HttpResult::Outcome::Cancelled) return cancelled();
    if (result.outcome == HttpResult::Outcome::Failed) return connectionFailed(result.error);
    if (result.outcome != HttpResult::Outcome::Ok)
        return refused("The update list could not be verified.", "The server has no signature for it.");
    if (!VerifyEd25519({reinterpret_cast<const uint8_t*>(list.data()), list.size()},
                       {reinterpret_cast<const uint8_t*>(signature.data()), signature.size()},
                       m_config.publicKeyPem))
        return refused("The update list could not be verified.", "Its signature does not match the maker's key.");

    ListError listError;
    auto entries = ParseFileList(list, listError);
    if (!entries) return refused("The update list could not be read.", listError.message);
    for (const FileListEntry& entry : *entries) {
        if (!StaysInsideFolder(m_config.folder, entry.localPath))
            return refused("The update list names a file outside the program folder.", Quoted(entry.localPath));
        if (!StaysInsideFolder(m_config.folder, std::string(kStagingFolder) + "/" + entry.name))
            return refused("The update list names a file outside the program folder.",
                           Quoted(std::string(kStagingFolder) + "/" + entry.name));
    }
    m_entries = std::move(*entries);

    std::string decideError;
    if (!DecideDownloads(m_config.folder, m_entries, m_count, m_newerVersionPending, decideError)) {
        m_lastError = decideError;
        Say(decideError);
        m_entries.clear();
        m_count = 0;
        Finish();
        return CheckOutcome::LocalFailure;
    }
    if (m_count == 0) {
        StoreCheckDate();
        Say(kNoUpdatesText);
        Finish();
        return CheckOutcome::NoUpdates;
    }
    if (m_view) {
        Say("New version is available for download. Press 'Update' button to update the software.");
        m_view->SetOkText("Update");
        m_view->SetOkEnabled(true);
    } else {
        StoreCheckDate();
        m_prompt.Message("There are updates available for download. Go to menu 'Help' and choose 'Check for update'.",
                         kCaption);
    }
    m_state = UpdaterState::UpdatesAvailable;
    return CheckOutcome::UpdatesAvailable;
}

bool CUpdater::StageOne(const FileListEntry& entry, int index, std::string& error) {
    const std::string staging = (m_config.folder / kStagingFolder / entry.name).string();
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(staging).parent_path(), ignored);
    bool opened = false;
    std::string fetchError;
    std::string replaceError;
    const bool ok = platform::ReplaceFile(
        staging,
        [&](int fd) {
            opened = true;
            CFileDigest digest;
            bool writeFailed = false;
            const HttpResult result = m_http.Get(
                "update/" + UrlPath(entry.name), m_config.maxFileBytes,
                [&](std::span<const uint8_t> block) {
                    if (!platform::WriteAll(fd, block.data(), block.size()) || !digest.Update(block)) {
                        writeFailed = true;
                        return false;
                    }
                    return !m_cancel.load();
                },
                [&](uint64_t received, uint64_t total) {
                    if (m_view && received > 0)
                        m_view->SetProgress(Percent(received, total),
                                            Percent(uint64_t(index) * 100 + uint64_t(Percent(received, total)),
                                                    uint64_t(m_count) * 100));
                    return !m_cancel.load();
                });
            if (writeFailed) {
                fetchError = "Unable to write file '" + staging + "'!";
                return false;
            }
            switch (result.outcome) {
                case HttpResult::Outcome::Ok: break;
                case HttpResult::Outcome::Cancelled: fetchError = "Cancelled."; return false;
                case HttpResult::Outcome::NotOk:
                    fetchError = "The server answered " + std::to_string(result.status) + " for '" + entry.name + "'.";
                    return false;
                case HttpResult::Outcome::Failed: fetchError = result.error; return false;
            }
            if (!digest.Finish() || digest.Fingerprint() != entry.fingerprint ||
                (!entry.sha256.empty() && digest.Sha256() != entry.sha256)) {
                fetchError = "The file '" + entry.name + "' does not match the update list.";
                return false;
            }
            return true;
        },
        replaceError);
    if (ok) return true;
    if (!opened) error = "Unable to open file '" + staging + "' for writing!";
    else error = fetchError.empty() ? replaceError : fetchError;
    return false;
}

void CUpdater::RemoveStaged(const std::vector<std::string>& staged) {
    for (const std::string& path : staged) ::unlink(path.c_str());
    // Folders made for staging go too when nothing else is in them.
    std::error_code ignored;
    const std::filesystem::path root = m_config.folder / kStagingFolder;
    for (const std::string& path : staged)
        for (auto dir = std::filesystem::path(path).parent_path(); dir != root && dir.has_relative_path();
             dir = dir.parent_path())
            if (!std::filesystem::remove(dir, ignored)) break;
    std::filesystem::remove(root, ignored);  // only when empty
}

DownloadOutcome CUpdater::Download() {
    if (m_state != UpdaterState::UpdatesAvailable || m_count == 0) return DownloadOutcome::NothingToDo;
    m_lastError.clear();
    if (m_view) m_view->SetOkEnabled(false);
    Say("Downloading files...");
    std::error_code ignored;
    std::filesystem::create_directories(m_config.folder / kStagingFolder, ignored);

    const auto done = [&](DownloadOutcome outcome) {
        m_state = UpdaterState::Finished;
        if (m_view) {
            m_view->SetOkText("Done");
            m_view->SetOkEnabled(true);
        }
        return outcome;
    };

    // Every file is fetched and checked before anything is copied or queued, so a file that
    // fails half-way through leaves the program folder as it was.
    std::vector<std::string> staged;
    int index = 0;
    for (const FileListEntry& entry : m_entries) {
        if (!(entry.flags & kMustDownload)) continue;
        std::string error;
        if (!StageOne(entry, index, error)) {
            staged.push_back((m_config.folder / kStagingFolder / entry.name).string());
            RemoveStaged(staged);
            if (m_cancel) return done(DownloadOutcome::Cancelled);
            m_lastError = error;
            Say("There was an error downloading file");
            Say(error);
            Say("Aborting.");
            return done(DownloadOutcome::Failed);
        }
        staged.push_back((m_config.folder / kStagingFolder / entry.name).string());
        ++index;
        if (m_view) m_view->SetProgress(100, Percent(uint64_t(index), uint64_t(m_count)));
    }

    // The files are good: an older job is superseded by this download.
    ::unlink((m_config.folder / "job").c_str());
    std::vector<JobLine> job;
    for (const FileListEntry& entry : m_entries) {
        if (!(entry.flags & kMustDownload)) continue;
        const std::string stagingRelative = std::string(kStagingFolder) + "/" + entry.name;
        if (entry.flags & kNoDefer) {
            const std::filesystem::path local = m_config.folder / entry.localPath;
            std::filesystem::create_directories(local.parent_path(), ignored);
            std::string error;
            if (CopyFileOver((m_config.folder / stagingRelative).string(), local.string(), error)) {
                ::unlink((m_config.folder / stagingRelative).c_str());
                continue;
            }
        }
        job.push_back({stagingRelative, entry.localPath});
    }
    if (!job.empty()) {
        std::string error;
        if (!WriteJobFile(m_config.folder, job, error)) {
            m_prompt.Ask("Unable to append job file!", "Error", PromptButtons::Ok);
            RemoveStaged(staged);
            m_lastError = "Unable to append job file! " + error;
            return done(DownloadOutcome::Failed);
        }
        m_session.updatesPending = true;
    }
    // An interactive check is recorded once its download has been verified and staged, so that a
    // refused file leaves the settings as they were.
    StoreCheckDate();
    Say("The file(s) have been downloaded.");
    Say("Please restart Lumaret for changes to take the effect.");
    m_prompt.Message("Please restart Lumaret for changes to take the effect", kUpdateCaption);
    m_session.updatedInThisRun = true;
    if (m_newerVersionPending) {
        const char* again = "Please run updater again, as not all updates could be installed at once.";
        Say(again);
        m_prompt.Message(again, kUpdateCaption);
    }
    return done(DownloadOutcome::Downloaded);
}

bool DecideDownloads(const std::filesystem::path& folder, std::vector<FileListEntry>& entries, int& count,
                     bool& newerVersionPending, std::string& error) {
    for (;;) {
        const uint32_t current = ReadProgramVersion(folder);
        count = 0;
        newerVersionPending = false;
        uint32_t next = 0;
        for (FileListEntry& entry : entries) {
            entry.flags &= ~uint32_t(kLocalExists | kMustDownload);
            if (entry.version == current) {
                const std::filesystem::path local = folder / entry.localPath;
                std::error_code missing;
                if ((entry.flags & kNoOverwrite) && std::filesystem::exists(local, missing)) continue;
                const std::string fingerprint = FileFingerprint(local.string());
                if (fingerprint.empty()) {
                    entry.flags |= kMustDownload;
                    ++count;
                } else {
                    entry.flags |= kLocalExists;
                    if (fingerprint != entry.fingerprint) {
                        entry.flags |= kMustDownload;
                        ++count;
                    }
                }
            } else if (entry.version > current && !newerVersionPending) {
                next = entry.version;
                newerVersionPending = true;
            }
        }
        if (!newerVersionPending || count != 0) return true;
        // Every file of this version is current: move on to the next listed version.
        if (!WriteProgramVersion(folder, next, error)) return false;
    }
}

bool JobPending(const std::filesystem::path& folder) {
    std::error_code error;
    return std::filesystem::is_regular_file(folder / "job", error);
}

bool SelfUpdateAllowed(const std::filesystem::path& folder) {
    std::error_code error;
    const std::filesystem::path real = std::filesystem::weakly_canonical(folder, error);
    if (error) return false;
    for (const char* system : {"/usr/", "/opt/", "/snap/", "/nix/", "/app/"})
        if ((real.string() + "/").rfind(system, 0) == 0) return false;
    if (::access(real.c_str(), W_OK) != 0) return false;
    const std::filesystem::path data = real / "data";
    return !std::filesystem::exists(data, error) || ::access(data.c_str(), W_OK) == 0;
}

bool SelfUpdateAllowedHere() {
    const platform::ProgramLocations where = platform::CurrentLocations();
    return where.layout != platform::FolderLayout::Installed && SelfUpdateAllowed(where.programFolder);
}

EnvironmentConfig ConfigFromEnvironment() {
    EnvironmentConfig config;
    const char* server = std::getenv("LUMARET_UPDATE_SERVER");
    config.https.baseUrl = server && *server ? server : kBuiltInServer;
    if (const char* ca = std::getenv("LUMARET_UPDATE_CA"); ca && *ca) config.https.extraCaFile = ca;
    config.publicKeyPem = kBuiltInPublicKey;
    if (const char* key = std::getenv("LUMARET_UPDATE_PUBKEY"); key && *key) {
        std::ifstream in(key, std::ios::binary);
        config.publicKeyPem.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        if (!in.good() && !in.eof()) config.publicKeyPem.clear();
        if (config.publicKeyPem.empty())
            config.error = std::string("Cannot read the update key '") + key + "'.";
    }
    return config;
}

}  // namespace updater
