#pragma once
// CJPEGDecoder: decodes a complete JPEG image held in memory (sequential, progressive and
// lossless Huffman processes, 8-bit samples) into an interleaved 8-bit pixel buffer.
// The browser uses it for the small thumbnails embedded in EXIF blocks.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "jpegdecoder/jpeghuffman.h"

class CMemoryManager;

namespace jpegdec {

// Status values returned by ReadHeader and Decode.
enum Status : int {
    kOk = 0,
    kUnsupported = -1,        // arithmetic coding, hierarchical frames, precision other than 8,
                              // unsupported sampling or colour conversion
    kFailed = -2,             // a decoding, transform or conversion step failed (corrupt data)
    kTruncated = -3,          // the data ended before the image did
    kOutOfMemory = -4,        // a working buffer could not be had (or the image is too large)
    kBadFrameLength = -5,     // frame header length does not match its component count
    kBadHuffmanTable = -6,    // invalid DHT segment
    kBadQuantTable = -7,      // invalid DQT segment
    kBadScanHeader = -8,      // invalid scan header
    kBadFrameComponents = -9, // component count not 1..4, sampling factor not 1..4, bad selector
    kBadScanComponent = -10,  // a scan names a component that is not in the frame
    kBadGreySampling = -11,   // one-component image with sampling factors other than 1x1
};

// Colour-space codes, JPEG side and output side.
enum ColorSpace : int {
    kColorUnknown = 0,
    kColorGrey = 1,
    kColorRGB = 2,
    kColorBGR = 3,
    kColorYCbCr = 4,
    kColorCMYK = 5,
    kColorYCCK = 6,
};

// Sampling classes of the frame (and of the requested output).
enum Sampling : int {
    kSampling444 = 0,  // all factors 1x1
    kSampling422 = 1,  // first component 2x1, others 1x1
    kSampling1x2 = 2,  // first component 1x2, others 1x1
    kSampling420 = 3,  // first component 2x2, others 1x1
    kSamplingOther = 4,
};

// Processes of the frame.
enum Process : int { kSequential = 0, kProgressive = 1, kLossless = 2 };

}  // namespace jpegdec

namespace jpegdec {

// One frame component as the frame header and the scan headers describe it.
struct CJPEGColorComponent {
    int id = 0;
    int h = 1, v = 1;             // sampling factors
    int quantSelector = 0;
    int dcTable = 0, acTable = 0; // selectors of the current scan
    int upH = 1, upV = 1;         // upsampling factors: maximum factor / own factor
    int width = 0, height = 0;    // samples covered by the image: ceil(W * h / Hmax)
    int blocksPerRow = 0;         // blocks (lossless: samples) per row, padded to whole MCUs
    int blockRows = 0;            // block rows (lossless: sample rows), padded to whole MCUs
    int rowStride = 0;            // bytes per sample row in the band buffers
    int bandRows = 0;             // sample rows in one MCU row
    uint16_t quant[64] = {};      // dequantisation table in natural order, latched at first scan
    bool quantLatched = false;
    bool seen = false;            // has appeared in a scan
};

struct CJPEGDecoderQuantTable {
    bool defined = false;
    int precision = 0;            // 0: 8-bit entries, 1: 16-bit entries
    uint16_t values[64] = {};     // natural order
};

// Marker stage: the source and everything read from marker segments (frame, tables, the
// current scan header, the MCU geometry derived from the frame).
struct CMarkerState {
    const uint8_t* data = nullptr;
    size_t size = 0;
    size_t pos = 0;

    int width = 0, height = 0, components = 0, precision = 8;
    int sampling = kSampling444;
    int colorSpace = kColorUnknown;
    int process = kSequential;
    int restartInterval = 0;
    bool frameSeen = false;
    bool jfif = false, adobe = false;
    int adobeTransform = 0;
    std::vector<uint8_t> app1;

    int maxH = 1, maxV = 1;
    int mcuWidth = 8, mcuHeight = 8;
    int mcusPerRow = 0, mcuRows = 0;
    int overhangX = 0, overhangY = 0;  // how far the last MCU column / row reach past the image

    CJPEGColorComponent comp[4];
    CJPEGDecoderHuffmanTable dcTables[4];
    CJPEGDecoderHuffmanTable acTables[4];
    CJPEGDecoderQuantTable quant[4];

    int scanCount = 0;
    int scanComp[4] = {};  // indexes into comp
    int ss = 0, se = 63, ah = 0, al = 0;
};

// Entropy stage: the bit reader, the per-component decoding state and the whole-image
// buffers that scans decode into.
struct CEntropyState {
    CJPEGDecoderHuffmanState huff;
    int eobRun = 0;
    int restartsToGo = 0;
    int dcPredictor[4] = {};
    int pointTransform[4] = {};  // lossless: bits the samples are shifted left on output
    bool scanDecoded = false;    // at least one scan was decoded

    // Buffers taken from the decoder's allocator; forgotten (not freed) by a reset.
    struct Buffers {
        int16_t* coefficients[4] = {};  // whole image, 64 per block (progressive, multi-scan)
        uint16_t* samples[4] = {};      // whole image (lossless process)
        bool buffered = false;          // scans go to these buffers, not the band pipeline
    } buffers;

    // A restart: predictors and the end-of-band run cleared, the interval counted anew.
    void Restart(int interval) {
        for (int& p : dcPredictor) p = 0;
        eobRun = 0;
        restartsToGo = interval;
    }
};

// The caller's output buffer and its format.
struct CDestination {
    uint8_t* buffer = nullptr;
    int width = 0, height = 0, stride = 0, precision = 8;
    int channels = 3, colorSpace = kColorBGR;
    int sampling = kSampling444;
};

// Output stage: the destination and the band pipeline (upsampling, colour conversion).
struct COutputState {
    CDestination dest;
    int converter = 0;
    bool passThrough422 = false;  // YCbCr 4:2:2 out: chroma rows kept at half width
    bool imageDone = false;       // every MCU row has reached the destination

    // Row buffers carved from one allocator block; `ready` once they fit the destination.
    struct Bands {
        uint8_t* band[4][2] = {};     // one MCU row of samples per component, and the next one
        uint8_t* above[4] = {};       // last sample row of the previous MCU row
        uint8_t* upsampled[4] = {};   // one full-width row per upsampled component
        int16_t* columnSums = nullptr;  // vertical pass of the 2x2 filter
        bool ready = false;
    } bands;
};

}  // namespace jpegdec

class CJPEGDecoder {
public:
    // A decoder whose buffers come from `allocator` (the process-wide one when null).
    explicit CJPEGDecoder(CMemoryManager* allocator = nullptr);
    ~CJPEGDecoder();
    CJPEGDecoder(const CJPEGDecoder&) = delete;
    CJPEGDecoder& operator=(const CJPEGDecoder&) = delete;

    // Sets every field to its empty value; buffers must have been released with Clean.
    void Init();
    // The JPEG bytes to decode; they are read in place and must outlive Decode.
    void SetSource(const uint8_t* data, size_t size);
    // Reads the markers up to the first scan; the position is left before that SOS marker.
    int ReadHeader(int& width, int& height, int& components, int& precision, int& colorSpace,
                   int& sampling);
    // The caller's output buffer: `stride` bytes per row, `channels` bytes per pixel (two bytes
    // per pixel for the interleaved YCbCr 4:2:2 output), colour space and sampling as above.
    void SetDestination(uint8_t* buffer, int width, int height, int stride, int precision,
                        int channels, int colorSpace, int sampling);
    // Decodes the whole image into the destination, top row first.
    int Decode();
    // Releases every working buffer.
    void Clean();

    // Largest image (width * height) the decoder accepts; larger frames give kOutOfMemory
    // before anything is allocated.
    void SetMaxPixels(uint64_t maxPixels) { m_maxPixels = maxPixels; }
    // Payload of the first APP1 segment seen (empty when none).
    const std::vector<uint8_t>& App1() const { return m_marker.app1; }
    int Process() const { return m_marker.process; }
    int RestartInterval() const { return m_marker.restartInterval; }

private:
    // Marker loop (jpegdecoder.cpp).
    int RunMarkerLoop(bool headerOnly);
    int NextMarker(int& marker);
    int SegmentLength(size_t& payload, size_t& length);
    int ReadFrameHeader(int marker);
    int ReadHuffmanTables();
    int ReadQuantTables();
    int ReadRestartInterval();
    int ReadApp(int marker);
    int ReadScanHeader();
    void DecideColorSpace();
    int ComputeGeometry();
    int ClassifySampling() const;
    int HandleScan();
    int FinishImage();
    int CheckDestination();
    void* AllocateBlock(size_t size);

    // Entropy-coded scans (jpegscan.cpp).
    int PrepareCoefficientBuffers();
    int DecodeScanIntoCoefficients();
    int DecodeSequentialMcuRow(int slot);
    int DecodeBlockSequential(int c, int16_t* block);
    int DecodeDcFirst(int c, int16_t* block);
    int DecodeDcRefine(int16_t* block);
    int DecodeAcFirst(const CJPEGDecoderHuffmanTable& table, int16_t* block);
    int DecodeAcRefine(const CJPEGDecoderHuffmanTable& table, int16_t* block);
    int ProcessRestart();
    int CheckScanTables();
    int LatchQuantTables();
    void InverseTransformMcuRow(int mcuRow, int slot);

    // Lossless process (jpeglossless.cpp).
    int PrepareLosslessPlanes();
    int DecodeLosslessScan();
    void CopyLosslessMcuRow(int mcuRow, int slot);

    // Band pipeline, upsampling and colour conversion (jpegoutput.cpp).
    int PrepareBands();
    int ProduceMcuRow(int mcuRow, int slot);
    int RunBandPipeline();
    void OutputMcuRow(int mcuRow, bool hasNext);
    const uint8_t* ComponentRow(int c, int row, int mcuRow, bool hasNext) const;
    int SelectConverter();

    CMemoryManager* m_allocator;
    uint64_t m_maxPixels = uint64_t{1} << 27;
    std::vector<void*> m_blocks;  // everything taken from the allocator

    jpegdec::CMarkerState m_marker;
    jpegdec::CEntropyState m_entropy;
    jpegdec::COutputState m_output;
};
