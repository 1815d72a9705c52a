#include "exif/decoder/jpegdecoder.h"

#include <cstring>

#include "core/memorymanager.h"

using namespace jpegdec;

namespace {

constexpr int kSOF0 = 0xC0, kSOF1 = 0xC1, kSOF2 = 0xC2, kSOF3 = 0xC3;
constexpr int kDHT = 0xC4, kDAC = 0xCC, kRST0 = 0xD0, kRST7 = 0xD7, kSOI = 0xD8, kEOI = 0xD9;
constexpr int kSOS = 0xDA, kDQT = 0xDB, kDRI = 0xDD, kAPP0 = 0xE0, kAPP1 = 0xE1;
constexpr int kAPP14 = 0xEE, kTEM = 0x01;

inline int Read16(const uint8_t* p) { return (p[0] << 8) | p[1]; }

}  // namespace

CJPEGDecoder::CJPEGDecoder(CMemoryManager* allocator)
    : m_allocator(allocator ? allocator : &CMemoryManager::GetInstance()) {
    Init();
}

CJPEGDecoder::~CJPEGDecoder() { Clean(); }

void CJPEGDecoder::Init() {
    // Buffers still held from an earlier image would otherwise stay marked in use.
    Clean();
    m_data = nullptr;
    m_size = 0;
    m_pos = 0;
    m_width = m_height = m_components = 0;
    m_precision = 8;
    m_sampling = kSampling444;
    m_colorSpace = kColorUnknown;
    m_process = kSequential;
    m_restartInterval = 0;
    m_frameSeen = false;
    m_jfif = m_adobe = false;
    m_adobeTransform = 0;
    m_app1.clear();
    m_maxH = m_maxV = 1;
    m_mcuWidth = m_mcuHeight = 8;
    m_mcusPerRow = m_mcuRows = 0;
    m_overhangX = m_overhangY = 0;
    m_dest = nullptr;
    m_destWidth = m_destHeight = m_destStride = 0;
    m_destPrecision = 8;
    m_destChannels = 3;
    m_destColorSpace = kColorBGR;
    m_destSampling = kSampling444;
    for (auto& comp : m_comp) comp = CJPEGColorComponent{};
    for (auto& table : m_dcTables) table.defined = false;
    for (auto& table : m_acTables) table.defined = false;
    for (auto& table : m_quant) table = CJPEGDecoderQuantTable{};
    m_huff = CJPEGDecoderHuffmanState{};
    m_scanCount = 0;
    m_ss = 0;
    m_se = 63;
    m_ah = m_al = 0;
    m_eobRun = 0;
    m_restartsToGo = 0;
    m_buffered = false;
    m_imageDone = false;
    m_scanDecoded = false;
    m_destChecked = false;
    m_passThrough422 = false;
    m_converter = 0;
}

void CJPEGDecoder::Clean() {
    for (void* block : m_blocks) m_allocator->Free(block);
    m_blocks.clear();
    for (auto& comp : m_comp) {
        comp.band[0] = comp.band[1] = nullptr;
        comp.above = nullptr;
        comp.coefficients = nullptr;
        comp.samples = nullptr;
    }
    for (auto& row : m_upsampled) row = nullptr;
    m_columnSums = nullptr;
    // Anything that pointed into the released buffers must be rebuilt before decoding.
    m_destChecked = false;
    m_buffered = false;
}

void CJPEGDecoder::SetSource(const uint8_t* data, size_t size) {
    m_data = data;
    m_size = data ? size : 0;
    m_pos = 0;
}

void CJPEGDecoder::SetDestination(uint8_t* buffer, int width, int height, int stride,
                                  int precision, int channels, int colorSpace, int sampling) {
    m_dest = buffer;
    m_destWidth = width;
    m_destHeight = height;
    m_destStride = stride;
    m_destPrecision = precision;
    m_destChannels = channels;
    m_destColorSpace = colorSpace;
    m_destSampling = sampling;
    m_destChecked = false;
}

int CJPEGDecoder::ReadHeader(int& width, int& height, int& components, int& precision,
                             int& colorSpace, int& sampling) {
    int status = RunMarkerLoop(true);
    if (status != kOk) return status;
    width = m_width;
    height = m_height;
    components = m_components;
    precision = m_precision;
    colorSpace = m_colorSpace;
    sampling = m_sampling;
    return kOk;
}

int CJPEGDecoder::Decode() {
    if (m_imageDone) return kOk;
    return RunMarkerLoop(false);
}

void* CJPEGDecoder::AllocateBlock(size_t size) {
    void* block = m_allocator->Allocate(size == 0 ? 1 : size);
    if (block) m_blocks.push_back(block);
    return block;
}

int CJPEGDecoder::NextMarker(int& marker) {
    for (;;) {
        while (m_pos < m_size && m_data[m_pos] != 0xFF) ++m_pos;
        while (m_pos < m_size && m_data[m_pos] == 0xFF) ++m_pos;
        if (m_pos >= m_size) return kTruncated;
        int code = m_data[m_pos++];
        if (code != 0x00) {  // 0xFF00 is a stuffed data byte, not a marker
            marker = code;
            return kOk;
        }
    }
}

int CJPEGDecoder::SegmentLength(size_t& payload, size_t& length) {
    if (m_size - m_pos < 2) return kTruncated;
    int total = Read16(m_data + m_pos);
    if (total < 2) return kFailed;
    if (m_size - m_pos < static_cast<size_t>(total)) return kTruncated;
    payload = m_pos + 2;
    length = static_cast<size_t>(total) - 2;
    return kOk;
}

int CJPEGDecoder::RunMarkerLoop(bool headerOnly) {
    if (!m_data) return kTruncated;
    for (;;) {
        int marker = 0;
        int status = NextMarker(marker);
        if (status != kOk) return status;
        size_t markerStart = m_pos - 2;
        switch (marker) {
        case kSOI:
        case kTEM:
            break;
        case kSOF0:
        case kSOF1:
        case kSOF2:
        case kSOF3:
            status = ReadFrameHeader(marker);
            break;
        case 0xC5: case 0xC6: case 0xC7:
        case 0xC9: case 0xCA: case 0xCB:
        case 0xCD: case 0xCE: case 0xCF:
            return kUnsupported;  // hierarchical or arithmetic-coded frames
        case kDHT:
            status = ReadHuffmanTables();
            break;
        case kDQT:
            status = ReadQuantTables();
            break;
        case kDRI:
            status = ReadRestartInterval();
            break;
        case kSOS:
            if (!m_frameSeen) return kBadScanHeader;
            if (m_imageDone && !headerOnly) {
                // Scans after a complete image (not allowed in a sequential one) are skipped;
                // the marker search steps over their entropy-coded data.
                size_t payload = 0, length = 0;
                status = SegmentLength(payload, length);
                if (status == kOk) m_pos = payload + length;
                break;
            }
            if (headerOnly) {
                DecideColorSpace();
                m_pos = markerStart;
                return kOk;
            }
            if (!m_destChecked) {
                DecideColorSpace();
                status = CheckDestination();
                if (status != kOk) {
                    // Left before the scan, so a corrected destination can be tried again.
                    m_pos = markerStart;
                    return status;
                }
            }
            status = ReadScanHeader();
            if (status == kOk) status = HandleScan();
            break;
        case kEOI:
            // Without a decoded scan the image never came.
            if (headerOnly) return kTruncated;
            return FinishImage();
        default:
            if (marker >= kRST0 && marker <= kRST7) {
                ResetEntropyState();
            } else if (marker == kAPP0 || marker == kAPP1 || marker == kAPP14) {
                status = ReadApp(marker);
            } else {
                size_t payload = 0, length = 0;
                status = SegmentLength(payload, length);
                if (status == kOk) m_pos = payload + length;
            }
            break;
        }
        if (status != kOk) return status;
    }
}

void CJPEGDecoder::ResetEntropyState() {
    for (auto& comp : m_comp) comp.dcPredictor = 0;
    m_eobRun = 0;
    m_restartsToGo = m_restartInterval;
}

int CJPEGDecoder::ReadFrameHeader(int marker) {
    // A second frame would change the geometry the destination was made for.
    if (m_frameSeen) return kFailed;
    size_t payload = 0, length = 0;
    int status = SegmentLength(payload, length);
    if (status != kOk) return status;
    const uint8_t* p = m_data + payload;
    if (length < 1) return kBadFrameLength;
    if (p[0] != 8) return kUnsupported;
    if (length < 6) return kBadFrameLength;
    int height = Read16(p + 1);
    int width = Read16(p + 3);
    int count = p[5];
    if (count < 1 || count > 4) return kBadFrameComponents;
    if (length != 6 + 3 * static_cast<size_t>(count)) return kBadFrameLength;
    for (int i = 0; i < count; ++i) {
        const uint8_t* c = p + 6 + 3 * i;
        CJPEGColorComponent& comp = m_comp[i];
        comp = CJPEGColorComponent{};
        comp.id = c[0];
        comp.h = c[1] >> 4;
        comp.v = c[1] & 15;
        comp.quantSelector = c[2];
        if (comp.h < 1 || comp.h > 4 || comp.v < 1 || comp.v > 4) return kBadFrameComponents;
        if (comp.quantSelector > 3) return kBadFrameComponents;
    }
    if (count == 1 && (m_comp[0].h != 1 || m_comp[0].v != 1)) return kBadGreySampling;
    if (width == 0) return kFailed;
    if (height == 0) return kUnsupported;  // height given later by a DNL marker
    m_precision = 8;
    m_width = width;
    m_height = height;
    m_components = count;
    m_process = marker == kSOF2 ? kProgressive : (marker == kSOF3 ? kLossless : kSequential);
    m_frameSeen = true;
    m_sampling = ClassifySampling();
    m_pos = payload + length;
    return ComputeGeometry();
}

int CJPEGDecoder::ClassifySampling() const {
    if (m_components == 1) return kSampling444;
    const CJPEGColorComponent& first = m_comp[0];
    for (int i = 1; i < m_components && i < 3; ++i)
        if (m_comp[i].h != 1 || m_comp[i].v != 1) return kSamplingOther;
    if (m_components == 4 && (m_comp[3].h != first.h || m_comp[3].v != first.v))
        return kSamplingOther;
    if (first.h == 1 && first.v == 1) return kSampling444;
    if (first.h == 2 && first.v == 1) return kSampling422;
    if (first.h == 1 && first.v == 2) return kSampling1x2;
    if (first.h == 2 && first.v == 2) return kSampling420;
    return kSamplingOther;
}

int CJPEGDecoder::ComputeGeometry() {
    // Refuse absurd frames before anything is sized from them.
    if (static_cast<uint64_t>(m_width) * static_cast<uint64_t>(m_height) > m_maxPixels)
        return kOutOfMemory;
    m_maxH = m_maxV = 1;
    for (int i = 0; i < m_components; ++i) {
        if (m_comp[i].h > m_maxH) m_maxH = m_comp[i].h;
        if (m_comp[i].v > m_maxV) m_maxV = m_comp[i].v;
    }
    int unit = m_process == kLossless ? 1 : 8;
    m_mcuWidth = unit * m_maxH;
    m_mcuHeight = unit * m_maxV;
    m_mcusPerRow = (m_width + m_mcuWidth - 1) / m_mcuWidth;
    m_mcuRows = (m_height + m_mcuHeight - 1) / m_mcuHeight;
    m_overhangX = m_mcusPerRow * m_mcuWidth - m_width;
    m_overhangY = m_mcuRows * m_mcuHeight - m_height;
    for (int i = 0; i < m_components; ++i) {
        CJPEGColorComponent& comp = m_comp[i];
        comp.upH = m_maxH / comp.h;
        comp.upV = m_maxV / comp.v;
        comp.width = static_cast<int>((static_cast<int64_t>(m_width) * comp.h + m_maxH - 1) / m_maxH);
        comp.height =
            static_cast<int>((static_cast<int64_t>(m_height) * comp.v + m_maxV - 1) / m_maxV);
        comp.blocksPerRow = m_mcusPerRow * comp.h;
        comp.blockRows = m_mcuRows * comp.v;
        comp.rowStride = comp.blocksPerRow * unit;
        comp.bandRows = comp.v * unit;
    }
    return kOk;
}

int CJPEGDecoder::ReadHuffmanTables() {
    size_t payload = 0, length = 0;
    int status = SegmentLength(payload, length);
    if (status != kOk) return status;
    size_t p = payload;
    const size_t end = payload + length;
    while (p < end) {
        if (end - p < 17) return kBadHuffmanTable;
        int tableClass = m_data[p] >> 4;
        int id = m_data[p] & 15;
        if (tableClass > 1 || id > 3) return kBadHuffmanTable;
        const uint8_t* counts = m_data + p + 1;
        int total = 0;
        for (int l = 0; l < 16; ++l) total += counts[l];
        p += 17;
        if (total > 256 || static_cast<size_t>(total) > end - p) return kBadHuffmanTable;
        CJPEGDecoderHuffmanTable& table = tableClass == 0 ? m_dcTables[id] : m_acTables[id];
        if (!table.Build(counts, m_data + p, total)) return kBadHuffmanTable;
        p += static_cast<size_t>(total);
    }
    m_pos = end;
    return kOk;
}

int CJPEGDecoder::ReadQuantTables() {
    size_t payload = 0, length = 0;
    int status = SegmentLength(payload, length);
    if (status != kOk) return status;
    size_t p = payload;
    const size_t end = payload + length;
    while (p < end) {
        int precision = m_data[p] >> 4;
        int id = m_data[p] & 15;
        ++p;
        if (precision > 1 || id > 3) return kBadQuantTable;
        size_t needed = precision ? 128 : 64;
        if (end - p < needed) return kBadQuantTable;
        CJPEGDecoderQuantTable& table = m_quant[id];
        for (int k = 0; k < 64; ++k) {
            int value = precision ? Read16(m_data + p + 2 * k) : m_data[p + k];
            table.values[kNaturalOrder[k]] = static_cast<uint16_t>(value);
        }
        table.precision = precision;
        table.defined = true;
        p += needed;
    }
    m_pos = end;
    return kOk;
}

int CJPEGDecoder::ReadRestartInterval() {
    size_t payload = 0, length = 0;
    int status = SegmentLength(payload, length);
    if (status != kOk) return status;
    if (length != 2) return kFailed;
    m_restartInterval = Read16(m_data + payload);
    m_pos = payload + length;
    return kOk;
}

int CJPEGDecoder::ReadApp(int marker) {
    size_t payload = 0, length = 0;
    int status = SegmentLength(payload, length);
    if (status != kOk) return status;
    const uint8_t* p = m_data + payload;
    if (marker == kAPP0) {
        if (length >= 5 && std::memcmp(p, "JFIF\0", 5) == 0) m_jfif = true;
    } else if (marker == kAPP1) {
        if (m_app1.empty()) m_app1.assign(p, p + length);
    } else if (marker == kAPP14) {
        // "Adobe", version, two flag words, transform code.
        if (length >= 12 && std::memcmp(p, "Adobe", 5) == 0) {
            m_adobe = true;
            m_adobeTransform = p[11];
        }
    }
    m_pos = payload + length;
    return kOk;
}

void CJPEGDecoder::DecideColorSpace() {
    // Once pixels are being produced the conversion is fixed.
    if (m_destChecked) return;
    int space = kColorUnknown;
    bool decided = false;
    if (m_adobe) {
        decided = true;
        if (m_adobeTransform == 0) {
            space = m_components == 1 ? kColorGrey
                    : m_components == 3 ? kColorRGB
                    : m_components == 4 ? kColorCMYK
                                        : kColorUnknown;
        } else if (m_adobeTransform == 1) {
            space = kColorYCbCr;
        } else if (m_adobeTransform == 2) {
            space = kColorYCCK;
        } else {
            decided = false;  // unknown transform code: decide as without the marker
        }
    }
    if (!decided)
        space = m_components == 1 ? kColorGrey : (m_components == 3 ? kColorYCbCr : kColorUnknown);
    // A colour space needs its number of planes; anything else is left unknown.
    if ((space == kColorYCbCr && m_components != 3) || (space == kColorYCCK && m_components != 4))
        space = kColorUnknown;
    m_colorSpace = space;
}

int CJPEGDecoder::ReadScanHeader() {
    size_t payload = 0, length = 0;
    int status = SegmentLength(payload, length);
    if (status != kOk) return status;
    const uint8_t* p = m_data + payload;
    if (length < 1) return kBadScanHeader;
    int count = p[0];
    if (count < 1 || count > 4 || length != 4 + 2 * static_cast<size_t>(count))
        return kBadScanHeader;
    bool used[4] = {false, false, false, false};
    for (int i = 0; i < count; ++i) {
        int id = p[1 + 2 * i];
        int tables = p[2 + 2 * i];
        int index = -1;
        for (int c = 0; c < m_components; ++c) {
            if (m_comp[c].id == id && !used[c]) {
                index = c;
                break;
            }
        }
        if (index < 0) return kBadScanComponent;
        used[index] = true;
        int dc = tables >> 4, ac = tables & 15;
        if (dc > 3 || ac > 3) return kBadScanHeader;
        m_comp[index].dcTable = dc;
        m_comp[index].acTable = ac;
        m_scanComp[i] = index;
    }
    const uint8_t* s = p + 1 + 2 * count;
    int ss = s[0], se = s[1], ah = s[2] >> 4, al = s[2] & 15;
    if (m_process == kSequential) {
        ss = 0;
        se = 63;
        ah = al = 0;
    } else if (m_process == kProgressive) {
        if (ss == 0) {
            if (se != 0) return kBadScanHeader;
        } else if (se < ss || se > 63 || count != 1) {
            return kBadScanHeader;
        }
        if (ah > 13 || al > 13 || (ah != 0 && al != ah - 1)) return kBadScanHeader;
    } else {
        if (ss < 1 || ss > 7 || se != 0 || ah != 0 || al >= m_precision) return kBadScanHeader;
    }
    m_scanCount = count;
    m_ss = ss;
    m_se = se;
    m_ah = ah;
    m_al = al;
    m_pos = payload + length;
    return kOk;
}

int CJPEGDecoder::HandleScan() {
    int status = CheckScanTables();
    if (status != kOk) return status;
    if (m_process != kLossless) {
        status = LatchQuantTables();
        if (status != kOk) return status;
    }
    for (int i = 0; i < m_scanCount; ++i) m_comp[m_scanComp[i]].seen = true;

    m_huff.Reset(m_data, m_size, m_pos);
    for (auto& comp : m_comp) comp.dcPredictor = 0;
    m_eobRun = 0;
    m_restartsToGo = m_restartInterval;

    if (m_process == kLossless) {
        status = PrepareLosslessPlanes();
        if (status == kOk) status = DecodeLosslessScan();
    } else if (m_process == kSequential && !m_buffered && !m_scanDecoded &&
               m_scanCount == m_components) {
        // The usual case: one interleaved scan, decoded and converted one MCU row at a time.
        status = RunBandPipeline();
        if (status == kOk) m_imageDone = true;
    } else {
        m_buffered = true;
        status = PrepareCoefficientBuffers();
        if (status == kOk) status = DecodeScanIntoCoefficients();
    }
    m_scanDecoded = true;
    // The marker search goes on where the bit reader stopped.
    m_pos = m_huff.pos;
    m_huff.Discard();
    return status;
}

int CJPEGDecoder::FinishImage() {
    if (m_imageDone) return kOk;
    if (!m_scanDecoded) return kTruncated;
    int status = RunBandPipeline();
    if (status == kOk) m_imageDone = true;
    return status;
}
