// The band pipeline of CJPEGDecoder: MCU rows of component samples are produced (decoded,
// transformed from the coefficient buffer, or copied from the lossless planes) one ahead
// of the row being written, so the 2x2 filter sees its neighbour rows across MCU rows.
#include <algorithm>
#include <cstring>

#include "exif/decoder/jpegcolor.h"
#include "exif/decoder/jpegdecoder.h"

using namespace jpegdec;

int CJPEGDecoder::SelectConverter() {
    const int cs = m_colorSpace, out = m_destColorSpace, ch = m_destChannels;
    int converter = kConvertNone;
    if (cs == kColorUnknown && out == kColorUnknown && ch == m_components) {
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
    } else if (cs == kColorYCbCr && out == kColorYCbCr && m_sampling == kSampling422 &&
               m_destSampling == kSampling422 && ch == 2) {
        converter = kYCbCr422;
    } else if (cs == kColorCMYK && out == kColorCMYK && ch == 4) {
        converter = kInterleave4;
    } else if (cs == kColorYCCK && out == kColorCMYK && ch == 4) {
        converter = kYCCKToCMYK;
    }
    if (converter == kConvertNone) return kUnsupported;
    m_converter = converter;
    m_passThrough422 = converter == kYCbCr422;
    return kOk;
}

int CJPEGDecoder::CheckDestination() {
    if (m_destPrecision != 8) return kUnsupported;
    int status = SelectConverter();
    if (status != kOk) return status;
    if (!m_dest || m_destWidth != m_width || m_destHeight != m_height) return kFailed;
    int64_t rowBytes = m_passThrough422 ? int64_t{(m_width + 1) / 2} * 4
                                        : int64_t{m_width} * m_destChannels;
    if (m_destStride < rowBytes) return kFailed;
    for (int i = 0; i < m_components; ++i) {
        const CJPEGColorComponent& comp = m_comp[i];
        // Only integer ratios of 1 or 2 in each direction have a filter.
        if (m_maxH % comp.h != 0 || m_maxV % comp.v != 0) return kUnsupported;
        if (comp.upH > 2 || comp.upV > 2) return kUnsupported;
    }
    status = PrepareBands();
    if (status != kOk) return status;
    m_destChecked = true;
    return kOk;
}

int CJPEGDecoder::PrepareBands() {
    // Two MCU rows and one context row per component, one output-width row per upsampled
    // component and the column sums of the 2x2 filter, carved from one block.
    auto align = [](size_t n) { return (n + 63) & ~size_t{63}; };
    size_t fullRow = align(static_cast<size_t>(m_mcusPerRow) * static_cast<size_t>(m_mcuWidth) + 8);
    size_t total = 0;
    size_t widest = 0;
    for (int i = 0; i < m_components; ++i) {
        const CJPEGColorComponent& comp = m_comp[i];
        size_t row = align(static_cast<size_t>(comp.rowStride));
        total += 2 * row * static_cast<size_t>(comp.bandRows) + row;
        if (comp.upH != 1 || comp.upV != 1) total += fullRow;
        widest = std::max(widest, static_cast<size_t>(comp.rowStride));
    }
    size_t sums = align(widest * sizeof(int16_t));
    total += sums;
    auto* block = static_cast<uint8_t*>(AllocateBlock(total));
    if (!block) return kOutOfMemory;
    for (int i = 0; i < m_components; ++i) {
        CJPEGColorComponent& comp = m_comp[i];
        size_t row = align(static_cast<size_t>(comp.rowStride));
        size_t band = row * static_cast<size_t>(comp.bandRows);
        comp.band[0] = block;
        comp.band[1] = block + band;
        comp.above = block + 2 * band;
        block += 2 * band + row;
        if (comp.upH != 1 || comp.upV != 1) {
            m_upsampled[i] = block;
            block += fullRow;
        }
    }
    m_columnSums = reinterpret_cast<int16_t*>(block);
    return kOk;
}

int CJPEGDecoder::ProduceMcuRow(int mcuRow, int slot) {
    if (m_process == kLossless) {
        CopyLosslessMcuRow(mcuRow, slot);
        return kOk;
    }
    if (m_buffered) {
        InverseTransformMcuRow(mcuRow, slot);
        return kOk;
    }
    return DecodeSequentialMcuRow(slot);
}

int CJPEGDecoder::RunBandPipeline() {
    int status = ProduceMcuRow(0, 0);
    if (status != kOk) return status;
    for (int row = 0; row < m_mcuRows; ++row) {
        bool hasNext = row + 1 < m_mcuRows;
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
        for (int i = 0; i < m_components; ++i) {
            CJPEGColorComponent& comp = m_comp[i];
            if (comp.upV == 2 && comp.upH == 2) {
                const uint8_t* last =
                    comp.band[row & 1] + static_cast<size_t>(comp.bandRows - 1) * comp.rowStride;
                std::memcpy(comp.above, last, static_cast<size_t>(comp.rowStride));
            }
        }
    }
    return kOk;
}

const uint8_t* CJPEGDecoder::ComponentRow(const CJPEGColorComponent& comp, int row, int mcuRow,
                                          bool hasNext) const {
    row = std::clamp(row, 0, comp.height - 1);
    int bandStart = mcuRow * comp.bandRows;
    int bandEnd = bandStart + comp.bandRows;
    if (row < bandStart) {
        if (row == bandStart - 1) return comp.above;
        row = bandStart;
    }
    if (row >= bandEnd) {
        if (hasNext && row == bandEnd) return comp.band[(mcuRow + 1) & 1];
        row = bandEnd - 1;
    }
    return comp.band[mcuRow & 1] + static_cast<size_t>(row - bandStart) * comp.rowStride;
}

void CJPEGDecoder::OutputMcuRow(int mcuRow, bool hasNext) {
    int y0 = mcuRow * m_mcuHeight;
    int y1 = std::min(y0 + m_mcuHeight, m_height);
    for (int y = y0; y < y1; ++y) {
        const uint8_t* planes[4] = {nullptr, nullptr, nullptr, nullptr};
        for (int i = 0; i < m_components; ++i) {
            const CJPEGColorComponent& comp = m_comp[i];
            if (comp.upV == 1) {
                const uint8_t* src = ComponentRow(comp, y, mcuRow, hasNext);
                if (comp.upH == 2 && !m_passThrough422) {
                    UpsampleRowH2(src, comp.width, m_upsampled[i]);
                    src = m_upsampled[i];
                }
                planes[i] = src;
            } else if (comp.upH == 1) {
                // 1x2: every chroma row serves two output rows.
                planes[i] = ComponentRow(comp, y / 2, mcuRow, hasNext);
            } else {
                int j = y / 2;
                int farRow = (y & 1) ? j + 1 : j - 1;
                UpsampleRowH2V2(ComponentRow(comp, j, mcuRow, hasNext),
                                ComponentRow(comp, farRow, mcuRow, hasNext), comp.width,
                                m_columnSums, m_upsampled[i]);
                planes[i] = m_upsampled[i];
            }
        }
        ConvertRow(m_converter, planes, m_dest + static_cast<size_t>(y) * m_destStride, m_width);
    }
}
