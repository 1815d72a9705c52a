#pragma once
// CExif: the marker segments at the head of a JPEG file and its parsed EXIF block.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "exif/app1section.h"

// One marker segment kept from the head of a JPEG file.
struct CJpegSegment {
    uint8_t marker = 0;          // the code after 0xFF
    int32_t length = 0;          // the 16-bit length field; 0 for SOI
    std::vector<uint8_t> bytes;  // the 2 length bytes followed by the payload; empty for SOI
    uint64_t fileOffset = 0;     // where the length bytes were in the file
};

class CExif {
public:
    // Marker codes the scan handles.
    static constexpr uint8_t kSOI = 0xD8, kEOI = 0xD9, kSOS = 0xDA, kSOF0 = 0xC0, kDHT = 0xC4, kDAC = 0xCC,
                             kDQT = 0xDB, kDRI = 0xDD, kAPP0 = 0xE0, kAPP1 = 0xE1, kAPP2 = 0xE2;

    // An object bound to one file; nothing is read until Read().
    explicit CExif(std::string path = {});

    // Scans the file's segments and parses its EXIF block: -1 when the file cannot be
    // opened, else 0 (a file that is not a JPEG is then simply not loaded).
    int Read();
    // The same scan over bytes in memory (no path: WriteFile is then impossible).
    int ReadMemory(const uint8_t* data, size_t size);

    // Makes this file's segments carry `source`'s EXIF block (rebuilt) and APP2 segments in
    // place of its APP0 segment, reading either file first when it is not loaded yet. False
    // when nothing was copied.
    bool CopyExifFrom(CExif& source);
    // The same from a source that has already been read (it is not read here).
    bool CopyExifFrom(const CExif& source);
    // Writes the segments and the entropy-coded rest of the file back to the path, through
    // a temporary file beside it; the file is untouched when false is returned.
    bool WriteFile();

    // The first value of the first Orientation entry, in directory order; 1 when none.
    int GetOrientation() const;
    // Sets that value to 1 (in memory only).
    void ResetOrientation();
    // Width, height and components from the frame header; without one, width and height
    // from the EXIF pixel dimensions. -1 for what is unknown.
    void GetImageSize(int& width, int& height, int& components) const;
    // DateTimeOriginal as stored ("YYYY:MM:DD HH:MM:SS"); nothing when absent.
    std::optional<std::string> GetDateTaken() const;
    // The embedded thumbnail (JPEG bytes as stored; null and 0 when none).
    const uint8_t* GetThumbnail() const;
    size_t GetThumbnailSize() const;

    const std::string& Path() const { return m_path; }
    bool IsLoaded() const { return m_loaded; }
    bool HasApp0() const { return m_hasApp0; }
    bool HasExif() const { return m_hasExif; }
    bool HasApp2() const { return m_hasApp2; }
    // Where the entropy-coded data begins (just after the SOS segment); 0 when no SOS was found.
    uint64_t EntropyDataPosition() const { return m_entropyPosition; }
    const std::vector<CJpegSegment>& Segments() const { return m_segments; }
    const CAPP1Section& Section() const { return m_section; }
    CAPP1Section& Section() { return m_section; }
    // The segment whose EXIF block was parsed, or null.
    const CJpegSegment* ExifSegment() const;

private:
    class CByteReader;
    class CFileReader;
    class CMemoryReader;

    void Reset();
    void Scan(CByteReader& reader);
    void ParseExif();

    std::string m_path;
    std::vector<CJpegSegment> m_segments;
    bool m_loaded = false;
    bool m_hasApp0 = false;
    bool m_hasExif = false;
    bool m_hasApp2 = false;
    uint64_t m_entropyPosition = 0;
    int m_width = -1;
    int m_height = -1;
    int m_components = -1;
    CAPP1Section m_section;
};
