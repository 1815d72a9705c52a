// Entropy-coded scans of the DCT processes: the sequential MCU row decoder that feeds the
// band pipeline directly, and the scans (progressive or several sequential ones) that go
// into the whole-image coefficient buffer.
#include <cstring>

#include "jpegdecoder/jpegdecoder.h"
#include "jpegdecoder/jpegidct.h"

using namespace jpegdec;

namespace {

inline int16_t Wrap16(int value) { return static_cast<int16_t>(value); }

}  // namespace

int CJPEGDecoder::CheckScanTables() {
    for (int i = 0; i < m_marker.scanCount; ++i) {
        const CJPEGColorComponent& comp = m_marker.comp[m_marker.scanComp[i]];
        bool needDc = m_marker.process != kProgressive || (m_marker.ss == 0 && m_marker.ah == 0);
        bool needAc = m_marker.process == kSequential || (m_marker.process == kProgressive && m_marker.ss > 0);
        if (needDc && !m_marker.dcTables[comp.dcTable].defined) return kFailed;
        if (needAc && !m_marker.acTables[comp.acTable].defined) return kFailed;
    }
    return kOk;
}

int CJPEGDecoder::LatchQuantTables() {
    for (int i = 0; i < m_marker.scanCount; ++i) {
        CJPEGColorComponent& comp = m_marker.comp[m_marker.scanComp[i]];
        if (comp.quantLatched) continue;
        const CJPEGDecoderQuantTable& table = m_marker.quant[comp.quantSelector];
        if (!table.defined) return kFailed;
        std::memcpy(comp.quant, table.values, sizeof(comp.quant));
        comp.quantLatched = true;
    }
    return kOk;
}

int CJPEGDecoder::PrepareCoefficientBuffers() {
    for (int i = 0; i < m_marker.components; ++i) {
        const CJPEGColorComponent& comp = m_marker.comp[i];
        int16_t*& coefficients = m_entropy.buffers.coefficients[i];
        if (coefficients) continue;
        size_t blocks = static_cast<size_t>(comp.blocksPerRow) * static_cast<size_t>(comp.blockRows);
        coefficients = static_cast<int16_t*>(AllocateBlock(blocks * 64 * sizeof(int16_t)));
        if (!coefficients) return kOutOfMemory;
    }
    return kOk;
}

int CJPEGDecoder::ProcessRestart() {
    if (m_entropy.huff.Overrun()) return kTruncated;
    m_marker.pos = m_entropy.huff.pos;
    int marker = 0;
    int status = NextMarker(marker);
    if (status != kOk) return status;
    if (marker < 0xD0 || marker > 0xD7) return kFailed;  // the restart marker is missing
    m_entropy.huff.Reset(m_marker.data, m_marker.size, m_marker.pos);
    m_entropy.Restart(m_marker.restartInterval);
    return kOk;
}

int CJPEGDecoder::DecodeBlockSequential(int c, int16_t* block) {
    const CJPEGColorComponent& comp = m_marker.comp[c];
    CJPEGDecoderHuffmanState& h = m_entropy.huff;
    int& predictor = m_entropy.dcPredictor[c];
    int s = h.Decode(m_marker.dcTables[comp.dcTable]);
    if (s < 0 || s > 15) return h.stopped && h.count - h.padBits < 16 ? kTruncated : kFailed;
    int diff = s ? Extend(h.GetBits(s), s) : 0;
    predictor = Wrap16(predictor + diff);
    block[0] = static_cast<int16_t>(predictor);
    const CJPEGDecoderHuffmanTable& ac = m_marker.acTables[comp.acTable];
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
    for (int mx = 0; mx < m_marker.mcusPerRow; ++mx) {
        if (m_marker.restartInterval) {
            if (m_entropy.restartsToGo == 0) {
                int status = ProcessRestart();
                if (status != kOk) return status;
            }
            --m_entropy.restartsToGo;
        }
        for (int i = 0; i < m_marker.scanCount; ++i) {
            const int c = m_marker.scanComp[i];
            const CJPEGColorComponent& comp = m_marker.comp[c];
            uint8_t* base = m_output.bands.band[c][slot];
            for (int by = 0; by < comp.v; ++by) {
                for (int bx = 0; bx < comp.h; ++bx) {
                    std::memset(block, 0, sizeof(block));
                    int status = DecodeBlockSequential(c, block);
                    if (status != kOk) return status;
                    uint8_t* out = base + static_cast<size_t>(by * 8) * comp.rowStride +
                                   static_cast<size_t>(mx * comp.h + bx) * 8;
                    InverseDct8x8(block, comp.quant, out, comp.rowStride);
                }
            }
        }
        if (m_entropy.huff.Overrun()) return kTruncated;
    }
    return kOk;
}

int CJPEGDecoder::DecodeDcFirst(int c, int16_t* block) {
    const CJPEGColorComponent& comp = m_marker.comp[c];
    CJPEGDecoderHuffmanState& h = m_entropy.huff;
    int& predictor = m_entropy.dcPredictor[c];
    int s = h.Decode(m_marker.dcTables[comp.dcTable]);
    if (s < 0 || s > 15) return h.stopped && h.count - h.padBits < 16 ? kTruncated : kFailed;
    int diff = s ? Extend(h.GetBits(s), s) : 0;
    predictor = Wrap16(predictor + diff);
    block[0] = Wrap16(predictor * (1 << m_marker.al));
    return kOk;
}

int CJPEGDecoder::DecodeDcRefine(int16_t* block) {
    if (m_entropy.huff.GetBit()) block[0] = static_cast<int16_t>(block[0] | (1 << m_marker.al));
    return kOk;
}

int CJPEGDecoder::DecodeAcFirst(const CJPEGDecoderHuffmanTable& table, int16_t* block) {
    if (m_entropy.eobRun > 0) {
        --m_entropy.eobRun;
        return kOk;
    }
    CJPEGDecoderHuffmanState& h = m_entropy.huff;
    for (int k = m_marker.ss; k <= m_marker.se; ++k) {
        int rs = h.Decode(table);
        if (rs < 0) return h.stopped && h.count - h.padBits < 16 ? kTruncated : kFailed;
        int r = rs >> 4, s = rs & 15;
        if (s) {
            k += r;
            block[kNaturalOrder[k]] = Wrap16(Extend(h.GetBits(s), s) * (1 << m_marker.al));
        } else if (r == 15) {
            k += 15;
        } else {
            m_entropy.eobRun = 1 << r;
            if (r) m_entropy.eobRun += h.GetBits(r);
            --m_entropy.eobRun;
            break;
        }
    }
    return kOk;
}

int CJPEGDecoder::DecodeAcRefine(const CJPEGDecoderHuffmanTable& table, int16_t* block) {
    CJPEGDecoderHuffmanState& h = m_entropy.huff;
    const int p1 = 1 << m_marker.al;
    const int m1 = -p1;
    // Refines a coefficient that is already non-zero by one correction bit.
    auto refine = [&](int16_t& coef) {
        if (h.GetBit() && (coef & p1) == 0) coef = Wrap16(coef + (coef >= 0 ? p1 : m1));
    };
    int k = m_marker.ss;
    if (m_entropy.eobRun == 0) {
        for (; k <= m_marker.se; ++k) {
            int rs = h.Decode(table);
            if (rs < 0) return h.stopped && h.count - h.padBits < 16 ? kTruncated : kFailed;
            int r = rs >> 4, s = rs & 15;
            int value = 0;
            if (s) {
                // Only magnitude 1 is valid here; anything else is read as 1 as well.
                value = h.GetBit() ? p1 : m1;
            } else if (r != 15) {
                m_entropy.eobRun = 1 << r;
                if (r) m_entropy.eobRun += h.GetBits(r);
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
            } while (k <= m_marker.se);
            if (value) block[kNaturalOrder[k]] = static_cast<int16_t>(value);
        }
    }
    if (m_entropy.eobRun > 0) {
        for (; k <= m_marker.se; ++k) {
            int16_t& coef = block[kNaturalOrder[k]];
            if (coef != 0) refine(coef);
        }
        --m_entropy.eobRun;
    }
    return kOk;
}

int CJPEGDecoder::DecodeScanIntoCoefficients() {
    auto decodeBlock = [&](int c, int16_t* block) -> int {
        if (m_marker.process == kSequential) {
            std::memset(block, 0, 64 * sizeof(int16_t));
            return DecodeBlockSequential(c, block);
        }
        if (m_marker.ss == 0) return m_marker.ah == 0 ? DecodeDcFirst(c, block) : DecodeDcRefine(block);
        const CJPEGDecoderHuffmanTable& ac = m_marker.acTables[m_marker.comp[c].acTable];
        return m_marker.ah == 0 ? DecodeAcFirst(ac, block) : DecodeAcRefine(ac, block);
    };
    auto restart = [&]() -> int {
        if (!m_marker.restartInterval) return kOk;
        if (m_entropy.restartsToGo == 0) {
            int status = ProcessRestart();
            if (status != kOk) return status;
        }
        --m_entropy.restartsToGo;
        return kOk;
    };

    if (m_marker.scanCount == 1) {
        // A non-interleaved scan covers only the blocks the component's samples reach.
        const int c = m_marker.scanComp[0];
        const CJPEGColorComponent& comp = m_marker.comp[c];
        int blocksWide = (comp.width + 7) / 8;
        int blocksHigh = (comp.height + 7) / 8;
        for (int by = 0; by < blocksHigh; ++by) {
            int16_t* rowBase = m_entropy.buffers.coefficients[c] + static_cast<size_t>(by) * comp.blocksPerRow * 64;
            for (int bx = 0; bx < blocksWide; ++bx) {
                int status = restart();
                if (status == kOk) status = decodeBlock(c, rowBase + static_cast<size_t>(bx) * 64);
                if (status != kOk) return status;
                if (m_entropy.huff.Overrun()) return kTruncated;
            }
        }
        return kOk;
    }
    for (int my = 0; my < m_marker.mcuRows; ++my) {
        for (int mx = 0; mx < m_marker.mcusPerRow; ++mx) {
            int status = restart();
            if (status != kOk) return status;
            for (int i = 0; i < m_marker.scanCount; ++i) {
                const int c = m_marker.scanComp[i];
                const CJPEGColorComponent& comp = m_marker.comp[c];
                for (int by = 0; by < comp.v; ++by) {
                    size_t row = static_cast<size_t>(my * comp.v + by);
                    for (int bx = 0; bx < comp.h; ++bx) {
                        size_t col = static_cast<size_t>(mx * comp.h + bx);
                        int16_t* block =
                            m_entropy.buffers.coefficients[c] + (row * comp.blocksPerRow + col) * 64;
                        status = decodeBlock(c, block);
                        if (status != kOk) return status;
                    }
                }
            }
            if (m_entropy.huff.Overrun()) return kTruncated;
        }
    }
    return kOk;
}

void CJPEGDecoder::InverseTransformMcuRow(int mcuRow, int slot) {
    for (int i = 0; i < m_marker.components; ++i) {
        const CJPEGColorComponent& comp = m_marker.comp[i];
        for (int by = 0; by < comp.v; ++by) {
            size_t row = static_cast<size_t>(mcuRow * comp.v + by);
            const int16_t* blocks = m_entropy.buffers.coefficients[i] + row * comp.blocksPerRow * 64;
            uint8_t* out = m_output.bands.band[i][slot] + static_cast<size_t>(by * 8) * comp.rowStride;
            for (int bx = 0; bx < comp.blocksPerRow; ++bx)
                InverseDct8x8(blocks + static_cast<size_t>(bx) * 64, comp.quant, out + bx * 8,
                              comp.rowStride);
        }
    }
}
