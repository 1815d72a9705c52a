// Lossless process of CJPEGDecoder: Huffman-coded prediction differences, undone one
// MCU row at a time into whole-image 16-bit sample planes.
#include "exif/decoder/jpegdecoder.h"

using namespace jpegdec;

int CJPEGDecoder::PrepareLosslessPlanes() {
    for (int i = 0; i < m_components; ++i) {
        CJPEGColorComponent& comp = m_comp[i];
        if (comp.samples) continue;
        size_t count = static_cast<size_t>(comp.blocksPerRow) * static_cast<size_t>(comp.blockRows);
        comp.samples = static_cast<uint16_t*>(AllocateBlock(count * sizeof(uint16_t)));
        if (!comp.samples) return kOutOfMemory;
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
    const bool interleaved = m_scanCount > 1;
    const CJPEGColorComponent& single = m_comp[m_scanComp[0]];
    const int mcusWide = interleaved ? m_mcusPerRow : single.width;
    const int mcuRows = interleaved ? m_mcuRows : single.height;
    // Prediction restarts at the start of a line; intervals ending inside a line are not handled.
    if (m_restartInterval && m_restartInterval % mcusWide != 0) return kUnsupported;
    for (int i = 0; i < m_scanCount; ++i) m_comp[m_scanComp[i]].pointTransform = m_al;

    bool firstLine = true;
    for (int my = 0; my < mcuRows; ++my) {
        for (int mx = 0; mx < mcusWide; ++mx) {
            if (m_restartInterval) {
                if (m_restartsToGo == 0) {
                    int status = ProcessRestart();
                    if (status != kOk) return status;
                    firstLine = true;
                }
                --m_restartsToGo;
            }
            for (int i = 0; i < m_scanCount; ++i) {
                CJPEGColorComponent& comp = m_comp[m_scanComp[i]];
                const int hc = interleaved ? comp.h : 1;
                const int vc = interleaved ? comp.v : 1;
                for (int j = 0; j < vc; ++j) {
                    uint16_t* row = comp.samples + static_cast<size_t>(my * vc + j) * comp.blocksPerRow;
                    for (int k = 0; k < hc; ++k) {
                        int s = m_huff.Decode(m_dcTables[comp.dcTable]);
                        if (s < 0 || s > 16) {
                            return m_huff.stopped && m_huff.count - m_huff.padBits < 16 ? kTruncated
                                                                                      : kFailed;
                        }
                        int diff = s == 0 ? 0 : s == 16 ? 32768 : Extend(m_huff.GetBits(s), s);
                        row[mx * hc + k] = static_cast<uint16_t>(diff & 0xFFFF);
                    }
                }
            }
            if (m_huff.Overrun()) return kTruncated;
        }
        for (int i = 0; i < m_scanCount; ++i) {
            CJPEGColorComponent& comp = m_comp[m_scanComp[i]];
            const int vc = interleaved ? comp.v : 1;
            const int width = interleaved ? mcusWide * comp.h : comp.width;
            for (int j = 0; j < vc; ++j) {
                int y = my * vc + j;
                uint16_t* row = comp.samples + static_cast<size_t>(y) * comp.blocksPerRow;
                const uint16_t* above = y > 0 ? row - comp.blocksPerRow : row;
                UndifferenceRow(row, above, width, firstLine && j == 0, m_ss, m_al);
            }
        }
        firstLine = false;
    }
    return kOk;
}

void CJPEGDecoder::CopyLosslessMcuRow(int mcuRow, int slot) {
    for (int i = 0; i < m_components; ++i) {
        CJPEGColorComponent& comp = m_comp[i];
        for (int j = 0; j < comp.bandRows; ++j) {
            const uint16_t* src =
                comp.samples + static_cast<size_t>(mcuRow * comp.bandRows + j) * comp.blocksPerRow;
            uint8_t* dst = comp.band[slot] + static_cast<size_t>(j) * comp.rowStride;
            for (int x = 0; x < comp.blocksPerRow; ++x)
                dst[x] = static_cast<uint8_t>((src[x] << comp.pointTransform) & 0xFF);
        }
    }
}
