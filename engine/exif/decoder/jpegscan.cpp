// Entropy-coded scans of the DCT processes: the sequential MCU row decoder that feeds the
// band pipeline directly, and the scans (progressive or several sequential ones) that go
// into the whole-image coefficient buffer.
#include <cstring>

#include "exif/decoder/jpegdecoder.h"
#include "exif/decoder/jpegidct.h"

using namespace jpegdec;

namespace {

inline int16_t Wrap16(int value) { return static_cast<int16_t>(value); }

}  // namespace

int CJPEGDecoder::CheckScanTables() {
    for (int i = 0; i < m_scanCount; ++i) {
        const CJPEGColorComponent& comp = m_comp[m_scanComp[i]];
        bool needDc = m_process != kProgressive || (m_ss == 0 && m_ah == 0);
        bool needAc = m_process == kSequential || (m_process == kProgressive && m_ss > 0);
        if (needDc && !m_dcTables[comp.dcTable].defined) return kFailed;
        if (needAc && !m_acTables[comp.acTable].defined) return kFailed;
    }
    return kOk;
}

int CJPEGDecoder::LatchQuantTables() {
    for (int i = 0; i < m_scanCount; ++i) {
        CJPEGColorComponent& comp = m_comp[m_scanComp[i]];
        if (comp.quantLatched) continue;
        const CJPEGDecoderQuantTable& table = m_quant[comp.quantSelector];
        if (!table.defined) return kFailed;
        std::memcpy(comp.quant, table.values, sizeof(comp.quant));
        comp.quantLatched = true;
    }
    return kOk;
}

int CJPEGDecoder::PrepareCoefficientBuffers() {
    for (int i = 0; i < m_components; ++i) {
        CJPEGColorComponent& comp = m_comp[i];
        if (comp.coefficients) continue;
        size_t blocks = static_cast<size_t>(comp.blocksPerRow) * static_cast<size_t>(comp.blockRows);
        comp.coefficients = static_cast<int16_t*>(AllocateBlock(blocks * 64 * sizeof(int16_t)));
        if (!comp.coefficients) return kOutOfMemory;
    }
    return kOk;
}

int CJPEGDecoder::ProcessRestart() {
    if (m_huff.Overrun()) return kTruncated;
    m_pos = m_huff.pos;
    int marker = 0;
    int status = NextMarker(marker);
    if (status != kOk) return status;
    if (marker < 0xD0 || marker > 0xD7) return kFailed;  // the restart marker is missing
    m_huff.Reset(m_data, m_size, m_pos);
    ResetEntropyState();
    return kOk;
}

int CJPEGDecoder::DecodeBlockSequential(CJPEGColorComponent& comp, int16_t* block) {
    CJPEGDecoderHuffmanState& h = m_huff;
    int s = h.Decode(m_dcTables[comp.dcTable]);
    if (s < 0 || s > 15) return h.stopped && h.count - h.padBits < 16 ? kTruncated : kFailed;
    int diff = s ? Extend(h.GetBits(s), s) : 0;
    comp.dcPredictor = Wrap16(comp.dcPredictor + diff);
    block[0] = static_cast<int16_t>(comp.dcPredictor);
    const CJPEGDecoderHuffmanTable& ac = m_acTables[comp.acTable];
    for (int k = 1; k < 64; ++k) {
        // 32 bits cover the longest code (16) and the longest value (15).
        if (h.count < 32) h.Fill();
        int rs = h.DecodeFast(ac);
        if (rs < 0) return h.stopped && h.count - h.padBits < 16 ? kTruncated : kFailed;
        int r = rs >> 4;
        s = rs & 15;
        if (s) {
            k += r;
            block[kNaturalOrder[k]] = static_cast<int16_t>(Extend(h.GetBitsFast(s), s));
        } else {
            if (r != 15) break;
            k += 15;
        }
    }
    return kOk;
}

int CJPEGDecoder::DecodeSequentialMcuRow(int slot) {
    alignas(16) int16_t block[64];
    for (int mx = 0; mx < m_mcusPerRow; ++mx) {
        if (m_restartInterval) {
            if (m_restartsToGo == 0) {
                int status = ProcessRestart();
                if (status != kOk) return status;
            }
            --m_restartsToGo;
        }
        for (int i = 0; i < m_scanCount; ++i) {
            CJPEGColorComponent& comp = m_comp[m_scanComp[i]];
            uint8_t* base = comp.band[slot];
            for (int by = 0; by < comp.v; ++by) {
                for (int bx = 0; bx < comp.h; ++bx) {
                    std::memset(block, 0, sizeof(block));
                    int status = DecodeBlockSequential(comp, block);
                    if (status != kOk) return status;
                    uint8_t* out = base + static_cast<size_t>(by * 8) * comp.rowStride +
                                   static_cast<size_t>(mx * comp.h + bx) * 8;
                    InverseDct8x8(block, comp.quant, out, comp.rowStride);
                }
            }
        }
        if (m_huff.Overrun()) return kTruncated;
    }
    return kOk;
}

int CJPEGDecoder::DecodeDcFirst(CJPEGColorComponent& comp, int16_t* block) {
    CJPEGDecoderHuffmanState& h = m_huff;
    int s = h.Decode(m_dcTables[comp.dcTable]);
    if (s < 0 || s > 15) return h.stopped && h.count - h.padBits < 16 ? kTruncated : kFailed;
    int diff = s ? Extend(h.GetBits(s), s) : 0;
    comp.dcPredictor = Wrap16(comp.dcPredictor + diff);
    block[0] = Wrap16(comp.dcPredictor * (1 << m_al));
    return kOk;
}

int CJPEGDecoder::DecodeDcRefine(int16_t* block) {
    if (m_huff.GetBit()) block[0] = static_cast<int16_t>(block[0] | (1 << m_al));
    return kOk;
}

int CJPEGDecoder::DecodeAcFirst(const CJPEGDecoderHuffmanTable& table, int16_t* block) {
    if (m_eobRun > 0) {
        --m_eobRun;
        return kOk;
    }
    CJPEGDecoderHuffmanState& h = m_huff;
    for (int k = m_ss; k <= m_se; ++k) {
        int rs = h.Decode(table);
        if (rs < 0) return h.stopped && h.count - h.padBits < 16 ? kTruncated : kFailed;
        int r = rs >> 4, s = rs & 15;
        if (s) {
            k += r;
            block[kNaturalOrder[k]] = Wrap16(Extend(h.GetBits(s), s) * (1 << m_al));
        } else if (r == 15) {
            k += 15;
        } else {
            m_eobRun = 1 << r;
            if (r) m_eobRun += h.GetBits(r);
            --m_eobRun;
            break;
        }
    }
    return kOk;
}

int CJPEGDecoder::DecodeAcRefine(const CJPEGDecoderHuffmanTable& table, int16_t* block) {
    CJPEGDecoderHuffmanState& h = m_huff;
    const int p1 = 1 << m_al;
    const int m1 = -p1;
    // Refines a coefficient that is already non-zero by one correction bit.
    auto refine = [&](int16_t& coef) {
        if (h.GetBit() && (coef & p1) == 0) coef = Wrap16(coef + (coef >= 0 ? p1 : m1));
    };
    int k = m_ss;
    if (m_eobRun == 0) {
        for (; k <= m_se; ++k) {
            int rs = h.Decode(table);
            if (rs < 0) return h.stopped && h.count - h.padBits < 16 ? kTruncated : kFailed;
            int r = rs >> 4, s = rs & 15;
            int value = 0;
            if (s) {
                // Only magnitude 1 is valid here; anything else is read as 1 as well.
                value = h.GetBit() ? p1 : m1;
            } else if (r != 15) {
                m_eobRun = 1 << r;
                if (r) m_eobRun += h.GetBits(r);
                break;
            }
            // Skip r zero coefficients (refining the non-zero ones passed on the way),
            // then place the new coefficient on the next zero one.
            do {
                int16_t& coef = block[kNaturalOrder[k]];
                if (coef != 0) {
                    refine(coef);
                } else {
                    if (--r < 0) break;
                }
                ++k;
            } while (k <= m_se);
            if (value) block[kNaturalOrder[k]] = static_cast<int16_t>(value);
        }
    }
    if (m_eobRun > 0) {
        for (; k <= m_se; ++k) {
            int16_t& coef = block[kNaturalOrder[k]];
            if (coef != 0) refine(coef);
        }
        --m_eobRun;
    }
    return kOk;
}

int CJPEGDecoder::DecodeScanIntoCoefficients() {
    auto decodeBlock = [&](CJPEGColorComponent& comp, int16_t* block) -> int {
        if (m_process == kSequential) {
            std::memset(block, 0, 64 * sizeof(int16_t));
            return DecodeBlockSequential(comp, block);
        }
        if (m_ss == 0) return m_ah == 0 ? DecodeDcFirst(comp, block) : DecodeDcRefine(block);
        const CJPEGDecoderHuffmanTable& ac = m_acTables[comp.acTable];
        return m_ah == 0 ? DecodeAcFirst(ac, block) : DecodeAcRefine(ac, block);
    };
    auto restart = [&]() -> int {
        if (!m_restartInterval) return kOk;
        if (m_restartsToGo == 0) {
            int status = ProcessRestart();
            if (status != kOk) return status;
        }
        --m_restartsToGo;
        return kOk;
    };

    if (m_scanCount == 1) {
        // A non-interleaved scan covers only the blocks the component's samples reach.
        CJPEGColorComponent& comp = m_comp[m_scanComp[0]];
        int blocksWide = (comp.width + 7) / 8;
        int blocksHigh = (comp.height + 7) / 8;
        for (int by = 0; by < blocksHigh; ++by) {
            int16_t* rowBase = comp.coefficients + static_cast<size_t>(by) * comp.blocksPerRow * 64;
            for (int bx = 0; bx < blocksWide; ++bx) {
                int status = restart();
                if (status == kOk) status = decodeBlock(comp, rowBase + static_cast<size_t>(bx) * 64);
                if (status != kOk) return status;
                if (m_huff.Overrun()) return kTruncated;
            }
        }
        return kOk;
    }
    for (int my = 0; my < m_mcuRows; ++my) {
        for (int mx = 0; mx < m_mcusPerRow; ++mx) {
            int status = restart();
            if (status != kOk) return status;
            for (int i = 0; i < m_scanCount; ++i) {
                CJPEGColorComponent& comp = m_comp[m_scanComp[i]];
                for (int by = 0; by < comp.v; ++by) {
                    size_t row = static_cast<size_t>(my * comp.v + by);
                    for (int bx = 0; bx < comp.h; ++bx) {
                        size_t col = static_cast<size_t>(mx * comp.h + bx);
                        int16_t* block = comp.coefficients + (row * comp.blocksPerRow + col) * 64;
                        status = decodeBlock(comp, block);
                        if (status != kOk) return status;
                    }
                }
            }
            if (m_huff.Overrun()) return kTruncated;
        }
    }
    return kOk;
}

void CJPEGDecoder::InverseTransformMcuRow(int mcuRow, int slot) {
    for (int i = 0; i < m_components; ++i) {
        CJPEGColorComponent& comp = m_comp[i];
        for (int by = 0; by < comp.v; ++by) {
            size_t row = static_cast<size_t>(mcuRow * comp.v + by);
            const int16_t* blocks = comp.coefficients + row * comp.blocksPerRow * 64;
            uint8_t* out = comp.band[slot] + static_cast<size_t>(by * 8) * comp.rowStride;
            for (int bx = 0; bx < comp.blocksPerRow; ++bx)
                InverseDct8x8(blocks + static_cast<size_t>(bx) * 64, comp.quant, out + bx * 8,
                              comp.rowStride);
        }
    }
}
