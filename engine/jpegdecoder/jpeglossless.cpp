// Lossless process of CJPEGDecoder: Huffman-coded prediction differences, undone one
// MCU row at a time into whole-image 16-bit sample planes.
#include "jpegdecoder/jpegdecoder.h"

using namespace jpegdec;

int CJPEGDecoder::PrepareLosslessPlanes() {
    for (int i = 0; i < m_marker.components; ++i) {
        const CJPEGColorComponent& comp = m_marker.comp[i];
        uint16_t*& samples = m_entropy.buffers.samples[i];
        if (samples) continue;
        size_t count = static_cast<size_t>(comp.blocksPerRow) * static_cast<size_t>(comp.blockRows);
        samples = static_cast<uint16_t*>(AllocateBlock(count * sizeof(uint16_t)));
        if (!samples) return kOutOfMemory;
    }
    return kOk;
}

namespace {

// Replaces the differences of one sample row by the reconstructed samples (T.81 H.1.2).
void UndifferenceRow(uint16_t* row, const uint16_t* above, int width, bool firstLine,
                     int predictor, int pointTransform) {
    const int initial = 1 << (8 - pointTransform - 1);
    for (int x = 0; x < width; ++x) {
        int prediction;
        if (firstLine) {
            prediction = x == 0 ? initial : row[x - 1];
        } else if (x == 0) {
            prediction = above[0];
        } else {
            int ra = row[x - 1], rb = above[x], rc = above[x - 1];
            switch (predictor) {
            case 1: prediction = ra; break;
            case 2: prediction = rb; break;
            case 3: prediction = rc; break;
            case 4: prediction = ra + rb - rc; break;
            case 5: prediction = ra + ((rb - rc) >> 1); break;
            case 6: prediction = rb + ((ra - rc) >> 1); break;
            default: prediction = (ra + rb) >> 1; break;
            }
        }
        row[x] = static_cast<uint16_t>((prediction + row[x]) & 0xFFFF);
    }
}

}  // namespace

int CJPEGDecoder::DecodeLosslessScan() {
    const bool interleaved = m_marker.scanCount > 1;
    const CJPEGColorComponent& single = m_marker.comp[m_marker.scanComp[0]];
    const int mcusWide = interleaved ? m_marker.mcusPerRow : single.width;
    const int mcuRows = interleaved ? m_marker.mcuRows : single.height;
    // Prediction restarts at the start of a line; intervals ending inside a line are not handled.
    if (m_marker.restartInterval && m_marker.restartInterval % mcusWide != 0) return kUnsupported;
    for (int i = 0; i < m_marker.scanCount; ++i) m_entropy.pointTransform[m_marker.scanComp[i]] = m_marker.al;

    bool firstLine = true;
    for (int my = 0; my < mcuRows; ++my) {
        for (int mx = 0; mx < mcusWide; ++mx) {
            if (m_marker.restartInterval) {
                if (m_entropy.restartsToGo == 0) {
                    int status = ProcessRestart();
                    if (status != kOk) return status;
                    firstLine = true;
                }
                --m_entropy.restartsToGo;
            }
            for (int i = 0; i < m_marker.scanCount; ++i) {
                const int c = m_marker.scanComp[i];
                const CJPEGColorComponent& comp = m_marker.comp[c];
                const int hc = interleaved ? comp.h : 1;
                const int vc = interleaved ? comp.v : 1;
                for (int j = 0; j < vc; ++j) {
                    uint16_t* row = m_entropy.buffers.samples[c] + static_cast<size_t>(my * vc + j) * comp.blocksPerRow;
                    for (int k = 0; k < hc; ++k) {
                        int s = m_entropy.huff.Decode(m_marker.dcTables[comp.dcTable]);
                        if (s < 0 || s > 16) {
                            return m_entropy.huff.stopped && m_entropy.huff.count - m_entropy.huff.padBits < 16 ? kTruncated
                                                                                      : kFailed;
                        }
                        int diff = s == 0 ? 0 : s == 16 ? 32768 : Extend(m_entropy.huff.GetBits(s), s);
                        row[mx * hc + k] = static_cast<uint16_t>(diff & 0xFFFF);
                    }
                }
            }
            if (m_entropy.huff.Overrun()) return kTruncated;
        }
        for (int i = 0; i < m_marker.scanCount; ++i) {
            const int c = m_marker.scanComp[i];
            const CJPEGColorComponent& comp = m_marker.comp[c];
            const int vc = interleaved ? comp.v : 1;
            const int width = interleaved ? mcusWide * comp.h : comp.width;
            for (int j = 0; j < vc; ++j) {
                int y = my * vc + j;
                uint16_t* row = m_entropy.buffers.samples[c] + static_cast<size_t>(y) * comp.blocksPerRow;
                const uint16_t* above = y > 0 ? row - comp.blocksPerRow : row;
                UndifferenceRow(row, above, width, firstLine && j == 0, m_marker.ss, m_marker.al);
            }
        }
        firstLine = false;
    }
    return kOk;
}

void CJPEGDecoder::CopyLosslessMcuRow(int mcuRow, int slot) {
    for (int i = 0; i < m_marker.components; ++i) {
        const CJPEGColorComponent& comp = m_marker.comp[i];
        const int shift = m_entropy.pointTransform[i];
        for (int j = 0; j < comp.bandRows; ++j) {
            const uint16_t* src = m_entropy.buffers.samples[i] +
                                  static_cast<size_t>(mcuRow * comp.bandRows + j) * comp.blocksPerRow;
            uint8_t* dst = m_output.bands.band[i][slot] + static_cast<size_t>(j) * comp.rowStride;
            for (int x = 0; x < comp.blocksPerRow; ++x)
                dst[x] = static_cast<uint8_t>((src[x] << shift) & 0xFF);
        }
    }
}
