#pragma once
// The download of what a browser document shows: its entries become download items, the
// source gives the device (the card's folder or the open camera), and the entries of the
// files copied get the downloaded flag.
#include <atomic>
#include <ctime>
#include <memory>
#include <vector>

#include "download/downloadengine.h"

class CFileBrowserDoc;
class CFileSystemIF;

// The document's files as download items: visible entries first in visible order (with
// their selection), then the entries the filters hide. Folders are left out; entries that
// are gone are kept, marked gone.
std::vector<DownloadItem> ItemsFromDocument(CFileBrowserDoc& doc);

// The device behind the document's source: the removable drive's root folder for the local
// source (the folder shown elsewhere), the camera for a camera source; null when the
// source cannot download now.
std::unique_ptr<IDownloadDevice> DeviceForSource(CFileBrowserDoc& doc, CFileSystemIF& source,
                                                 const std::atomic<bool>* cancel);

// Runs the download of the document's pictures: clears every entry's downloaded flag, runs
// the engine and sets the flag on the entries whose copies were verified.
DownloadSummary RunBrowserDownload(CFileBrowserDoc& doc, IDownloadDevice& device, CDownloadHistory& history,
                                   IPrompt* prompt, IDownloadReport* report, IDownloadProgress* progress,
                                   const DownloadSettings& settings, const std::atomic<bool>& cancel,
                                   std::time_t now);
