#include "browser/thumbnails/thumbnailmaker.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>

#include "browser/thumbnails/thumbimage.h"
#include "codec/codeclock.h"
#include "codec/jpegcodec.h"
#include "core/memorymanager.h"
#include "geometry/resize.h"
#include "platform/programfolder.h"

namespace {

// Embedded thumbnails are a few hundred pixels wide; a header claiming far more is forged
// and must not make the decoder reach for a large block.
constexpr uint64_t kMaxEmbeddedPixels = 4096 * 4096;

// Makes `block` hold at least `need` bytes, replacing it by a larger block when needed.
bool EnsureBlock(uint8_t*& block, size_t& capacity, size_t need) {
    if (need == 0) return false;
    if (block && capacity >= need) return true;
    CMemoryManager& allocator = CMemoryManager::GetInstance();
    allocator.Free(block);
    block = static_cast<uint8_t*>(allocator.Allocate(need));
    capacity = block ? need : 0;
    return block != nullptr;
}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

}  // namespace

CThumbnailMaker::CThumbnailMaker(std::string placeholderPath, bool holdCodecLock)
    : m_holdCodecLock(holdCodecLock), m_placeholderPath(std::move(placeholderPath)) {
    if (m_placeholderPath.empty()) m_placeholderPath = platform::ProgramFile("data/exception_1.dat").string();
}

CThumbnailMaker::~CThumbnailMaker() {
    m_decoder.Clean();
    CMemoryManager& allocator = CMemoryManager::GetInstance();
    allocator.Free(m_decodeBuffer);
    allocator.Free(m_orientBuffer);
}

int CThumbnailMaker::DecodeScaleFor(int32_t largerSide) {
    if (largerSide < 200) return 1;
    if (largerSide < 600) return 2;
    if (largerSide < 1000) return 4;
    return 8;
}

void CThumbnailMaker::RecordImageSize(int width, int height, int components) {
    m_imageWidth = width > 0 ? width : 0;
    m_imageHeight = height > 0 ? height : 0;
    m_bitsPerPixel = components > 0 ? components * 8 : 0;
}

int CThumbnailMaker::MakeThumbnail(const std::string& path, int32_t maxWidth, int32_t maxHeight,
                                   int32_t& outWidth, int32_t& outHeight, uint8_t* pixels, size_t pixelBytes) {
    outWidth = outHeight = 0;
    m_lastSource = Source::None;
    RecordImageSize(0, 0, 0);
    m_exif = CExif(path);
    if (m_exif.Read() != 0) return kCannotOpen;
    // The frame header's size, also for frames that cannot be decoded; a decode replaces it.
    int imageWidth, imageHeight, components;
    m_exif.GetImageSize(imageWidth, imageHeight, components);
    RecordImageSize(imageWidth, imageHeight, components);

    m_decoder.Clean();
    m_decoder.Init();
    const size_t area = ImagePlane::BytesFor(maxWidth, maxHeight);
    if (!pixels || area == 0 || pixelBytes < area) return kUnreadableImage;
    std::memset(pixels, 0, area);

    if (m_exif.IsLoaded() && m_exif.HasExif() && m_exif.GetThumbnailSize() > 0 &&
        MakeFromEmbedded(maxWidth, maxHeight, outWidth, outHeight, pixels)) {
        m_lastSource = Source::Embedded;
        return kMade;
    }
    if (MakeFromFile(path, maxWidth, maxHeight, outWidth, outHeight, pixels)) {
        m_lastSource = Source::Decoded;
        return kMade;
    }

    // Not a readable JPEG: the placeholder, when it is there and fits the area.
    outWidth = outHeight = 0;
    std::memset(pixels, 0, area);
    const std::vector<uint8_t>& placeholder = Placeholder();
    if (placeholder.size() == kPlaceholderBytes && pixelBytes >= kPlaceholderBytes) {
        std::memcpy(pixels, placeholder.data(), kPlaceholderBytes);
        outWidth = kPlaceholderWidth;
        outHeight = kPlaceholderHeight;
        m_lastSource = Source::Placeholder;
    }
    return kUnreadableImage;
}

bool CThumbnailMaker::MakeFromEmbedded(int32_t maxWidth, int32_t maxHeight, int32_t& outWidth,
                                       int32_t& outHeight, uint8_t* pixels) {
    m_decoder.SetMaxPixels(kMaxEmbeddedPixels);
    m_decoder.SetSource(m_exif.GetThumbnail(), m_exif.GetThumbnailSize());
    int width, height, thumbComponents, precision, colorSpace, sampling;
    if (m_decoder.ReadHeader(width, height, thumbComponents, precision, colorSpace, sampling) != jpegdec::kOk)
        return false;
    // Grey thumbnails come out as three equal channels; four-channel ones are not used.
    if ((thumbComponents != 3 && thumbComponents != 1) || width <= 0 || height <= 0) return false;
    const int32_t stride = ImagePlane::StrideFor(width);
    if (!EnsureBlock(m_decodeBuffer, m_decodeCapacity, ImagePlane::BytesFor(width, height))) return false;
    m_decoder.SetDestination(m_decodeBuffer, width, height, stride, 8, 3, jpegdec::kColorBGR,
                             jpegdec::kSampling444);
    if (m_decoder.Decode() != jpegdec::kOk) return false;
    const ImagePlane source{m_decodeBuffer, width, height, 3, stride};
    return OrientAndScale(source, maxWidth, maxHeight, outWidth, outHeight, pixels);
}

bool CThumbnailMaker::MakeFromFile(const std::string& path, int32_t maxWidth, int32_t maxHeight,
                                   int32_t& outWidth, int32_t& outHeight, uint8_t* pixels) {
    ImagePlane source;
    {
        // Callers that want full decodes one at a time across the program hold the lock.
        std::unique_lock<std::mutex> codec(CodecLock(), std::defer_lock);
        if (m_holdCodecLock) codec.lock();
        int width = 0, height = 0, components = 0;
        if (!getJPEGFileInfo(path.c_str(), &width, &height, &components)) return false;
        RecordImageSize(width, height, components);
        const int scale = DecodeScaleFor(width > height ? width : height);
        const int32_t scaledWidth = (width + scale - 1) / scale;
        const int32_t scaledHeight = (height + scale - 1) / scale;
        if (!EnsureBlock(m_decodeBuffer, m_decodeCapacity, ImagePlane::BytesFor(scaledWidth, scaledHeight))) {
            readJPEGfile(nullptr, scale);  // lets the codec forget the file it opened
            return false;
        }
        // Greyscale and CMYK files come out as blue-green-red too. A read that stops part
        // way is an unreadable image; one whose damaged data was filled in is kept.
        if (readJPEGfile(m_decodeBuffer, scale) == kJpegReadFailed) return false;
        source = ImagePlane::Make(m_decodeBuffer, scaledWidth, scaledHeight);
    }
    return OrientAndScale(source, maxWidth, maxHeight, outWidth, outHeight, pixels);
}

bool CThumbnailMaker::OrientAndScale(const ImagePlane& source, int32_t maxWidth, int32_t maxHeight,
                                     int32_t& outWidth, int32_t& outHeight, uint8_t* pixels) {
    const int orientation = m_exif.GetOrientation();
    ImagePlane upright = source;
    if (orientation >= 2 && orientation <= 8) {
        const bool swap = thumbs::OrientationSwapsSides(orientation);
        const int32_t w = swap ? source.height : source.width;
        const int32_t h = swap ? source.width : source.height;
        if (!EnsureBlock(m_orientBuffer, m_orientCapacity, ImagePlane::BytesFor(w, h))) return false;
        upright = ImagePlane::Make(m_orientBuffer, w, h);
        if (!thumbs::OrientPixels(source, upright, orientation)) return false;
    }
    const thumbs::FitSize size = thumbs::FitInto(upright.width, upright.height, maxWidth, maxHeight);
    if (size.width <= 0 || size.height <= 0) return false;
    const ImagePlane out = ImagePlane::Make(pixels, size.width, size.height);
    // One thread: the workers already run one per core.
    if (!geometry::ResizeImage(upright, out, geometry::ResizeMethod::Bicubic, 1)) return false;
    outWidth = size.width;
    outHeight = size.height;
    return true;
}

const std::vector<uint8_t>& CThumbnailMaker::Placeholder() {
    if (!m_placeholderRead) {
        m_placeholderRead = true;
        std::unique_ptr<std::FILE, FileCloser> file(std::fopen(m_placeholderPath.c_str(), "rb"));
        if (file) {
            m_placeholder.resize(kPlaceholderBytes);
            if (std::fread(m_placeholder.data(), 1, kPlaceholderBytes, file.get()) != kPlaceholderBytes)
                m_placeholder.clear();  // a short file is not a picture
        }
    }
    return m_placeholder;
}
