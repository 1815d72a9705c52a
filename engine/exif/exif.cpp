#include "exif/exif.h"

#include <cstdio>
#include <cstring>

#include "exif/exifformat.h"

namespace {

bool IsFrameMarker(uint8_t m) {
    // SOF0..SOF15 except DHT (C4), JPG (C8) and DAC (CC).
    return m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC;
}

}  // namespace

// Sequential reads from wherever the JPEG bytes are.
class CExif::CByteReader {
public:
    virtual ~CByteReader() = default;
    // Next byte, or -1 at the end.
    virtual int Byte() = 0;
    // Reads up to n bytes; returns how many were read.
    virtual size_t Read(uint8_t* dst, size_t n) = 0;
    // Moves n bytes on; false at the end.
    virtual bool Skip(size_t n) = 0;
    virtual uint64_t Position() const = 0;
};

class CExif::CFileReader : public CExif::CByteReader {
public:
    explicit CFileReader(const std::string& path) : m_file(std::fopen(path.c_str(), "rb")) {}
    ~CFileReader() override {
        if (m_file) std::fclose(m_file);
    }
    CFileReader(const CFileReader&) = delete;
    CFileReader& operator=(const CFileReader&) = delete;

    bool IsOpen() const { return m_file != nullptr; }
    int Byte() override {
        int c = std::getc(m_file);
        if (c == EOF) return -1;
        ++m_position;
        return c;
    }
    size_t Read(uint8_t* dst, size_t n) override {
        size_t got = std::fread(dst, 1, n, m_file);
        m_position += got;
        return got;
    }
    bool Skip(size_t n) override {
        if (std::fseek(m_file, static_cast<long>(n), SEEK_CUR) != 0) return false;
        m_position += n;
        return true;
    }
    uint64_t Position() const override { return m_position; }

private:
    std::FILE* m_file;
    uint64_t m_position = 0;
};

class CExif::CMemoryReader : public CExif::CByteReader {
public:
    CMemoryReader(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
    int Byte() override { return m_position < m_size ? m_data[m_position++] : -1; }
    size_t Read(uint8_t* dst, size_t n) override {
        size_t got = n < m_size - m_position ? n : m_size - m_position;
        if (got) std::memcpy(dst, m_data + m_position, got);
        m_position += got;
        return got;
    }
    bool Skip(size_t n) override {
        if (n > m_size - m_position) {
            m_position = m_size;
            return false;
        }
        m_position += n;
        return true;
    }
    uint64_t Position() const override { return m_position; }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_position = 0;
};

CExif::CExif(std::string path) : m_path(std::move(path)) {}

void CExif::Reset() {
    m_segments.clear();
    m_loaded = m_hasApp0 = m_hasExif = m_hasApp2 = false;
    m_entropyPosition = 0;
    m_width = m_height = m_components = -1;
    m_section.Clear();
}

int CExif::Read() {
    Reset();
    CFileReader reader(m_path);
    if (!reader.IsOpen()) return -1;
    Scan(reader);
    return 0;
}

int CExif::ReadMemory(const uint8_t* data, size_t size) {
    Reset();
    CMemoryReader reader(data, data ? size : 0);
    Scan(reader);
    return 0;
}

void CExif::Scan(CByteReader& reader) {
    bool soiSeen = false;
    for (;;) {
        int c = reader.Byte();
        if (c < 0) break;
        if (c != 0xFF) {
            // Not a JPEG at all, or junk between segments: look for the next marker.
            if (!soiSeen) return;
            continue;
        }
        while (c == 0xFF) c = reader.Byte();
        if (c < 0) break;
        const uint8_t marker = static_cast<uint8_t>(c);
        if (marker == 0x00) continue;  // a stuffed 0xFF data byte, not a marker
        if (!soiSeen && marker != kSOI) return;
        if (marker == kSOI) {
            // A second SOI would make the rewritten file start over; keep only the first.
            if (!soiSeen) m_segments.push_back(CJpegSegment{kSOI, 0, {}, reader.Position()});
            soiSeen = true;
            continue;
        }
        if (marker == kEOI) break;
        if ((marker >= 0xD0 && marker <= 0xD7) || marker == 0x01) continue;  // no payload

        CJpegSegment segment;
        segment.marker = marker;
        segment.fileOffset = reader.Position();
        uint8_t lengthBytes[2];
        if (reader.Read(lengthBytes, 2) != 2) break;
        const int32_t length = lengthBytes[0] << 8 | lengthBytes[1];
        if (length < 2) break;  // a length that does not count itself: the header is broken
        segment.length = length;

        const bool keep = IsFrameMarker(marker) || marker == kDHT || marker == kDAC || marker == kDQT ||
                          marker == kDRI || marker == kAPP0 || marker == kAPP1 || marker == kAPP2 ||
                          marker == kSOS;
        if (!keep) {
            if (!reader.Skip(static_cast<size_t>(length - 2))) break;
            continue;
        }
        segment.bytes.resize(static_cast<size_t>(length));
        segment.bytes[0] = lengthBytes[0];
        segment.bytes[1] = lengthBytes[1];
        // A segment cut short by the end of the file is not kept.
        if (reader.Read(segment.bytes.data() + 2, static_cast<size_t>(length - 2)) != static_cast<size_t>(length - 2))
            break;

        if (marker == kAPP1) {
            if (length < 6 || std::memcmp(segment.bytes.data() + 2, "Exif", 4) != 0) continue;
            m_hasExif = true;
        } else if (marker == kAPP0) {
            m_hasApp0 = true;
        } else if (marker == kAPP2) {
            m_hasApp2 = true;
        } else if (IsFrameMarker(marker) && m_width < 0 && length >= 8) {
            const uint8_t* p = segment.bytes.data() + 2;
            m_height = p[1] << 8 | p[2];
            m_width = p[3] << 8 | p[4];
            m_components = p[5];
        }
        const bool sos = marker == kSOS;
        if (sos) m_entropyPosition = reader.Position();
        m_segments.push_back(std::move(segment));
        if (sos) break;
    }
    if (!soiSeen) return;
    m_loaded = true;
    ParseExif();
}

void CExif::ParseExif() {
    m_section.Clear();
    if (const CJpegSegment* segment = ExifSegment())
        m_section.Parse(segment->bytes.data(), segment->bytes.size());
}

const CJpegSegment* CExif::ExifSegment() const {
    for (const CJpegSegment& s : m_segments)
        if (s.marker == kAPP1) return &s;
    return nullptr;
}

int CExif::GetOrientation() const {
    const CIFDEntry* entry = m_section.FindEntry(kTagOrientation);
    uint32_t value = 0;
    if (entry == nullptr || !entry->FirstInteger(value)) return 1;
    return static_cast<int>(value & 0xFFFF);
}

void CExif::ResetOrientation() {
    CIFDEntry* entry = m_section.FindEntry(kTagOrientation);
    if (entry != nullptr && entry->HasValues()) entry->Values()[0].first = 1;
}

void CExif::GetImageSize(int& width, int& height, int& components) const {
    width = m_width;
    height = m_height;
    components = m_components;
    if (m_width >= 0 || !m_hasExif) return;
    uint32_t value = 0;
    const CIFDEntry* x = m_section.FindEntry(kTagPixelXDimension);
    const CIFDEntry* y = m_section.FindEntry(kTagPixelYDimension);
    if (x && x->FirstInteger(value) && value <= 0x7FFFFFFF) width = static_cast<int>(value);
    if (y && y->FirstInteger(value) && value <= 0x7FFFFFFF) height = static_cast<int>(value);
}

std::optional<std::string> CExif::GetDateTaken() const {
    const CIFDEntry* entry = m_section.FindEntry(kTagDateTimeOriginal);
    if (entry == nullptr) return std::nullopt;
    std::string name, value;
    if (!FormatEntry(*entry, name, value)) return std::nullopt;
    return value;
}

const uint8_t* CExif::GetThumbnail() const {
    return m_section.Thumbnail().empty() ? nullptr : m_section.Thumbnail().data();
}

size_t CExif::GetThumbnailSize() const { return m_section.Thumbnail().size(); }
