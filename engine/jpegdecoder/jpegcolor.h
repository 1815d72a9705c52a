#pragma once
// Row upsampling filters and colour conversions of the JPEG decoder.
#include <cstdint>

namespace jpegdec {

enum Converter : int {
    kConvertNone = 0,
    kInterleave1,     // one plane copied (grey to grey, unknown with one plane)
    kInterleave3,     // three planes in their order (RGB to RGB, unknown)
    kInterleave4,     // four planes in their order (CMYK to CMYK, unknown)
    kReverse3,        // three planes in reverse order (RGB to BGR)
    kGreyTo3,         // the grey plane in all three channels
    kYCbCrToRGB,
    kYCbCrToBGR,
    kYCbCr422,        // Y Cb Y Cr per pixel pair, chroma at half width, no conversion
    kYCCKToCMYK,
};

// Writes `width` pixels of one output row from the component rows in `planes`.
void ConvertRow(int converter, const uint8_t* const planes[4], uint8_t* out, int width);

// Doubles a row of `n` samples with the triangle filter (2x1 upsampling); writes 2n samples.
void UpsampleRowH2(const uint8_t* in, int n, uint8_t* out);

// 2x2 upsampling of one output row: `nearRow` is the chroma row the output row lies in,
// `farRow` the neighbouring one on the side of the output row; writes 2n samples.
// `sums` must hold n values.
void UpsampleRowH2V2(const uint8_t* nearRow, const uint8_t* farRow, int n, int16_t* sums,
                     uint8_t* out);

}  // namespace jpegdec
