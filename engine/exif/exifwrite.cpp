// CExif: carrying an EXIF block over to another file and writing the file back.
#include <cstdio>
#include <cstring>
#include <memory>

#include "exif/exif.h"
#include "platform/safewrite.h"

namespace {

bool IsExifApp1(const CJpegSegment& s) {
    return s.marker == CExif::kAPP1 && s.bytes.size() >= 6 && std::memcmp(s.bytes.data() + 2, "Exif", 4) == 0;
}

struct FileCloser {
    void operator()(std::FILE* f) const {
        if (f) std::fclose(f);
    }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

}  // namespace

bool CExif::CopyExifFrom(CExif& source) {
    if (!source.m_loaded) source.Read();
    return CopyExifFrom(static_cast<const CExif&>(source));
}

bool CExif::CopyExifFrom(const CExif& source) {
    if (!m_loaded) Read();
    if (!source.m_hasExif && !source.m_hasApp2) return false;
    if (!m_hasApp0) return false;

    size_t app0 = 0;
    for (size_t i = 1; i < m_segments.size() && app0 == 0; ++i)
        if (m_segments[i].marker == kAPP0) app0 = i;
    if (app0 == 0) return false;

    // Everything is taken from the source before this list changes (the source may be us).
    std::vector<uint8_t> block;
    if (source.m_hasExif) block = source.m_section.Rebuild();
    std::vector<CJpegSegment> app2;
    if (source.m_hasApp2)
        for (const CJpegSegment& s : source.m_segments)
            if (s.marker == kAPP2) app2.push_back(s);
    if (block.empty() && app2.empty()) return false;

    std::vector<CJpegSegment> segments;
    segments.reserve(m_segments.size() + app2.size());
    for (size_t i = 0; i < m_segments.size(); ++i) {
        CJpegSegment& s = m_segments[i];
        if (i == app0) {
            if (block.empty()) segments.push_back(std::move(s));  // keep the JFIF header then
            for (CJpegSegment& a : app2) segments.push_back(std::move(a));
            if (!block.empty()) {
                CJpegSegment exifSegment;
                exifSegment.marker = kAPP1;
                exifSegment.length = static_cast<int32_t>(block.size());
                exifSegment.bytes = std::move(block);
                segments.push_back(std::move(exifSegment));
            }
        } else if (IsExifApp1(s) || (s.marker == kAPP2 && !app2.empty())) {
            // The file's own EXIF block (or ICC profile) would otherwise appear twice.
            continue;
        } else {
            segments.push_back(std::move(s));
        }
    }
    m_segments = std::move(segments);
    m_hasApp0 = m_hasExif = m_hasApp2 = false;
    for (const CJpegSegment& s : m_segments) {
        m_hasApp0 |= s.marker == kAPP0;
        m_hasApp2 |= s.marker == kAPP2;
        m_hasExif |= IsExifApp1(s);
    }
    ParseExif();
    return true;
}

bool CExif::WriteFile() {
    if (!m_loaded || m_path.empty() || m_entropyPosition == 0) return false;
    FilePtr in(std::fopen(m_path.c_str(), "rb"));
    if (!in) return false;
    if (std::fseek(in.get(), static_cast<long>(m_entropyPosition), SEEK_SET) != 0) return false;

    // The new file is made beside the old one and renamed over it, so that a failure at
    // any point leaves the original as it was.
    uint64_t headerBytes = 0;
    std::vector<uint64_t> offsets;
    std::string error;
    const bool written = platform::ReplaceFile(m_path, [&](int fd) {
        for (const CJpegSegment& s : m_segments) {
            const uint8_t marker[2] = {0xFF, s.marker};
            if (!platform::WriteAll(fd, marker, 2) || !platform::WriteAll(fd, s.bytes.data(), s.bytes.size()))
                return false;
            offsets.push_back(headerBytes + 2);
            headerBytes += 2 + s.bytes.size();
        }
        std::vector<uint8_t> chunk(100000);
        for (;;) {
            const size_t got = std::fread(chunk.data(), 1, chunk.size(), in.get());
            if (got == 0) return !std::ferror(in.get());
            if (!platform::WriteAll(fd, chunk.data(), got)) return false;
        }
    }, error);
    if (!written) return false;
    // The object now describes the new file, so it can be written again.
    m_entropyPosition = headerBytes;
    for (size_t i = 0; i < m_segments.size(); ++i) m_segments[i].fileOffset = offsets[i];
    return true;
}
