#include "browser/filetransfer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "browser/filestatus.h"
#include "core/prompt.h"
#include "platform/mounts.h"
#include "platform/safewrite.h"

namespace fs = std::filesystem;

namespace {

constexpr uint64_t kProgressUnit = 64 * 1024;
constexpr size_t kCopyBlock = 1 << 20;

class Transfer {
public:
    Transfer(TransferKind kind, IPrompt* prompt, IProgress* progress)
        : m_kind(kind), m_prompt(prompt), m_progress(progress) {}

    void Run(const std::vector<std::string>& paths, const std::string& folder) {
        uint64_t total = 0;
        for (const std::string& path : paths) total += BytesBelow(path);
        if (m_progress)
            m_progress->Start(m_kind == TransferKind::Copy ? "Copying..." : "Moving...",
                              static_cast<int>(total / kProgressUnit + 1));
        for (const std::string& path : paths) {
            if (m_report.cancelled) break;
            Item(path, JoinPath(folder, FileNameOf(path)));
        }
        if (m_progress) m_progress->End();
    }

    TransferReport Report() const { return m_report; }

private:
    enum class Answer { Replace, Skip, Cancel };

    static uint64_t BytesBelow(const std::string& path) {
        std::error_code ec;
        const fs::file_status status = fs::symlink_status(path, ec);
        if (ec) return 0;
        if (fs::is_regular_file(status)) return fs::file_size(path, ec);
        uint64_t sum = 0;
        if (fs::is_directory(status))
            for (fs::recursive_directory_iterator it(path, ec), end; !ec && it != end; it.increment(ec))
                if (it->is_regular_file(ec)) sum += it->file_size(ec);
        return sum;
    }

    Answer AskOverwrite(const std::string& target) {
        if (m_overwrite != 0) return m_overwrite == 1 ? Answer::Replace : Answer::Skip;
        if (!m_prompt) return Answer::Skip;
        const std::string text = "The file " + FileNameOf(target) +
                                 " already exists.\nDo you want to overwrite the destination file?";
        switch (m_prompt->Ask(text, m_kind == TransferKind::Copy ? "Copying..." : "Moving...",
                              PromptButtons::YesNoAllCancel)) {
        case PromptAnswer::Yes: return Answer::Replace;
        case PromptAnswer::YesToAll: m_overwrite = 1; return Answer::Replace;
        case PromptAnswer::NoToAll: m_overwrite = 2; return Answer::Skip;
        case PromptAnswer::No: return Answer::Skip;
        default: return Answer::Cancel;
        }
    }

    void Item(const std::string& source, const std::string& target) {
        struct stat from {}, to {};
        if (::lstat(source.c_str(), &from) != 0) {
            m_report.failed.push_back(source);
            return;
        }
        const bool targetExists = ::lstat(target.c_str(), &to) == 0;
        if (targetExists && from.st_dev == to.st_dev && from.st_ino == to.st_ino) {
            ++m_report.skipped;  // already where it should go
            return;
        }
        if (S_ISDIR(from.st_mode)) {
            Folder(source, target, targetExists ? &to : nullptr);
            return;
        }
        if (targetExists) {
            if (S_ISDIR(to.st_mode)) {  // a file cannot replace a folder
                m_report.failed.push_back(source);
                return;
            }
            const Answer answer = AskOverwrite(target);
            if (answer == Answer::Cancel) {
                m_report.cancelled = true;
                return;
            }
            if (answer == Answer::Skip) {
                ++m_report.skipped;
                return;
            }
        }
        if (m_kind == TransferKind::Move && ::rename(source.c_str(), target.c_str()) == 0) {
            ++m_report.transferred;
            Advance(static_cast<uint64_t>(from.st_size));
            return;
        }
        if (m_kind == TransferKind::Move && errno != EXDEV) {
            m_report.failed.push_back(source);
            return;
        }
        if (!CopyFile(source, target, targetExists)) {
            m_report.failed.push_back(source);
            return;
        }
        if (m_kind == TransferKind::Move && ::unlink(source.c_str()) != 0) {
            m_report.failed.push_back(source);  // copied, but the original stays
            return;
        }
        ++m_report.transferred;
    }

    void Folder(const std::string& source, const std::string& target, const struct stat* existing) {
        // A folder cannot go into itself or one of its own sub-folders.
        if ((existing && !S_ISDIR(existing->st_mode)) ||
            platform::PathHasPrefix(platform::ResolvePath(target), platform::ResolvePath(source))) {
            m_report.failed.push_back(source);
            return;
        }
        if (!existing && m_kind == TransferKind::Move && ::rename(source.c_str(), target.c_str()) == 0) {
            ++m_report.transferred;
            Advance(BytesBelow(target));
            return;
        }
        if (!existing && ::mkdir(target.c_str(), 0755) != 0) {
            m_report.failed.push_back(source);
            return;
        }
        // Merge into the target folder item by item; each file asks its own question.
        std::error_code ec;
        std::vector<std::string> children;
        for (fs::directory_iterator it(source, ec), end; !ec && it != end; it.increment(ec))
            children.push_back(it->path().string());
        if (ec) {
            m_report.failed.push_back(source);
            return;
        }
        const size_t failedBefore = m_report.failed.size();
        const int skippedBefore = m_report.skipped;
        for (const std::string& child : children) {
            if (m_report.cancelled) return;
            Item(child, JoinPath(target, FileNameOf(child)));
        }
        if (m_kind == TransferKind::Move && m_report.failed.size() == failedBefore &&
            m_report.skipped == skippedBefore)
            ::rmdir(source.c_str());  // only when everything inside was moved
        ++m_report.transferred;
    }

    // Copies through a hidden temporary file in the target folder that is flushed and then
    // renamed into place, so the target is either the old file or the whole copy. A target
    // that was free when the copy began is never replaced: a file that appeared meanwhile
    // was not agreed to.
    bool CopyFile(const std::string& source, const std::string& target, bool replace) {
        // O_NONBLOCK: a named pipe among the files must not stall the copy; it is refused below.
        platform::UniqueFd in(::open(source.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
        // The permissions and times of the file itself, not of a link that named it.
        struct stat from {};
        if (!in.IsOpen() || ::fstat(in.Get(), &from) != 0 || !S_ISREG(from.st_mode)) return false;
        std::unique_ptr<char[]> buffer(new char[kCopyBlock]);
        std::string error;
        return platform::ReplaceFile(target, [&](int out) {
            for (;;) {
                const ssize_t n = ::read(in.Get(), buffer.get(), kCopyBlock);
                if (n < 0 && errno == EINTR) continue;
                if (n < 0) return false;
                if (n == 0) break;
                if (!platform::WriteAll(out, buffer.get(), static_cast<size_t>(n))) return false;
                Advance(static_cast<uint64_t>(n));
            }
            ::fchmod(out, from.st_mode & 07777);
            const timespec times[2] = {from.st_atim, from.st_mtim};
            ::futimens(out, times);
            return true;
        }, error, replace ? platform::ExistingTarget::Replace : platform::ExistingTarget::Keep);
    }

    void Advance(uint64_t bytes) {
        m_done += bytes;
        if (m_progress) m_progress->SetPosition(static_cast<int>(m_done / kProgressUnit));
    }

    TransferKind m_kind;
    IPrompt* m_prompt;
    IProgress* m_progress;
    int m_overwrite = 0;  // 0 ask, 1 overwrite all, 2 skip all
    uint64_t m_done = 0;
    TransferReport m_report;
};

}  // namespace

TransferReport TransferFiles(const std::vector<std::string>& paths, const std::string& folder,
                             TransferKind kind, IPrompt* prompt, IProgress* progress) {
    Transfer transfer(kind, prompt, progress);
    transfer.Run(paths, folder);
    return transfer.Report();
}
