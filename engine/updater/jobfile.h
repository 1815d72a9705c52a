#pragma once
// The job file "job" in the program folder: one line per staged file, "staging|local" CR LF,
// both relative to the program folder. The updater writes it; lumaret-copy applies it.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace updater {

struct JobLine {
    std::string staging;  // "Update/<name>"
    std::string local;    // the file it replaces
};

// Replaces `folder`/job with these lines; false with `error` on failure.
bool WriteJobFile(const std::filesystem::path& folder, const std::vector<JobLine>& lines, std::string& error);

// Reads job lines; nullopt with `error` when a line is malformed or names a path outside the
// program folder or a staging file outside "Update/".
std::optional<std::vector<JobLine>> ParseJob(std::string_view text, std::string& error);

enum class ApplyOutcome {
    NothingToDo,  // no job file
    Applied,      // every file replaced; the job and the staging folder are gone
    RolledBack,   // a file could not be replaced: every file is as before, the job is kept
};

struct ApplyReport {
    ApplyOutcome outcome = ApplyOutcome::NothingToDo;
    std::string message;  // what was done, or why it failed and what was restored
};

// Applies `folder`/job: each staging file is renamed over its local file (synced, the old
// file's permissions kept), the old file kept as a backup until every line has succeeded. On
// any failure each replaced file goes back to its staging name and each backup back in place,
// so the job can run again at the next exit.
ApplyReport ApplyJob(const std::filesystem::path& folder);

}  // namespace updater
