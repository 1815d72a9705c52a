#pragma once
// CAPP1Section: the parsed EXIF block (an APP1 segment holding a TIFF structure).
#include <cstddef>
#include <cstdint>
#include <vector>

#include "exif/ifdentry.h"

class CAPP1Section {
public:
    // Largest JPEG segment: the 16-bit length counts itself, so 65533 payload bytes.
    static constexpr size_t kMaxSegmentBytes = 65535;
    // Text of the Software entry stamped into every block this program writes.
    static constexpr const char* kSoftwareText = "Lumaret for Windows";

    // Forgets everything parsed.
    void Clear();
    // Parses an EXIF record (2 length bytes, "Exif", 0, 0, TIFF structure). Every offset and
    // count is checked against `size`; what does not fit is left out.
    void Parse(const uint8_t* record, size_t size);

    // 1 = Intel ("II"), 2 = Motorola ("MM"), 0 = no usable TIFF header.
    int ByteOrder() const { return m_byteOrder; }
    const std::vector<CIFD>& Directories() const { return m_directories; }
    std::vector<CIFD>& Directories() { return m_directories; }
    // The first directory with this id, or null.
    const CIFD* FindDirectory(uint32_t id) const;
    // The directory with this id; an empty one is added in id order when there is none.
    CIFD& Directory(uint32_t id);
    // The first entry with this tag, looking through the directories in order.
    const CIFDEntry* FindEntry(uint16_t tag) const;
    CIFDEntry* FindEntry(uint16_t tag);

    // The embedded IFD1 thumbnail bytes (empty when none).
    const std::vector<uint8_t>& Thumbnail() const { return m_thumbnail; }
    // Where the thumbnail was found, counted from the TIFF header (0 when none).
    uint32_t ThumbnailOffset() const { return m_thumbnailOffset; }

    // The block rebuilt in Intel order as a complete record (2 length bytes, "Exif", 0, 0,
    // TIFF structure). Drops the thumbnail when the block would not fit one JPEG segment,
    // and returns an empty vector when it still would not fit or there is nothing to write.
    std::vector<uint8_t> Rebuild() const;
    // The same with the thumbnail left out or kept as asked; empty when it does not fit.
    std::vector<uint8_t> Rebuild(bool withThumbnail) const;

private:
    friend class CTiffParser;

    int m_byteOrder = 0;
    std::vector<CIFD> m_directories;
    std::vector<uint8_t> m_thumbnail;
    uint32_t m_thumbnailOffset = 0;
};
