// The band pipeline of CJPEGDecoder: MCU rows of component samples are produced (decoded,
// transformed from the coefficient buffer, or copied from the lossless planes) one ahead
// of the row being written, so the 2x2 filter sees its neighbour rows across MCU rows.
#include <algorithm>
#include <cstring>

#include "jpegdecoder/jpegcolor.h"
#include "jpegdecoder/jpegdecoder.h"

using namespace jpegdec;

int CJPEGDecoder::SelectConverter() {
    const int cs = m_marker.colorSpace, out = m_output.dest.colorSpace, ch = m_output.dest.channels;
    int converter = kConvertNone;
    if (cs == kColorUnknown && out == kColorUnknown && ch == m_marker.components) {
        converter = ch == 1 ? kInterleave1 : ch == 3 ? kInterleave3 : ch == 4 ? kInterleave4
                                                                             : kConvertNone;
    } else if (cs == kColorGrey && out == kColorGrey && ch == 1) {
        converter = kInterleave1;
    } else if (cs == kColorGrey && (out == kColorRGB || out == kColorBGR) && ch == 3) {
        converter = kGreyTo3;
    } else if (cs == kColorRGB && out == kColorRGB && ch == 3) {
        converter = kInterleave3;
    } else if (cs == kColorRGB && out == kColorBGR && ch == 3) {
        converter = kReverse3;
    } else if (cs == kColorYCbCr && out == kColorRGB && ch == 3) {
        converter = kYCbCrToRGB;
    } else if (cs == kColorYCbCr && out == kColorBGR && ch == 3) {
        converter = kYCbCrToBGR;
    } else if (cs == kColorYCbCr && out == kColorYCbCr && m_marker.sampling == kSampling422 &&
               m_output.dest.sampling == kSampling422 && ch == 2) {
        converter = kYCbCr422;
    } else if (cs == kColorCMYK && out == kColorCMYK && ch == 4) {
        converter = kInterleave4;
    } else if (cs == kColorYCCK && out == kColorCMYK && ch == 4) {
        converter = kYCCKToCMYK;
    }
    if (converter == kConvertNone) return kUnsupported;
    m_output.converter = converter;
    m_output.passThrough422 = converter == kYCbCr422;
    return kOk;
}

int CJPEGDecoder::CheckDestination() {
    if (m_output.dest.precision != 8) return kUnsupported;
    int status = SelectConverter();
    if (status != kOk) return status;
    if (!m_output.dest.buffer || m_output.dest.width != m_marker.width || m_output.dest.height != m_marker.height) return kFailed;
    int64_t rowBytes = m_output.passThrough422 ? int64_t{(m_marker.width + 1) / 2} * 4
                                        : int64_t{m_marker.width} * m_output.dest.channels;
    if (m_output.dest.stride < rowBytes) return kFailed;
    for (int i = 0; i < m_marker.components; ++i) {
        const CJPEGColorComponent& comp = m_marker.comp[i];
        // Only integer ratios of 1 or 2 in each direction have a filter.
        if (m_marker.maxH % comp.h != 0 || m_marker.maxV % comp.v != 0) return kUnsupported;
        if (comp.upH > 2 || comp.upV > 2) return kUnsupported;
    }
    status = PrepareBands();
    if (status != kOk) return status;
    m_output.bands.ready = true;
    return kOk;
}

int CJPEGDecoder::PrepareBands() {
    // Two MCU rows and one context row per component, one output-width row per upsampled
    // component and the column sums of the 2x2 filter, carved from one block.
    auto align = [](size_t n) { return (n + 63) & ~size_t{63}; };
    size_t fullRow = align(static_cast<size_t>(m_marker.mcusPerRow) * static_cast<size_t>(m_marker.mcuWidth) + 8);
    size_t total = 0;
    size_t widest = 0;
    for (int i = 0; i < m_marker.components; ++i) {
        const CJPEGColorComponent& comp = m_marker.comp[i];
        size_t row = align(static_cast<size_t>(comp.rowStride));
        total += 2 * row * static_cast<size_t>(comp.bandRows) + row;
        if (comp.upH != 1 || comp.upV != 1) total += fullRow;
        widest = std::max(widest, static_cast<size_t>(comp.rowStride));
    }
    size_t sums = align(widest * sizeof(int16_t));
    total += sums;
    auto* block = static_cast<uint8_t*>(AllocateBlock(total));
    if (!block) return kOutOfMemory;
    for (int i = 0; i < m_marker.components; ++i) {
        const CJPEGColorComponent& comp = m_marker.comp[i];
        size_t row = align(static_cast<size_t>(comp.rowStride));
        size_t band = row * static_cast<size_t>(comp.bandRows);
        m_output.bands.band[i][0] = block;
        m_output.bands.band[i][1] = block + band;
        m_output.bands.above[i] = block + 2 * band;
        block += 2 * band + row;
        if (comp.upH != 1 || comp.upV != 1) {
            m_output.bands.upsampled[i] = block;
            block += fullRow;
        }
    }
    m_output.bands.columnSums = reinterpret_cast<int16_t*>(block);
    return kOk;
}

int CJPEGDecoder::ProduceMcuRow(int mcuRow, int slot) {
    if (m_marker.process == kLossless) {
        CopyLosslessMcuRow(mcuRow, slot);
        return kOk;
    }
    if (m_entropy.buffers.buffered) {
        InverseTransformMcuRow(mcuRow, slot);
        return kOk;
    }
    return DecodeSequentialMcuRow(slot);
}

int CJPEGDecoder::RunBandPipeline() {
    int status = ProduceMcuRow(0, 0);
    if (status != kOk) return status;
    for (int row = 0; row < m_marker.mcuRows; ++row) {
        bool hasNext = row + 1 < m_marker.mcuRows;
        if (hasNext) {
            status = ProduceMcuRow(row + 1, (row + 1) & 1);
            if (status != kOk) {
                // Keep what was decoded: this row is written with its own edge as context.
                OutputMcuRow(row, false);
                return status;
            }
        }
        OutputMcuRow(row, hasNext);
        // The next production overwrites this row's slot; keep its last row as context.
        for (int i = 0; i < m_marker.components; ++i) {
            const CJPEGColorComponent& comp = m_marker.comp[i];
            if (comp.upV == 2 && comp.upH == 2) {
                const uint8_t* last = m_output.bands.band[i][row & 1] +
                                      static_cast<size_t>(comp.bandRows - 1) * comp.rowStride;
                std::memcpy(m_output.bands.above[i], last, static_cast<size_t>(comp.rowStride));
            }
        }
    }
    return kOk;
}

const uint8_t* CJPEGDecoder::ComponentRow(int c, int row, int mcuRow, bool hasNext) const {
    const CJPEGColorComponent& comp = m_marker.comp[c];
    const COutputState::Bands& bands = m_output.bands;
    row = std::clamp(row, 0, comp.height - 1);
    int bandStart = mcuRow * comp.bandRows;
    int bandEnd = bandStart + comp.bandRows;
    if (row < bandStart) {
        if (row == bandStart - 1) return bands.above[c];
        row = bandStart;
    }
    if (row >= bandEnd) {
        if (hasNext && row == bandEnd) return bands.band[c][(mcuRow + 1) & 1];
        row = bandEnd - 1;
    }
    return bands.band[c][mcuRow & 1] + static_cast<size_t>(row - bandStart) * comp.rowStride;
}

void CJPEGDecoder::OutputMcuRow(int mcuRow, bool hasNext) {
    int y0 = mcuRow * m_marker.mcuHeight;
    int y1 = std::min(y0 + m_marker.mcuHeight, m_marker.height);
    for (int y = y0; y < y1; ++y) {
        const uint8_t* planes[4] = {nullptr, nullptr, nullptr, nullptr};
        for (int i = 0; i < m_marker.components; ++i) {
            const CJPEGColorComponent& comp = m_marker.comp[i];
            if (comp.upV == 1) {
                const uint8_t* src = ComponentRow(i, y, mcuRow, hasNext);
                if (comp.upH == 2 && !m_output.passThrough422) {
                    UpsampleRowH2(src, comp.width, m_output.bands.upsampled[i]);
                    src = m_output.bands.upsampled[i];
                }
                planes[i] = src;
            } else if (comp.upH == 1) {
                // 1x2: every chroma row serves two output rows.
                planes[i] = ComponentRow(i, y / 2, mcuRow, hasNext);
            } else {
                int j = y / 2;
                int farRow = (y & 1) ? j + 1 : j - 1;
                UpsampleRowH2V2(ComponentRow(i, j, mcuRow, hasNext),
                                ComponentRow(i, farRow, mcuRow, hasNext), comp.width,
                                m_output.bands.columnSums, m_output.bands.upsampled[i]);
                planes[i] = m_output.bands.upsampled[i];
            }
        }
        ConvertRow(m_output.converter, planes, m_output.dest.buffer + static_cast<size_t>(y) * m_output.dest.stride, m_marker.width);
    }
}
