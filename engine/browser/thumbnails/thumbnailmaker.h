#pragma once
// CThumbnailMaker: makes the small upright picture of a JPEG file that the browser shows,
// from the thumbnail embedded in its EXIF block when there is a usable one, else from the
// file decoded at 1/1, 1/2, 1/4 or 1/8 scale through the codec component (under the codec
// lock). The result is scaled to fit the requested box by cubic interpolation. One maker
// serves one thumbnail worker; its buffers are kept between calls.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "jpegdecoder/jpegdecoder.h"
#include "exif/exif.h"
#include "core/imageplane.h"

class CThumbnailMaker {
public:
    // Results of MakeThumbnail.
    static constexpr int kMade = 0;             // the thumbnail was made
    static constexpr int kUnreadableImage = 2;  // not a readable JPEG: the placeholder (or nothing) was written
    static constexpr int kCannotOpen = 4;       // the file could not be opened: try again later

    // The placeholder picture for unreadable images: 128 x 86 pixels, rows of 384 bytes.
    static constexpr int32_t kPlaceholderWidth = 128;
    static constexpr int32_t kPlaceholderHeight = 86;
    static constexpr size_t kPlaceholderBytes = 33024;

    // Where the picture came from in the last call.
    enum class Source { None, Embedded, Decoded, Placeholder };

    // A maker taking the placeholder from `placeholderPath` (data/exception_1.dat of the
    // program folder when empty). With `holdCodecLock` false, files are decoded without the
    // process-wide codec lock (the codec keeps its state per thread, so makers on several
    // threads can then decode at the same time).
    explicit CThumbnailMaker(std::string placeholderPath = {}, bool holdCodecLock = true);
    ~CThumbnailMaker();
    CThumbnailMaker(const CThumbnailMaker&) = delete;
    CThumbnailMaker& operator=(const CThumbnailMaker&) = delete;

    // Makes the thumbnail of `path` into `pixels` (`pixelBytes` long, at least
    // ((maxWidth * 3 + 3) & ~3) * maxHeight), rows of (outWidth * 3 + 3) & ~3 bytes, BGR.
    // Returns kMade, kUnreadableImage or kCannotOpen; outWidth and outHeight are 0 when
    // nothing was written.
    int MakeThumbnail(const std::string& path, int32_t maxWidth, int32_t maxHeight, int32_t& outWidth,
                      int32_t& outHeight, uint8_t* pixels, size_t pixelBytes);

    // Full image size and bits per pixel (components x 8) of the last picture; 0 when unknown.
    int32_t ImageWidth() const { return m_imageWidth; }
    int32_t ImageHeight() const { return m_imageHeight; }
    int32_t BitsPerPixel() const { return m_bitsPerPixel; }
    // The EXIF data of the last file (date taken, orientation).
    const CExif& Exif() const { return m_exif; }
    Source LastSource() const { return m_lastSource; }

    // The decoding divisor for a picture whose larger side is `largerSide` pixels.
    static int DecodeScaleFor(int32_t largerSide);

private:
    bool MakeFromEmbedded(int32_t maxWidth, int32_t maxHeight, int32_t& outWidth, int32_t& outHeight,
                          uint8_t* pixels);
    bool MakeFromFile(const std::string& path, int32_t maxWidth, int32_t maxHeight, int32_t& outWidth,
                      int32_t& outHeight, uint8_t* pixels);
    bool OrientAndScale(const ImagePlane& source, int32_t maxWidth, int32_t maxHeight, int32_t& outWidth,
                        int32_t& outHeight, uint8_t* pixels);
    void RecordImageSize(int width, int height, int components);
    const std::vector<uint8_t>& Placeholder();

    CExif m_exif;
    CJPEGDecoder m_decoder;
    uint8_t* m_decodeBuffer = nullptr;
    size_t m_decodeCapacity = 0;
    uint8_t* m_orientBuffer = nullptr;
    size_t m_orientCapacity = 0;
    int32_t m_imageWidth = 0;
    int32_t m_imageHeight = 0;
    int32_t m_bitsPerPixel = 0;
    Source m_lastSource = Source::None;
    bool m_holdCodecLock;
    std::string m_placeholderPath;
    std::vector<uint8_t> m_placeholder;
    bool m_placeholderRead = false;
};
