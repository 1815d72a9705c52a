#pragma once
// CFileSystemIF: a file source of the browser document (a disk folder or a camera). It
// fills the document's entries, runs the workers that list, make thumbnails and watch,
// and carries out the user's commands on the entries.
#include <cstdint>
#include <string>
#include <vector>

struct CHint;

class CFileSystemIF {
public:
    // Copy or move for CopyOrMove.
    static constexpr int32_t kCopy = 1;
    static constexpr int32_t kMove = 2;

    // Slot 0: 1 for the local disk, 2 for a camera.
    virtual int32_t GetSourceKind() const = 0;
    // Slot 1: starts listing what the hint names; null re-lists the current folder.
    virtual void Browse(const CHint* hint) = 0;
    // Slot 2: re-scans what is shown, keeping known entries and their thumbnails.
    virtual void Refresh() = 0;
    // Slot 3: the visible row the thumbnail worker goes to next, and its direction.
    virtual void SetThumbnailCursor(int32_t visibleIndex, int32_t step) = 0;
    // Slot 4: opens the entry at a visible row (picture in the editor, folder in the tree).
    virtual void OpenEntry(int32_t visibleIndex) { (void)visibleIndex; }
    // Slot 5: stops the thumbnail worker and starts it again.
    virtual void RestartThumbnails() = 0;
    // Slot 6: called by the view when every thumbnail is made.
    virtual void OnThumbnailsDone() = 0;
    // Slot 7: downloads the pictures.
    virtual void Download() = 0;
    // Slot 8: whether Download can run.
    virtual bool CanDownload() = 0;
    // Slot 9: deletes the selected entries after asking.
    virtual void DeleteSelected() = 0;
    // Slot 10: whether DeleteSelected can run.
    virtual bool CanDelete() = 0;
    // Slot 11: lists every file of every sub-folder at once.
    virtual void FlatViewOn() = 0;
    // Slot 12: whether FlatViewOn is offered.
    virtual bool CanFlatViewOn() = 0;
    // Slot 13: back to one folder at a time.
    virtual void FlatViewOff() = 0;
    // Slot 14: whether flat view is shown (as a user choice).
    virtual bool IsFlatView() = 0;
    // Slot 15: true when `path` does not exist or is not a folder.
    virtual bool IsNotFolder(const std::string& path) { (void)path; return false; }
    // Slot 16: true when no path of the list is a folder.
    virtual bool AreAllFiles(const std::vector<std::string>& paths) { (void)paths; return false; }
    // Slot 17: copies (1) or moves (2) the files into the folder shown.
    virtual bool CopyOrMove(const std::vector<std::string>& paths, int32_t operation) {
        (void)paths;
        (void)operation;
        return false;
    }
    // Slot 18: the paths of the selected visible files; false when none or a folder is among them.
    virtual bool GetSelectedFiles(std::vector<std::string>& paths) { (void)paths; return false; }
    // Slot 19: drops entries whose files have gone (file-list mode).
    virtual void Revalidate() {}
    // Slot 20: stops every worker.
    virtual ~CFileSystemIF() = default;

    // Stops the thumbnail worker (until RestartThumbnails), so that the document can
    // rebuild its visible list without the worker reading it.
    virtual void StopThumbnails() {}
};
