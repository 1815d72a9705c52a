#include "browser/thumbnails/thumbnaildb.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstring>

#include "browser/browserdoc.h"
#include "core/prompt.h"
#include "platform/safewrite.h"

namespace {

constexpr char kMagic[4] = {'L', 'M', 'T', 'B'};

using platform::UniqueFd;
using platform::WriteAll;

// Reads up to `size` bytes; returns how many were read before the end or an error.
size_t ReadAll(int fd, uint8_t* data, size_t size) {
    size_t got = 0;
    while (got < size) {
        const ssize_t n = ::read(fd, data + got, size - got);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += static_cast<size_t>(n);
    }
    return got;
}

void Header(uint8_t out[8]) {
    std::memcpy(out, kMagic, 4);
    const uint32_t v = CThumbnailDatabase::kVersion;
    for (int i = 0; i < 4; ++i) out[4 + i] = static_cast<uint8_t>(v >> (8 * i));
}

// True when the record's path fits the record whole (longer paths are kept in memory only).
bool PathFitsRecord(const CFileBrowserDoc& doc, int32_t index, const FileEntry& e) {
    if (EntryPathLength(e) < FileEntry::kPathBytes - 1) return true;
    return doc.StorePath(index).size() <= FileEntry::kPathBytes - 1;
}

}  // namespace

CThumbnailDatabase::CThumbnailDatabase(std::string file) : m_file(std::move(file)) {}

CThumbnailDatabase::~CThumbnailDatabase() { Close(); }

std::string CThumbnailDatabase::FileNameFor(const std::string& folder) {
    std::string slashes;
    for (char c : folder) slashes += c == '/' ? std::string("(.)") : std::string(1, c);
    std::string name;
    for (char c : slashes) name += c == ':' ? std::string("(..)") : std::string(1, c);
    return name + ".db";
}

bool CThumbnailDatabase::LengthIsValid(uint64_t length) {
    if (length < kHeaderBytes) return false;
    const double x = static_cast<double>(length - kHeaderBytes) / static_cast<double>(kRecordBytes);
    return std::fabs(std::floor(x) - x) <= 0.5;
}

bool CThumbnailDatabase::WriteHeaderFile() {
    uint8_t header[8];
    Header(header);
    std::string error;
    return platform::ReplaceFileWithBytes(m_file, header, error);
}

int CThumbnailDatabase::Check() {
    if (m_file.empty()) return kCannotCreate;
    UniqueFd fd(::open(m_file.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.Get() >= 0) {
        uint8_t header[8];
        struct stat info {};
        if (ReadAll(fd.Get(), header, 8) != 8 || ::fstat(fd.Get(), &info) != 0 || !S_ISREG(info.st_mode))
            return kInvalid;
        uint8_t expected[8];
        Header(expected);
        if (std::memcmp(header, expected, 8) != 0) return kInvalid;
        return LengthIsValid(static_cast<uint64_t>(info.st_size)) ? kValid : kInvalid;
    }
    // A file that exists but cannot be read is not ours to replace.
    if (errno != ENOENT) return kCannotCreate;
    return WriteHeaderFile() ? kValid : kCannotCreate;
}

void CThumbnailDatabase::Remove() {
    Close();
    if (!m_file.empty()) ::unlink(m_file.c_str());
}

bool CThumbnailDatabase::RecordIsPlausible(const uint8_t* record) {
    if (!RecordLooksValid(record)) return false;
    if (record[0] != '/') return false;  // listed paths are absolute
    const uint32_t flags = static_cast<uint32_t>(record[51764]) | (static_cast<uint32_t>(record[51765]) << 8) |
                           (static_cast<uint32_t>(record[51766]) << 16) |
                           (static_cast<uint32_t>(record[51767]) << 24);
    // Only JPEG files that were present are ever written.
    return (flags & kEntryJpeg) != 0 && (flags & (kEntryFolder | kEntryGone)) == 0;
}

int CThumbnailDatabase::Load(CFileBrowserDoc& doc, const std::atomic<bool>& stop, IProgress* progress,
                             int* skipped) {
    if (skipped) *skipped = 0;
    if (Check() != kValid) {
        Remove();
        return 0;
    }
    UniqueFd fd(::open(m_file.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat info {};
    if (fd.Get() < 0 || ::fstat(fd.Get(), &info) != 0) return 0;
    const uint64_t records = (static_cast<uint64_t>(info.st_size) - kHeaderBytes) / kRecordBytes;
    if (progress) progress->Start("Loading thumbnails...", static_cast<int>(records));
    if (::lseek(fd.Get(), static_cast<off_t>(kHeaderBytes), SEEK_SET) < 0) {
        if (progress) progress->End();
        return 0;
    }
    constexpr uint32_t kKeptFlags = kEntryThumbnailReady | kEntryJpegFlags | kEntryDownloaded;
    m_record.resize(kRecordBytes);
    int loaded = 0, read = 0, ignored = 0;
    while (!stop) {
        // A short read is the end (a partial last record is not a record).
        if (ReadAll(fd.Get(), m_record.data(), kRecordBytes) != kRecordBytes) break;
        ++read;
        if (progress && read % 100 == 0) progress->SetPosition(read);
        if (!RecordIsPlausible(m_record.data())) {
            ++ignored;
            continue;
        }
        const int32_t index = doc.AddEntry(reinterpret_cast<const char*>(m_record.data()));
        FileEntry* entry = doc.Entry(index);
        if (!entry) break;
        ReadEntryRecord(m_record.data(), *entry);
        // Selection and the seen mark belong to the session that wrote the record.
        entry->flags &= kKeptFlags;
        ++loaded;
    }
    if (progress) progress->End();
    if (skipped) *skipped = ignored;
    return loaded;
}

bool CThumbnailDatabase::OpenForAppend() {
    Close();
    if (m_file.empty()) return false;
    UniqueFd fd(::open(m_file.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644));
    struct stat info {};
    if (fd.Get() < 0 || ::fstat(fd.Get(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
    uint64_t length = static_cast<uint64_t>(info.st_size);
    if (length < kHeaderBytes) {
        // Made just now (or emptied by someone): it needs its header.
        uint8_t header[8];
        Header(header);
        if (::ftruncate(fd.Get(), 0) != 0 || !WriteAll(fd.Get(), header, sizeof header)) return false;
        length = kHeaderBytes;
    }
    const uint64_t whole = kHeaderBytes + (length - kHeaderBytes) / kRecordBytes * kRecordBytes;
    if (whole != length && ::ftruncate(fd.Get(), static_cast<off_t>(whole)) != 0) return false;
    if (::lseek(fd.Get(), static_cast<off_t>(whole), SEEK_SET) < 0) return false;
    m_fd = fd.Release();
    return true;
}

bool CThumbnailDatabase::Append(const FileEntry& entry) {
    if (m_fd < 0) return false;
    m_record.resize(kRecordBytes);
    WriteEntryRecord(entry, m_record.data());
    const off_t before = ::lseek(m_fd, 0, SEEK_CUR);
    if (WriteAll(m_fd, m_record.data(), kRecordBytes)) return true;
    // A disk that is full: leave no partial record behind and stop using the file.
    if (before >= 0 && ::ftruncate(m_fd, before) != 0) {
        // Nothing more can be done; the next check or load deals with the length.
    }
    Close();
    return false;
}

void CThumbnailDatabase::Close() {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
}

bool CThumbnailDatabase::HasGoneImages(const CFileBrowserDoc& doc) {
    const int32_t count = doc.EntryCount();
    for (int32_t i = 0; i < count; ++i) {
        const FileEntry* e = doc.Entry(i);
        if (e && e->IsJpeg() && e->Has(kEntryGone)) return true;
    }
    return false;
}

bool CThumbnailDatabase::Rewrite(CFileBrowserDoc& doc, IProgress* progress) {
    Close();
    if (m_file.empty()) return false;
    const int32_t count = doc.EntryCount();
    // The new database replaces the old one only when complete; a failure keeps the old one,
    // whose records of gone files the next load simply does not match.
    std::string error;
    return platform::ReplaceFile(m_file, [&](int fd) {
        if (progress) progress->Start("Updating database...", count);
        uint8_t header[8];
        Header(header);
        bool ok = WriteAll(fd, header, sizeof header);
        m_record.resize(kRecordBytes);
        for (int32_t i = 0; i < count && ok; ++i) {
            FileEntry* e = doc.Entry(i);
            if (!e) break;
            if (progress && i % 30 == 0) progress->SetPosition(i);
            if (!e->IsJpeg()) continue;
            if (e->Has(kEntryGone)) {
                // Kept gone (so no scan takes it for a file again), no longer counted as an image.
                ClearEntryFlags(*e, kEntryJpegFlags);
                continue;
            }
            if (!e->Has(kEntryThumbnailReady) || !PathFitsRecord(doc, i, *e)) continue;
            WriteEntryRecord(*e, m_record.data());
            ok = WriteAll(fd, m_record.data(), kRecordBytes);
        }
        return ok;
    }, error);
}
