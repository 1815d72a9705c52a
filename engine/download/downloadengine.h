#pragma once
// The download: chooses the pictures, copies each one (verified) into the folder tree named
// by the pattern, records the batch in the history and deletes the originals that were
// copied, when the user agrees or the clickless settings say so.
#include <atomic>
#include <cstdint>
#include <ctime>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "browser/fileentry.h"
#include "download/verifiedcopy.h"

class CDownloadHistory;
class IPrompt;
class IProgress;

// One picture offered for download.
struct DownloadItem {
    std::string source;       // path on the card, or the camera's folder and name
    std::string name;         // file name used for the target
    FileTime date{};          // date taken (else the file's time), UTC ticks
    uint64_t size = 0;        // 0 when unknown
    bool selected = false;
    bool gone = false;        // counted in the total but never copied
    int32_t entry = -1;       // store index in the browser document, when it came from one
};

// What the item's bytes are read from, and how it is deleted: a card folder or a camera.
class IDownloadDevice {
public:
    virtual ~IDownloadDevice() = default;
    // Opens the item for reading; `modified` receives its modification time when known.
    virtual std::unique_ptr<IByteReader> Open(const DownloadItem& item, std::optional<timespec>& modified,
                                              std::string& error) = 0;
    // Deletes the original.
    virtual bool Delete(const DownloadItem& item, std::string& error) = 0;
    // Called once after the deletions with the items deleted (a card removes emptied folders).
    virtual void AfterDelete(const std::vector<const DownloadItem*>& deleted) { (void)deleted; }
    // True for a camera (its progress lines speak of images).
    virtual bool IsCamera() const { return false; }
};

// One line per file for whoever runs the download (the command line prints them).
class IDownloadReport {
public:
    virtual ~IDownloadReport() = default;
    virtual void Copied(const DownloadItem& item, const std::string& target) = 0;
    virtual void Skipped(const DownloadItem& item, const std::string& target) = 0;
    virtual void Failed(const DownloadItem& item, const std::string& reason) = 0;
    virtual void Deleted(const DownloadItem& item) = 0;
};

// The progress dialog's side: caption, two text lines, two bars. All calls may be ignored.
class IDownloadProgress {
public:
    enum class Bar { Files, Bytes };
    virtual ~IDownloadProgress() = default;
    virtual void Show(bool visible) { (void)visible; }
    virtual void SetCaption(const std::string& text) { (void)text; }
    virtual void SetLine(int line, const std::string& text) { (void)line, (void)text; }
    virtual void SetRange(Bar bar, uint64_t upper) { (void)bar, (void)upper; }
    virtual void SetPosition(Bar bar, uint64_t position) { (void)bar, (void)position; }
    virtual void ShowBar(Bar bar, bool visible) { (void)bar, (void)visible; }
    virtual void Close() {}
};

// The answer to a clash with an existing target, remembered for the rest of one download.
enum class OverwriteAnswer { Ask, YesToAll, NoToAll };
// Whether originals are deleted after a download with at least one verified copy.
enum class DeletePolicy { Ask, Always, Never };

struct DownloadSettings {
    std::string root;                  // ImageDownloadDir
    std::string pattern;               // Shortcut
    bool useDownloadTime = false;      // ShortcutAppliesToDownloadedTime
    bool clickless = false;            // started by a device event with ClicklessDownload on
    OverwriteAnswer overwrite = OverwriteAnswer::Ask;
    DeletePolicy deletePolicy = DeletePolicy::Ask;
};

class CSettings;
// The naming pattern used while the Shortcut setting is empty.
constexpr const char* kDefaultPattern = "%Y/%B/%d";
// The download settings from the program's settings: the root (or `fallbackRoot` when the
// setting is empty), the pattern (kDefaultPattern when empty), and the clickless rules when the program was started by
// a camera or card (`startedByDevice`): no questions with ClicklessDownload on, deletion
// without asking with ClicklessDownloadDelete on too.
DownloadSettings DownloadSettingsFrom(const CSettings& settings, bool startedByDevice, const std::string& fallbackRoot);

// Shows the files bar of the download on a plain progress display (the status bar's).
class CProgressBarAdapter : public IDownloadProgress {
public:
    explicit CProgressBarAdapter(IProgress& progress) : m_progress(progress) {}
    void SetCaption(const std::string& text) override { m_caption = text; }
    void SetRange(Bar bar, uint64_t upper) override;
    void SetPosition(Bar bar, uint64_t position) override;
    void Close() override;

private:
    IProgress& m_progress;
    std::string m_caption;
    bool m_started = false;
};

struct DownloadSummary {
    int copied = 0, skipped = 0, failed = 0, deleted = 0;
    bool started = false;    // false when the user cancelled the choice of files
    bool cancelled = false;  // stopped by the user during the copies
    bool diskFull = false;   // stopped because the target disk is full
    std::string stopReason;  // the message for diskFull
};

class CDownloadEngine {
public:
    // The questions go to `prompt` (null: every question takes its default: all files, no
    // overwrite, no deletion); report and progress may be null.
    CDownloadEngine(IDownloadDevice& device, CDownloadHistory& history, IPrompt* prompt, IDownloadReport* report,
                    IDownloadProgress* progress)
        : m_device(device), m_history(history), m_prompt(prompt), m_report(report), m_progress(progress) {}

    // Runs one download of `items` (in the order they are shown); `now` is the download
    // time. The history is saved at the end. `cancel` stops the copies between files and
    // inside a file.
    DownloadSummary Run(const std::vector<DownloadItem>& items, const DownloadSettings& settings,
                        const std::atomic<bool>& cancel, std::time_t now);

private:
    enum class Choice { Selected, All, Cancel };
    Choice ChooseFiles(const std::vector<DownloadItem>& items, const DownloadSettings& settings);
    // The overwrite question for an existing target: true to copy over it.
    enum class Clash { Replace, Skip, Cancel };
    Clash AskOverwrite(const std::string& target, OverwriteAnswer& answer);
    bool AskDelete(const DownloadSettings& settings);
    void DeleteDownloaded(const std::vector<const DownloadItem*>& downloaded, DownloadSummary& summary);

    IDownloadDevice& m_device;
    CDownloadHistory& m_history;
    IPrompt* m_prompt;
    IDownloadReport* m_report;
    IDownloadProgress* m_progress;
    IDownloadProgress m_noProgress;
};
