#include "jpegdecoder/jpegdecoder.h"

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
    m_marker = CMarkerState{};
    m_entropy = CEntropyState{};
    m_output = COutputState{};
}

void CJPEGDecoder::Clean() {
    for (void* block : m_blocks) m_allocator->Free(block);
    m_blocks.clear();
    // Anything that pointed into the released buffers must be rebuilt before decoding.
    m_entropy.buffers = CEntropyState::Buffers{};
    m_output.bands = COutputState::Bands{};
}

void CJPEGDecoder::SetSource(const uint8_t* data, size_t size) {
    m_marker.data = data;
    m_marker.size = data ? size : 0;
    m_marker.pos = 0;
}

void CJPEGDecoder::SetDestination(uint8_t* buffer, int width, int height, int stride,
                                  int precision, int channels, int colorSpace, int sampling) {
    m_output.dest = CDestination{buffer, width, height, stride, precision, channels, colorSpace, sampling};
    m_output.bands.ready = false;
}

int CJPEGDecoder::ReadHeader(int& width, int& height, int& components, int& precision,
                             int& colorSpace, int& sampling) {
    int status = RunMarkerLoop(true);
    if (status != kOk) return status;
    width = m_marker.width;
    height = m_marker.height;
    components = m_marker.components;
    precision = m_marker.precision;
    colorSpace = m_marker.colorSpace;
    sampling = m_marker.sampling;
    return kOk;
}

int CJPEGDecoder::Decode() {
    if (m_output.imageDone) return kOk;
    return RunMarkerLoop(false);
}

void* CJPEGDecoder::AllocateBlock(size_t size) {
    void* block = m_allocator->Allocate(size == 0 ? 1 : size);
    if (block) m_blocks.push_back(block);
    return block;
}

int CJPEGDecoder::NextMarker(int& marker) {
    for (;;) {
        while (m_marker.pos < m_marker.size && m_marker.data[m_marker.pos] != 0xFF) ++m_marker.pos;
        while (m_marker.pos < m_marker.size && m_marker.data[m_marker.pos] == 0xFF) ++m_marker.pos;
        if (m_marker.pos >= m_marker.size) return kTruncated;
        int code = m_marker.data[m_marker.pos++];
        if (code != 0x00) {  // 0xFF00 is a stuffed data byte, not a marker
            marker = code;
            return kOk;
        }
    }
}

int CJPEGDecoder::SegmentLength(size_t& payload, size_t& length) {
    if (m_marker.size - m_marker.pos < 2) return kTruncated;
    int total = Read16(m_marker.data + m_marker.pos);
    if (total < 2) return kFailed;
    if (m_marker.size - m_marker.pos < static_cast<size_t>(total)) return kTruncated;
    payload = m_marker.pos + 2;
    length = static_cast<size_t>(total) - 2;
    return kOk;
}

int CJPEGDecoder::RunMarkerLoop(bool headerOnly) {
    if (!m_marker.data) return kTruncated;
    for (;;) {
        int marker = 0;
        int status = NextMarker(marker);
        if (status != kOk) return status;
        size_t markerStart = m_marker.pos - 2;
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
            if (!m_marker.frameSeen) return kBadScanHeader;
            if (m_output.imageDone && !headerOnly) {
                // Scans after a complete image (not allowed in a sequential one) are skipped;
                // the marker search steps over their entropy-coded data.
                size_t payload = 0, length = 0;
                status = SegmentLength(payload, length);
                if (status == kOk) m_marker.pos = payload + length;
                break;
            }
            if (headerOnly) {
                DecideColorSpace();
                m_marker.pos = markerStart;
                return kOk;
            }
            if (!m_output.bands.ready) {
                DecideColorSpace();
                status = CheckDestination();
                if (status != kOk) {
                    // Left before the scan, so a corrected destination can be tried again.
                    m_marker.pos = markerStart;
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
                m_entropy.Restart(m_marker.restartInterval);
            } else if (marker == kAPP0 || marker == kAPP1 || marker == kAPP14) {
                status = ReadApp(marker);
            } else {
                size_t payload = 0, length = 0;
                status = SegmentLength(payload, length);
                if (status == kOk) m_marker.pos = payload + length;
            }
            break;
        }
        if (status != kOk) return status;
    }
}

int CJPEGDecoder::ReadFrameHeader(int marker) {
    // A second frame would change the geometry the destination was made for.
    if (m_marker.frameSeen) return kFailed;
    size_t payload = 0, length = 0;
    int status = SegmentLength(payload, length);
    if (status != kOk) return status;
    const uint8_t* p = m_marker.data + payload;
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
        CJPEGColorComponent& comp = m_marker.comp[i];
        comp = CJPEGColorComponent{};
        comp.id = c[0];
        comp.h = c[1] >> 4;
        comp.v = c[1] & 15;
        comp.quantSelector = c[2];
        if (comp.h < 1 || comp.h > 4 || comp.v < 1 || comp.v > 4) return kBadFrameComponents;
        if (comp.quantSelector > 3) return kBadFrameComponents;
    }
    if (count == 1 && (m_marker.comp[0].h != 1 || m_marker.comp[0].v != 1)) return kBadGreySampling;
    if (width == 0) return kFailed;
    if (height == 0) return kUnsupported;  // height given later by a DNL marker
    m_marker.precision = 8;
    m_marker.width = width;
    m_marker.height = height;
    m_marker.components = count;
    m_marker.process = marker == kSOF2 ? kProgressive : (marker == kSOF3 ? kLossless : kSequential);
    m_marker.frameSeen = true;
    m_marker.sampling = ClassifySampling();
    m_marker.pos = payload + length;
    return ComputeGeometry();
}

int CJPEGDecoder::ClassifySampling() const {
    if (m_marker.components == 1) return kSampling444;
    const CJPEGColorComponent& first = m_marker.comp[0];
    for (int i = 1; i < m_marker.components && i < 3; ++i)
        if (m_marker.comp[i].h != 1 || m_marker.comp[i].v != 1) return kSamplingOther;
    if (m_marker.components == 4 && (m_marker.comp[3].h != first.h || m_marker.comp[3].v != first.v))
        return kSamplingOther;
    if (first.h == 1 && first.v == 1) return kSampling444;
    if (first.h == 2 && first.v == 1) return kSampling422;
    if (first.h == 1 && first.v == 2) return kSampling1x2;
    if (first.h == 2 && first.v == 2) return kSampling420;
    return kSamplingOther;
}

int CJPEGDecoder::ComputeGeometry() {
    // Refuse absurd frames before anything is sized from them.
    if (static_cast<uint64_t>(m_marker.width) * static_cast<uint64_t>(m_marker.height) > m_maxPixels)
        return kOutOfMemory;
    m_marker.maxH = m_marker.maxV = 1;
    for (int i = 0; i < m_marker.components; ++i) {
        if (m_marker.comp[i].h > m_marker.maxH) m_marker.maxH = m_marker.comp[i].h;
        if (m_marker.comp[i].v > m_marker.maxV) m_marker.maxV = m_marker.comp[i].v;
    }
    int unit = m_marker.process == kLossless ? 1 : 8;
    m_marker.mcuWidth = unit * m_marker.maxH;
    m_marker.mcuHeight = unit * m_marker.maxV;
    m_marker.mcusPerRow = (m_marker.width + m_marker.mcuWidth - 1) / m_marker.mcuWidth;
    m_marker.mcuRows = (m_marker.height + m_marker.mcuHeight - 1) / m_marker.mcuHeight;
    m_marker.overhangX = m_marker.mcusPerRow * m_marker.mcuWidth - m_marker.width;
    m_marker.overhangY = m_marker.mcuRows * m_marker.mcuHeight - m_marker.height;
    for (int i = 0; i < m_marker.components; ++i) {
        CJPEGColorComponent& comp = m_marker.comp[i];
        comp.upH = m_marker.maxH / comp.h;
        comp.upV = m_marker.maxV / comp.v;
        comp.width = static_cast<int>((static_cast<int64_t>(m_marker.width) * comp.h + m_marker.maxH - 1) / m_marker.maxH);
        comp.height =
            static_cast<int>((static_cast<int64_t>(m_marker.height) * comp.v + m_marker.maxV - 1) / m_marker.maxV);
        comp.blocksPerRow = m_marker.mcusPerRow * comp.h;
        comp.blockRows = m_marker.mcuRows * comp.v;
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
        int tableClass = m_marker.data[p] >> 4;
        int id = m_marker.data[p] & 15;
        if (tableClass > 1 || id > 3) return kBadHuffmanTable;
        const uint8_t* counts = m_marker.data + p + 1;
        int total = 0;
        for (int l = 0; l < 16; ++l) total += counts[l];
        p += 17;
        if (total > 256 || static_cast<size_t>(total) > end - p) return kBadHuffmanTable;
        CJPEGDecoderHuffmanTable& table = tableClass == 0 ? m_marker.dcTables[id] : m_marker.acTables[id];
        if (!table.Build(counts, m_marker.data + p, total)) return kBadHuffmanTable;
        p += static_cast<size_t>(total);
    }
    m_marker.pos = end;
    return kOk;
}

int CJPEGDecoder::ReadQuantTables() {
    size_t payload = 0, length = 0;
    int status = SegmentLength(payload, length);
    if (status != kOk) return status;
    size_t p = payload;
    const size_t end = payload + length;
    while (p < end) {
        int precision = m_marker.data[p] >> 4;
        int id = m_marker.data[p] & 15;
        ++p;
        if (precision > 1 || id > 3) return kBadQuantTable;
        size_t needed = precision ? 128 : 64;
        if (end - p < needed) return kBadQuantTable;
        CJPEGDecoderQuantTable& table = m_marker.quant[id];
        for (int k = 0; k < 64; ++k) {
            int value = precision ? Read16(m_marker.data + p + 2 * k) : m_marker.data[p + k];
            table.values[kNaturalOrder[k]] = static_cast<uint16_t>(value);
        }
        table.precision = precision;
        table.defined = true;
        p += needed;
    }
    m_marker.pos = end;
    return kOk;
}

int CJPEGDecoder::ReadRestartInterval() {
    size_t payload = 0, length = 0;
    int status = SegmentLength(payload, length);
    if (status != kOk) return status;
    if (length != 2) return kFailed;
    m_marker.restartInterval = Read16(m_marker.data + payload);
    m_marker.pos = payload + length;
    return kOk;
}

int CJPEGDecoder::ReadApp(int marker) {
    size_t payload = 0, length = 0;
    int status = SegmentLength(payload, length);
    if (status != kOk) return status;
    const uint8_t* p = m_marker.data + payload;
    if (marker == kAPP0) {
        if (length >= 5 && std::memcmp(p, "JFIF\0", 5) == 0) m_marker.jfif = true;
    } else if (marker == kAPP1) {
        if (m_marker.app1.empty()) m_marker.app1.assign(p, p + length);
    } else if (marker == kAPP14) {
        // "Adobe", version, two flag words, transform code.
        if (length >= 12 && std::memcmp(p, "Adobe", 5) == 0) {
            m_marker.adobe = true;
            m_marker.adobeTransform = p[11];
        }
    }
    m_marker.pos = payload + length;
    return kOk;
}

void CJPEGDecoder::DecideColorSpace() {
    // Once pixels are being produced the conversion is fixed.
    if (m_output.bands.ready) return;
    int space = kColorUnknown;
    bool decided = false;
    if (m_marker.adobe) {
        decided = true;
        if (m_marker.adobeTransform == 0) {
            space = m_marker.components == 1 ? kColorGrey
                    : m_marker.components == 3 ? kColorRGB
                    : m_marker.components == 4 ? kColorCMYK
                                        : kColorUnknown;
        } else if (m_marker.adobeTransform == 1) {
            space = kColorYCbCr;
        } else if (m_marker.adobeTransform == 2) {
            space = kColorYCCK;
        } else {
            decided = false;  // unknown transform code: decide as without the marker
        }
    }
    if (!decided)
        space = m_marker.components == 1 ? kColorGrey : (m_marker.components == 3 ? kColorYCbCr : kColorUnknown);
    // A colour space needs its number of planes; anything else is left unknown.
    if ((space == kColorYCbCr && m_marker.components != 3) || (space == kColorYCCK && m_marker.components != 4))
        space = kColorUnknown;
    m_marker.colorSpace = space;
}

int CJPEGDecoder::ReadScanHeader() {
    size_t payload = 0, length = 0;
    int status = SegmentLength(payload, length);
    if (status != kOk) return status;
    const uint8_t* p = m_marker.data + payload;
    if (length < 1) return kBadScanHeader;
    int count = p[0];
    if (count < 1 || count > 4 || length != 4 + 2 * static_cast<size_t>(count))
        return kBadScanHeader;
    bool used[4] = {false, false, false, false};
    for (int i = 0; i < count; ++i) {
        int id = p[1 + 2 * i];
        int tables = p[2 + 2 * i];
        int index = -1;
        for (int c = 0; c < m_marker.components; ++c) {
            if (m_marker.comp[c].id == id && !used[c]) {
                index = c;
                break;
            }
        }
        if (index < 0) return kBadScanComponent;
        used[index] = true;
        int dc = tables >> 4, ac = tables & 15;
        if (dc > 3 || ac > 3) return kBadScanHeader;
        m_marker.comp[index].dcTable = dc;
        m_marker.comp[index].acTable = ac;
        m_marker.scanComp[i] = index;
    }
    const uint8_t* s = p + 1 + 2 * count;
    int ss = s[0], se = s[1], ah = s[2] >> 4, al = s[2] & 15;
    if (m_marker.process == kSequential) {
        ss = 0;
        se = 63;
        ah = al = 0;
    } else if (m_marker.process == kProgressive) {
        if (ss == 0) {
            if (se != 0) return kBadScanHeader;
        } else if (se < ss || se > 63 || count != 1) {
            return kBadScanHeader;
        }
        if (ah > 13 || al > 13 || (ah != 0 && al != ah - 1)) return kBadScanHeader;
    } else {
        if (ss < 1 || ss > 7 || se != 0 || ah != 0 || al >= m_marker.precision) return kBadScanHeader;
    }
    m_marker.scanCount = count;
    m_marker.ss = ss;
    m_marker.se = se;
    m_marker.ah = ah;
    m_marker.al = al;
    m_marker.pos = payload + length;
    return kOk;
}

int CJPEGDecoder::HandleScan() {
    int status = CheckScanTables();
    if (status != kOk) return status;
    if (m_marker.process != kLossless) {
        status = LatchQuantTables();
        if (status != kOk) return status;
    }
    for (int i = 0; i < m_marker.scanCount; ++i) m_marker.comp[m_marker.scanComp[i]].seen = true;

    m_entropy.huff.Reset(m_marker.data, m_marker.size, m_marker.pos);
    m_entropy.Restart(m_marker.restartInterval);

    if (m_marker.process == kLossless) {
        status = PrepareLosslessPlanes();
        if (status == kOk) status = DecodeLosslessScan();
    } else if (m_marker.process == kSequential && !m_entropy.buffers.buffered && !m_entropy.scanDecoded &&
               m_marker.scanCount == m_marker.components) {
        // The usual case: one interleaved scan, decoded and converted one MCU row at a time.
        status = RunBandPipeline();
        if (status == kOk) m_output.imageDone = true;
    } else {
        m_entropy.buffers.buffered = true;
        status = PrepareCoefficientBuffers();
        if (status == kOk) status = DecodeScanIntoCoefficients();
    }
    m_entropy.scanDecoded = true;
    // The marker search goes on where the bit reader stopped.
    m_marker.pos = m_entropy.huff.pos;
    m_entropy.huff.Discard();
    return status;
}

int CJPEGDecoder::FinishImage() {
    if (m_output.imageDone) return kOk;
    if (!m_entropy.scanDecoded) return kTruncated;
    int status = RunBandPipeline();
    if (status == kOk) m_output.imageDone = true;
    return status;
}
