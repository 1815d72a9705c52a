#include "download/downloadengine.h"

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <thread>

#include "core/prompt.h"
#include "download/downloadhistory.h"
#include "download/shortcutexpander.h"
#include "settings/settings.h"

namespace {

std::string Format(const char* format, int a, int b, const std::string& text) {
    char line[64];
    std::snprintf(line, sizeof line, format, a, b);
    return line + text;
}

std::string FileNameOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

CDownloadEngine::Choice CDownloadEngine::ChooseFiles(const std::vector<DownloadItem>& items,
                                                     const DownloadSettings& settings) {
    if (settings.clickless) return Choice::All;
    bool anySelected = false;
    for (const DownloadItem& item : items) anySelected = anySelected || item.selected;
    if (!m_prompt) return anySelected ? Choice::Selected : Choice::All;
    if (anySelected) {
        // The selection dialog: "Selected" answers Yes, "All" answers No.
        switch (m_prompt->Ask("Which files should be downloaded ?", "Please choose :", PromptButtons::YesNoCancel)) {
        case PromptAnswer::Yes: return Choice::Selected;
        case PromptAnswer::No: return Choice::All;
        default: return Choice::Cancel;
        }
    }
    return m_prompt->Ask("No thumbnails selected. Download all of them?", "Download all?", PromptButtons::OkCancel) ==
                   PromptAnswer::Ok
               ? Choice::All
               : Choice::Cancel;
}

CDownloadEngine::Clash CDownloadEngine::AskOverwrite(const std::string& target, OverwriteAnswer& answer) {
    if (answer == OverwriteAnswer::YesToAll) return Clash::Replace;
    if (answer == OverwriteAnswer::NoToAll || !m_prompt) return Clash::Skip;
    const std::string text =
        "The file " + FileNameOf(target) + " already exists.\nDo you want to overwrite the destination file?";
    switch (m_prompt->Ask(text, "Image download", PromptButtons::YesNoAllCancel)) {
    case PromptAnswer::Yes: return Clash::Replace;
    case PromptAnswer::YesToAll: answer = OverwriteAnswer::YesToAll; return Clash::Replace;
    case PromptAnswer::NoToAll: answer = OverwriteAnswer::NoToAll; return Clash::Skip;
    case PromptAnswer::Cancel: return Clash::Cancel;
    default: return Clash::Skip;
    }
}

bool CDownloadEngine::AskDelete(const DownloadSettings& settings) {
    switch (settings.deletePolicy) {
    case DeletePolicy::Always: return true;
    case DeletePolicy::Never: return false;
    case DeletePolicy::Ask: break;
    }
    return m_prompt && m_prompt->Ask("Do you want to delete files that have been succesfully downloaded?",
                                     "Delete downloaded?", PromptButtons::YesNo) == PromptAnswer::Yes;
}

void CDownloadEngine::DeleteDownloaded(const std::vector<const DownloadItem*>& downloaded, DownloadSummary& summary) {
    IDownloadProgress& progress = m_progress ? *m_progress : m_noProgress;
    progress.Show(true);
    std::vector<const DownloadItem*> deleted;
    const int count = static_cast<int>(downloaded.size());
    const bool camera = m_device.IsCamera();
    if (camera) progress.SetLine(0, Format("Deleting %d images", count, 0, ""));
    for (int i = 0; i < count; ++i) {
        const DownloadItem& item = *downloaded[static_cast<size_t>(i)];
        progress.SetLine(camera ? 1 : 0, camera ? Format("Deleting %d of %d : ", i + 1, count, item.name)
                                                : Format("Deleting image %d of %d (", i + 1, count, item.source + ")"));
        std::string error;
        // A failed deletion leaves the original where it was; nothing else depends on it.
        if (m_device.Delete(item, error)) {
            ++summary.deleted;
            deleted.push_back(&item);
            if (m_report) m_report->Deleted(item);
        }
        progress.SetPosition(IDownloadProgress::Bar::Bytes, static_cast<uint64_t>(i + 1));
    }
    m_device.AfterDelete(deleted);
}

DownloadSummary CDownloadEngine::Run(const std::vector<DownloadItem>& items, const DownloadSettings& settings,
                                     const std::atomic<bool>& cancel, std::time_t now) {
    DownloadSummary summary;
    IDownloadProgress& progress = m_progress ? *m_progress : m_noProgress;
    const Choice choice = ChooseFiles(items, settings);
    if (choice == Choice::Cancel) {
        progress.Close();
        return summary;
    }
    summary.started = true;
    std::vector<const DownloadItem*> chosen;
    for (const DownloadItem& item : items)
        if (choice == Choice::All || item.selected) chosen.push_back(&item);
    const int total = static_cast<int>(chosen.size());
    const bool camera = m_device.IsCamera();

    CFileList& batch = m_history.AddBatch(CDownloadHistory::BatchName(now));
    progress.Show(true);
    progress.SetCaption("Download progress");
    progress.SetLine(0, camera ? Format("Downloading %d images", total, 0, "")
                               : Format(total <= 1 ? "Downloading %d file" : "Downloading %d files", total, 0, ""));
    progress.SetRange(IDownloadProgress::Bar::Files, static_cast<uint64_t>(total));
    progress.SetPosition(IDownloadProgress::Bar::Files, 0);
    progress.SetRange(IDownloadProgress::Bar::Bytes, 100);
    progress.SetPosition(IDownloadProgress::Bar::Bytes, 0);
    progress.SetLine(1, "");

    const CShortcutExpander expander(settings.root);
    OverwriteAnswer answer = settings.overwrite;
    std::vector<const DownloadItem*> downloaded;
    for (int i = 0; i < total && !summary.cancelled && !summary.diskFull; ++i) {
        const DownloadItem& item = *chosen[static_cast<size_t>(i)];
        if (cancel.load()) {
            summary.cancelled = true;
            break;
        }
        progress.SetLine(1, Format(camera ? "Downloading %d of %d : " : "File %d of %d : ", i + 1, total, item.name));
        progress.SetPosition(IDownloadProgress::Bar::Files, static_cast<uint64_t>(i));
        if (item.gone) continue;

        // A picture without any date goes by the download time rather than into "1970".
        const std::tm time = settings.useDownloadTime || item.date.Ticks() == 0 ? CShortcutExpander::LocalTime(now)
                                                                                : CShortcutExpander::LocalTime(item.date);
        std::string target, error;
        if (!expander.Expand(item.name, settings.pattern, time, target, error)) {
            ++summary.failed;
            if (m_report) m_report->Failed(item, error);
            continue;
        }
        bool replace = false;
        if (struct stat st {}; ::lstat(target.c_str(), &st) == 0) {
            const Clash clash = AskOverwrite(target, answer);
            if (clash == Clash::Cancel) {
                summary.cancelled = true;
                break;
            }
            if (clash == Clash::Skip) {
                ++summary.skipped;
                if (m_report) m_report->Skipped(item, target);
                continue;
            }
            replace = true;
        }

        std::optional<timespec> modified;
        std::unique_ptr<IByteReader> reader = m_device.Open(item, modified, error);
        if (!reader) {
            ++summary.failed;
            if (m_report) m_report->Failed(item, error);
            continue;
        }
        CopyRequest request;
        request.source = reader.get();
        request.expectedSize = item.size;
        request.target = target;
        request.replace = replace;
        request.modified = modified;
        request.cancel = &cancel;
        progress.SetRange(IDownloadProgress::Bar::Bytes, item.size);
        request.progress = [&progress](uint64_t bytes) { progress.SetPosition(IDownloadProgress::Bar::Bytes, bytes); };
        const CopyOutcome outcome = VerifiedCopy(request);
        switch (outcome.status) {
        case CopyStatus::Copied:
            ++summary.copied;
            batch.files.push_back(target);
            downloaded.push_back(&item);
            if (m_report) m_report->Copied(item, target);
            break;
        case CopyStatus::Exists:
            // Made by someone else between the check and the rename: never replaced unasked.
            ++summary.skipped;
            if (m_report) m_report->Skipped(item, target);
            break;
        case CopyStatus::Cancelled: summary.cancelled = true; break;
        case CopyStatus::DiskFull:
            summary.diskFull = true;
            summary.stopReason = outcome.error;
            [[fallthrough]];
        case CopyStatus::Failed:
            ++summary.failed;
            if (m_report) m_report->Failed(item, outcome.error);
            break;
        }
    }
    progress.SetPosition(IDownloadProgress::Bar::Files, static_cast<uint64_t>(total));
    if (summary.diskFull && m_prompt)
        m_prompt->Message("The download was stopped: the target disk is full.\n" + summary.stopReason, "Error");

    progress.Show(false);
    progress.SetCaption("Delete progress");
    progress.SetLine(1, "");
    progress.ShowBar(IDownloadProgress::Bar::Files, false);
    progress.SetRange(IDownloadProgress::Bar::Bytes, downloaded.size());
    progress.SetPosition(IDownloadProgress::Bar::Bytes, 0);
    // Only files whose copy was read back and matched are ever offered for deletion.
    if (!downloaded.empty() && AskDelete(settings)) DeleteDownloaded(downloaded, summary);

    std::string error;
    if (!m_history.Save(error) && m_prompt) m_prompt->Message("Unable to save download history file!", "Error");
    std::this_thread::sleep_for(std::chrono::milliseconds(m_progress ? 100 : 0));
    progress.Close();
    return summary;
}

DownloadSettings DownloadSettingsFrom(const CSettings& settings, bool startedByDevice, const std::string& fallbackRoot) {
    DownloadSettings ds;
    ds.root = settings.ImageDownloadDir.empty() ? fallbackRoot : settings.ImageDownloadDir;
    ds.pattern = settings.Shortcut.empty() ? std::string(kDefaultPattern) : settings.Shortcut;
    ds.useDownloadTime = settings.ShortcutAppliesToDownloadedTime != 0;
    ds.clickless = startedByDevice && settings.ClicklessDownload != 0;
    ds.deletePolicy = ds.clickless && settings.ClicklessDownloadDelete != 0 ? DeletePolicy::Always : DeletePolicy::Ask;
    return ds;
}

void CProgressBarAdapter::SetRange(Bar bar, uint64_t upper) {
    if (bar != Bar::Files) return;
    if (m_started) m_progress.End();
    m_progress.Start(m_caption, static_cast<int>(std::min<uint64_t>(upper, INT32_MAX)));
    m_started = true;
}

void CProgressBarAdapter::SetPosition(Bar bar, uint64_t position) {
    if (bar == Bar::Files && m_started) m_progress.SetPosition(static_cast<int>(std::min<uint64_t>(position, INT32_MAX)));
}

void CProgressBarAdapter::Close() {
    if (m_started) m_progress.End();
    m_started = false;
}
