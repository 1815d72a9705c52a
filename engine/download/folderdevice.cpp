#include "download/folderdevice.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <set>

#include "browser/thumbnails/thumbimage.h"
#include "exif/exif.h"
#include "platform/mounts.h"

namespace fs = std::filesystem;

bool CFolderDevice::ListItems(const std::string& root, std::vector<DownloadItem>& items, std::string& error) {
    items.clear();
    std::error_code ec;
    fs::recursive_directory_iterator it(root, fs::directory_options::none, ec), end;
    if (ec) {
        error = "cannot read folder '" + root + "': " + ec.message();
        return false;
    }
    for (; it != end; it.increment(ec)) {
        if (ec) break;
        const std::string name = it->path().filename().string();
        if (!name.empty() && name[0] == '.') {
            if (it->is_directory(ec)) it.disable_recursion_pending();
            continue;
        }
        struct stat st {};
        if (::stat(it->path().c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
        DownloadItem item;
        item.source = it->path().string();
        item.name = name;
        item.size = static_cast<uint64_t>(st.st_size);
        item.date = FileTime::FromUnix(st.st_mtim.tv_sec, static_cast<uint32_t>(st.st_mtim.tv_nsec));
        if (IsJpegName(name)) {
            CExif exif(item.source);
            if (exif.Read() == 0)
                if (const auto taken = exif.GetDateTaken())
                    if (const auto date = thumbs::ParseExifDate(*taken)) item.date = *date;
        }
        items.push_back(std::move(item));
    }
    if (ec) {
        error = "cannot read below '" + root + "': " + ec.message();
        return false;
    }
    std::sort(items.begin(), items.end(),
              [](const DownloadItem& a, const DownloadItem& b) { return a.source < b.source; });
    return true;
}

std::unique_ptr<IByteReader> CFolderDevice::Open(const DownloadItem& item, std::optional<timespec>& modified,
                                                 std::string& error) {
    const int fd = ::open(item.source.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = std::string("cannot open: ") + std::strerror(errno);
        return nullptr;
    }
    struct stat st {};
    if (::fstat(fd, &st) == 0) modified = st.st_mtim;
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    return std::make_unique<CFdReader>(fd);
}

bool CFolderDevice::Delete(const DownloadItem& item, std::string& error) {
    if (::unlink(item.source.c_str()) == 0) return true;
    error = std::strerror(errno);
    return false;
}

void CFolderDevice::AfterDelete(const std::vector<const DownloadItem*>& deleted) {
    const std::string root = platform::ResolvePath(m_root);
    // Deepest first, so that a folder emptied by removing its empty sub-folder goes too.
    std::set<std::string, std::greater<>> folders;
    for (const DownloadItem* item : deleted) {
        std::string folder = platform::ResolvePath(fs::path(item->source).parent_path().string());
        while (folder != root && platform::PathHasPrefix(folder, root)) {
            folders.insert(folder);
            folder = fs::path(folder).parent_path().string();
        }
    }
    // rmdir removes only empty folders: anything left in one (a file whose copy failed,
    // a hidden file) keeps it and its parents.
    for (const std::string& folder : folders) ::rmdir(folder.c_str());
}
