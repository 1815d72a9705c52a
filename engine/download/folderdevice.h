#pragma once
// A memory card (or any folder) as the device of a download: its pictures are files below
// the folder, deleted with unlink, and folders emptied by the deletion are removed.
#include <string>
#include <vector>

#include "download/downloadengine.h"

class CFolderDevice : public IDownloadDevice {
public:
    // The card's root folder: nothing above it is ever removed.
    explicit CFolderDevice(std::string root) : m_root(std::move(root)) {}

    // Every file below the root at any depth, by path, skipping names that begin with ".":
    // the date is the EXIF date taken of a JPEG file when it has one, else the file's
    // modification time. False when the root cannot be read.
    static bool ListItems(const std::string& root, std::vector<DownloadItem>& items, std::string& error);

    std::unique_ptr<IByteReader> Open(const DownloadItem& item, std::optional<timespec>& modified,
                                      std::string& error) override;
    bool Delete(const DownloadItem& item, std::string& error) override;
    // Removes each folder between a deleted file and the root that no longer holds anything.
    void AfterDelete(const std::vector<const DownloadItem*>& deleted) override;

private:
    std::string m_root;
};
