#pragma once
// What a browser document and its file sources need from the rest of the program: the
// view's update channel, application services, questions, progress and thumbnails.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class CFileBrowserDoc;
class CFileSystemIF;
class IPrompt;
class IProgress;

// WM_BROWSER_UPDATE codes.
constexpr int kUpdateBrowse = 0;          // param: address of a CHint
constexpr int kUpdateFolderChanged = 1;   // param 0: call the source's Refresh
constexpr int kUpdateThumbnail = 2;       // param: visible index whose thumbnail is ready
constexpr int kUpdateCount = 3;           // param: number of visible entries (posted 0, then count)
constexpr int kUpdateListed = 4;          // param 0: listing finished
constexpr int kUpdateThumbnailsDone = 5;  // param 0: every thumbnail made

// The browser view's side of the workers' reports. Every call may come from any thread
// and must not wait for the window thread (queue it instead).
class IBrowserUpdateSink {
public:
    virtual ~IBrowserUpdateSink() = default;
    // Posts WM_BROWSER_UPDATE with a code and its parameter.
    virtual void PostUpdate(int code, intptr_t param) = 0;
    // The view's listing state: 0 idle, 1 retrieving, 2 listed from a camera.
    virtual void SetListingState(int state) { (void)state; }
    // Asks for a repaint of the whole view.
    virtual void Repaint() {}
    // Makes the document's views re-read the document (window thread only).
    virtual void UpdateAllViews() {}
};

// Application services a file source uses.
class IBrowserHost {
public:
    virtual ~IBrowserHost() = default;
    // The started-by-device flag ("-a" or "-WIA" on the command line).
    virtual bool StartedByDevice() const { return false; }
    // Clears the started-by-device flag.
    virtual void ClearStartedByDevice() {}
    // The ClicklessDownload setting.
    virtual bool ClicklessDownload() const { return false; }
    // Opens a picture in the editor (the application's open-document operation).
    virtual void OpenImage(const std::string& path) { (void)path; }
    // Makes the directory tree select the child of its selected node named `name`
    // (compared without regard to case), which browses that folder.
    virtual void SelectFolderNode(const std::string& name) { (void)name; }
    // Runs the download of the source's pictures (the download engine).
    virtual void StartDownload(CFileSystemIF& source) { (void)source; }
};

// One run of the thumbnail worker, as the local source hands it over.
struct ThumbnailRun {
    CFileBrowserDoc& doc;
    IBrowserUpdateSink* sink;       // may be null
    std::string folder;             // the folder shown (empty in file-list mode)
    bool databaseAllowed;           // a folder of a fixed drive: the database may be used
    const std::atomic<bool>& stop;  // set when the worker must end
    std::atomic<int32_t>& cursor;   // visible index to jump to, or -1
    std::atomic<int32_t>& step;     // +1 or -1
};

// Thumbnails and the thumbnail database, called by the local source.
class IThumbnailService {
public:
    virtual ~IThumbnailService() = default;
    // Loads the folder's database records into the document's entry store before a scan
    // (listing worker thread; only called for folders on fixed drives).
    virtual void LoadDatabase(CFileBrowserDoc& doc, const std::string& folder,
                              const std::atomic<bool>& stop) = 0;
    // Makes the missing thumbnails of the visible list, posting codes 2 and 5 (its own
    // thread). Must not take the document's listing lock.
    virtual void RunThumbnails(const ThumbnailRun& run) = 0;
};

// Everything above, handed by the document to each source it makes. Null members are
// allowed: nothing is posted, asked or drawn through them.
struct BrowserServices {
    IBrowserUpdateSink* sink = nullptr;
    IBrowserHost* host = nullptr;
    IPrompt* prompt = nullptr;
    IProgress* progress = nullptr;
    IThumbnailService* thumbnails = nullptr;
    // Makes the camera source (source kind 2); without it camera hints are ignored.
    std::function<std::unique_ptr<CFileSystemIF>(CFileBrowserDoc&, const BrowserServices&)> cameraSource;
};
