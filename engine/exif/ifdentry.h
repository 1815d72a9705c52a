#pragma once
// CIFDEntry and CIFD: the entries and directories of a TIFF structure inside an EXIF block.
#include <cstdint>
#include <string>
#include <vector>

// One value slot of a directory entry: a byte, a 16-bit or 32-bit value in `first`, or a
// rational's numerator in `first` and denominator in `second` (a DOUBLE's low and high words).
struct TIFDENTRY_TYPE {
    uint32_t first = 0;
    uint32_t second = 0;
};

// TIFF value type codes.
enum TiffType : uint16_t {
    kTiffByte = 1,
    kTiffAscii = 2,
    kTiffShort = 3,
    kTiffLong = 4,
    kTiffRational = 5,
    kTiffSByte = 6,
    kTiffUndefined = 7,
    kTiffSShort = 8,
    kTiffSLong = 9,
    kTiffSRational = 10,
    kTiffFloat = 11,
    kTiffDouble = 12,
    kTiffIfd = 13,  // a 32-bit directory offset
};

// Directory ids: the order in which directories are kept and written.
enum IfdId : uint32_t {
    kIfd0 = 0,
    kIfdExif = 0xF01,
    kIfdGps = 0xF02,
    kIfdInterop = 0xF03,
    kIfd1 = 0xF04,
    kIfdThumbnailData = 0x1000,  // target of the thumbnail offset when a block is rebuilt
};

// Tags the structure code itself needs.
enum ExifTag : uint16_t {
    kTagOrientation = 0x112,
    kTagSoftware = 0x131,
    kTagThumbnailOffset = 0x201,
    kTagThumbnailLength = 0x202,
    kTagExifPointer = 0x8769,
    kTagGpsPointer = 0x8825,
    kTagInteropPointer = 0xA005,
    kTagDateTimeOriginal = 0x9003,
    kTagPixelXDimension = 0xA002,
    kTagPixelYDimension = 0xA003,
};

// Bytes per element of a TIFF type; 0 for type codes this program does not know.
int TiffElementSize(uint16_t type);

class CIFDEntry {
public:
    CIFDEntry() = default;
    // An entry with `count` zero-filled value slots.
    CIFDEntry(uint16_t tag, uint16_t type, int32_t count, int byteOrder);

    uint16_t Tag() const { return m_tag; }
    uint16_t Type() const { return m_type; }
    int32_t Count() const { return m_count; }
    int ElementSize() const { return m_elementSize; }
    // count × element size: the bytes the value takes in a TIFF block.
    uint32_t ByteSize() const { return m_byteSize; }
    int ByteOrder() const { return m_byteOrder; }
    // True when value slots are held (false for unknown types).
    bool HasValues() const { return !m_values.empty(); }

    const std::vector<TIFDENTRY_TYPE>& Values() const { return m_values; }
    std::vector<TIFDENTRY_TYPE>& Values() { return m_values; }
    // Slot i's first word, or 0 when there is no such slot.
    uint32_t Value(size_t i) const { return i < m_values.size() ? m_values[i].first : 0; }
    // The first value as an unsigned integer when the type is an integer type; false else.
    bool FirstInteger(uint32_t& value) const;
    // Makes the entry an ASCII text (the terminating zero is counted).
    void SetText(const std::string& text);

    void SetTag(uint16_t tag) { m_tag = tag; }

private:
    uint16_t m_tag = 0;
    uint16_t m_type = 0;
    uint32_t m_byteSize = 0;
    int m_elementSize = 0;
    int32_t m_count = 0;
    int m_byteOrder = 0;
    std::vector<TIFDENTRY_TYPE> m_values;
};

class CIFD {
public:
    explicit CIFD(uint32_t id = kIfd0) : m_id(id) {}

    uint32_t Id() const { return m_id; }
    std::vector<CIFDEntry>& Entries() { return m_entries; }
    const std::vector<CIFDEntry>& Entries() const { return m_entries; }
    // The first entry with this tag, or null.
    const CIFDEntry* Find(uint16_t tag) const;
    CIFDEntry* Find(uint16_t tag);
    // Makes the first entry with `tag` hold one unsigned number: a SHORT or LONG entry keeps
    // its type when the number fits it, any other becomes a LONG; without such an entry a
    // LONG is added in tag order.
    void SetUnsigned(uint16_t tag, uint32_t value);

private:
    uint32_t m_id;
    std::vector<CIFDEntry> m_entries;
};
