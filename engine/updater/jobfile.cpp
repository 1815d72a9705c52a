#include "updater/jobfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>
#include <system_error>

#include "platform/safewrite.h"
#include "updater/filelist.h"

namespace updater {
namespace {

constexpr char kBackupSuffix[] = ".lumaret-backup";

bool SyncPath(const std::string& path, int flags) {
    platform::UniqueFd fd(::open(path.c_str(), flags | O_CLOEXEC));
    return fd.IsOpen() && ::fsync(fd.Get()) == 0;
}

bool SyncFolderOf(const std::filesystem::path& path) {
    return SyncPath(path.parent_path().string(), O_RDONLY | O_DIRECTORY);
}

std::string Errno() { return std::strerror(errno); }

// One applied line, enough to undo it.
struct Applied {
    std::filesystem::path staging;
    std::filesystem::path local;
    std::filesystem::path backup;  // empty when there was no local file
};

// Keeps the current local file under the backup name; a hard link costs nothing and leaves
// the original in place until the rename replaces it.
bool MakeBackup(const std::filesystem::path& local, const std::filesystem::path& backup, std::string& error) {
    ::unlink(backup.c_str());
    if (::link(local.c_str(), backup.c_str()) == 0) return true;
    std::error_code copyError;
    if (std::filesystem::copy_file(local, backup, copyError)) return true;
    error = "cannot keep a backup of '" + local.string() + "': " + copyError.message();
    return false;
}

bool ApplyLine(const std::filesystem::path& folder, const JobLine& line, Applied& applied, std::string& error) {
    applied.staging = folder / line.staging;
    applied.local = folder / line.local;
    struct stat stagingInfo {};
    if (::lstat(applied.staging.c_str(), &stagingInfo) != 0 || !S_ISREG(stagingInfo.st_mode)) {
        error = "the staged file '" + line.staging + "' is missing";
        return false;
    }
    std::error_code ignored;
    std::filesystem::create_directories(applied.local.parent_path(), ignored);

    struct stat localInfo {};
    if (::lstat(applied.local.c_str(), &localInfo) == 0) {
        if (!S_ISREG(localInfo.st_mode)) {
            error = "'" + line.local + "' is not a regular file";
            return false;
        }
        const std::filesystem::path backup = applied.local.string() + kBackupSuffix;
        if (!MakeBackup(applied.local, backup, error)) return false;
        applied.backup = backup;
        ::chmod(applied.staging.c_str(), localInfo.st_mode & 07777);
    }
    if (!SyncPath(applied.staging.string(), O_RDONLY)) {
        error = "cannot flush '" + line.staging + "': " + Errno();
        return false;
    }
    if (::rename(applied.staging.c_str(), applied.local.c_str()) != 0) {
        error = "cannot replace '" + line.local + "': " + Errno();
        return false;
    }
    SyncFolderOf(applied.local);
    return true;
}

// Puts one applied line back: the new file to its staging name, the backup to the local name.
bool Undo(const Applied& applied, std::string& error) {
    bool ok = true;
    if (::rename(applied.local.c_str(), applied.staging.c_str()) != 0) {
        error += " cannot move '" + applied.local.string() + "' back: " + Errno() + ".";
        ok = false;
    }
    if (!applied.backup.empty() && ::rename(applied.backup.c_str(), applied.local.c_str()) != 0) {
        error += " cannot restore '" + applied.local.string() + "' from '" + applied.backup.string() + "': " +
                 Errno() + ".";
        ok = false;
    }
    SyncFolderOf(applied.local);
    SyncFolderOf(applied.staging);
    return ok;
}

}  // namespace

bool WriteJobFile(const std::filesystem::path& folder, const std::vector<JobLine>& lines, std::string& error) {
    std::string text;
    for (const JobLine& line : lines) text += line.staging + "|" + line.local + "\r\n";
    return platform::ReplaceFileWithBytes((folder / "job").string(),
                                          {reinterpret_cast<const uint8_t*>(text.data()), text.size()}, error);
}

std::optional<std::vector<JobLine>> ParseJob(std::string_view text, std::string& error) {
    std::vector<JobLine> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view line = text.substr(start, end - start);
        start = end + 1;
        if (line.empty()) continue;
        const size_t bar = line.find('|');
        if (bar == std::string_view::npos) {
            error = "a job line has no '|': '" + std::string(line) + "'";
            return std::nullopt;
        }
        const auto staging = NormaliseRelativePath(line.substr(0, bar));
        const auto local = NormaliseRelativePath(line.substr(bar + 1));
        if (!staging || staging->rfind("Update/", 0) != 0 || !local) {
            error = "a job line names a path outside the program folder: '" + std::string(line) + "'";
            return std::nullopt;
        }
        lines.push_back({*staging, *local});
    }
    return lines;
}

ApplyReport ApplyJob(const std::filesystem::path& folder) {
    ApplyReport report;
    const std::filesystem::path jobPath = folder / "job";
    std::ifstream in(jobPath, std::ios::binary);
    if (!in) {
        report.message = "No job to apply.";
        return report;
    }
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    report.outcome = ApplyOutcome::RolledBack;
    std::string error;
    const auto lines = ParseJob(text, error);
    if (!lines) {
        report.message = "The job was not applied: " + error + ".";
        return report;
    }
    for (const JobLine& line : *lines) {
        if (!StaysInsideFolder(folder, line.local) || !StaysInsideFolder(folder, line.staging)) {
            report.message = "The job was not applied: '" + line.local + "' leads outside the program folder.";
            return report;
        }
    }

    std::vector<Applied> done;
    for (const JobLine& line : *lines) {
        Applied applied;
        if (ApplyLine(folder, line, applied, error)) {
            done.push_back(applied);
            continue;
        }
        if (!applied.backup.empty()) ::unlink(applied.backup.c_str());
        std::string undoErrors;
        for (auto it = done.rbegin(); it != done.rend(); ++it) Undo(*it, undoErrors);
        report.message = "The update was not applied: " + error + ". Every replaced file was restored" +
                         (undoErrors.empty() ? "." : ", except:" + undoErrors) + " The job is kept for the next exit.";
        return report;
    }

    for (const Applied& applied : done)
        if (!applied.backup.empty()) ::unlink(applied.backup.c_str());
    ::unlink(jobPath.c_str());
    std::error_code ignored;
    std::filesystem::remove_all(folder / "Update", ignored);
    SyncFolderOf(jobPath);
    report.outcome = ApplyOutcome::Applied;
    report.message = "Applied " + std::to_string(done.size()) + " updated file(s).";
    return report;
}

}  // namespace updater
