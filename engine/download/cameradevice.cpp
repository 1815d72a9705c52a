#include "download/cameradevice.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/safewrite.h"

std::vector<DownloadItem> CCameraDevice::ItemsOf(const std::vector<CameraItem>& files) {
    std::vector<DownloadItem> items;
    items.reserve(files.size());
    for (const CameraItem& file : files) {
        DownloadItem item;
        item.source = file.Path();
        item.name = file.name;
        item.size = file.size;
        item.date = FileTime::FromUnix(file.time, 0);
        items.push_back(std::move(item));
    }
    return items;
}

std::unique_ptr<IByteReader> CCameraDevice::Open(const DownloadItem& item, std::optional<timespec>& modified,
                                                 std::string& error) {
    // An unnamed file disappears by itself however the download ends.
    platform::UniqueFd fd(::open(m_tempFolder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600));
    if (!fd.IsOpen()) {
        const std::string pattern = m_tempFolder + "/lumaret-camera-XXXXXX";
        std::vector<char> name(pattern.begin(), pattern.end());
        name.push_back('\0');
        fd.Reset(::mkostemp(name.data(), O_CLOEXEC));
        if (!fd.IsOpen()) {
            error = std::string("cannot make a temporary file: ") + std::strerror(errno);
            return nullptr;
        }
        ::unlink(name.data());
    }
    const CameraItem file = CameraItemFromPath(item.source);
    if (m_session.Download(file, fd.Get(), error, m_cancel) != CameraError::None) return nullptr;
    struct stat st {};
    if (::fstat(fd.Get(), &st) != 0) {
        error = std::strerror(errno);
        return nullptr;
    }
    // A transfer that ended early must not pass for the picture. Sizes that came through a
    // browser entry keep only their low 32 bits, so those are what is compared then.
    const uint64_t got = static_cast<uint64_t>(st.st_size);
    const bool matches = item.size <= UINT32_MAX ? static_cast<uint32_t>(got) == item.size : got == item.size;
    if (item.size != 0 && !matches) {
        error = "the camera sent " + std::to_string(st.st_size) + " of " + std::to_string(item.size) + " bytes";
        return nullptr;
    }
    if (::lseek(fd.Get(), 0, SEEK_SET) != 0) {
        error = std::strerror(errno);
        return nullptr;
    }
    if (item.date.Ticks() != 0) {
        constexpr uint64_t kTicksPerSecond = 10000000ULL, kEpochDifference = 11644473600ULL;
        const uint64_t seconds = item.date.Ticks() / kTicksPerSecond;
        if (seconds >= kEpochDifference) modified = timespec{static_cast<time_t>(seconds - kEpochDifference), 0};
    }
    return std::make_unique<CFdReader>(fd.Release());
}

bool CCameraDevice::Delete(const DownloadItem& item, std::string& error) {
    return m_session.Delete(CameraItemFromPath(item.source), error) == CameraError::None;
}
