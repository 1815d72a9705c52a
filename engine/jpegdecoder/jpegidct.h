#pragma once
// Accurate integer inverse DCT of one 8x8 block.
#include <cstdint>

namespace jpegdec {

// Dequantises `coef` (natural order) with `quant`, transforms it, adds 128 and clamps to
// 0..255, writing 8 rows of 8 samples at `out`, `stride` bytes apart.
void InverseDct8x8(const int16_t* coef, const uint16_t* quant, uint8_t* out, int stride);

}  // namespace jpegdec
