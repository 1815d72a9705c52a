#include "jpegdecoder/jpegcolor.h"

#include <array>
#include <cstddef>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace jpegdec {
namespace {

// 16-bit fixed point YCbCr to RGB tables: red and blue terms are rounded in the table,
// the two green terms are summed first and rounded once (the half is in the Cb term).
constexpr int kScaleBits = 16;
constexpr int32_t kHalf = int32_t{1} << (kScaleBits - 1);
constexpr int32_t Fix(double x) { return static_cast<int32_t>(x * (1 << kScaleBits) + 0.5); }

struct YccTables {
    std::array<int32_t, 256> crR{}, cbB{}, crG{}, cbG{};
};

constexpr YccTables MakeYccTables() {
    YccTables t;
    for (int i = 0; i < 256; ++i) {
        int32_t x = i - 128;
        t.crR[static_cast<size_t>(i)] = (Fix(1.40200) * x + kHalf) >> kScaleBits;
        t.cbB[static_cast<size_t>(i)] = (Fix(1.77200) * x + kHalf) >> kScaleBits;
        t.crG[static_cast<size_t>(i)] = -Fix(0.71414) * x;
        t.cbG[static_cast<size_t>(i)] = -Fix(0.34414) * x + kHalf;
    }
    return t;
}
constexpr YccTables kYcc = MakeYccTables();

// Clamp to 0..255 for values -384..639.
constexpr int kLimitOffset = 384;
constexpr std::array<uint8_t, 1024> MakeLimit() {
    std::array<uint8_t, 1024> t{};
    for (int i = 0; i < 1024; ++i) {
        int v = i - kLimitOffset;
        t[static_cast<size_t>(i)] = static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
    }
    return t;
}
constexpr std::array<uint8_t, 1024> kLimit = MakeLimit();
inline uint8_t Limit(int v) { return kLimit[static_cast<size_t>(v + kLimitOffset)]; }

#if defined(__SSE2__)

inline __m128i Pair(int first, int second) {
    uint32_t lo = static_cast<uint16_t>(static_cast<int16_t>(first));
    uint32_t hi = static_cast<uint16_t>(static_cast<int16_t>(second));
    return _mm_set1_epi32(static_cast<int32_t>(lo | (hi << 16)));
}

// The table arithmetic, regrouped exactly so every multiplier fits 16 bits:
//   red   = y + x_cr + ((kRedRest * x_cr + half) >> 16)
//   blue  = y + 2 x_cb + ((kBlueRest * x_cb + half) >> 16)
//   green = y - x_cr + ((-Fix(0.34414) x_cb + kGreenCr x_cr + half) >> 16)
// where the multiples of 65536 taken out of the constants pass through the shift unchanged.
constexpr int kRedRest = Fix(1.40200) - 65536;
constexpr int kBlueRest = Fix(1.77200) - 131072;
constexpr int kGreenCb = -Fix(0.34414);
constexpr int kGreenCr = 65536 - Fix(0.71414);

// (a * first + b * second) >> 16 on eight 16-bit pairs, back to 16 bits.
inline __m128i MulPairs(__m128i a, __m128i b, __m128i constants, __m128i add) {
    __m128i lo = _mm_add_epi32(_mm_madd_epi16(_mm_unpacklo_epi16(a, b), constants), add);
    __m128i hi = _mm_add_epi32(_mm_madd_epi16(_mm_unpackhi_epi16(a, b), constants), add);
    return _mm_packs_epi32(_mm_srai_epi32(lo, kScaleBits), _mm_srai_epi32(hi, kScaleBits));
}

// Sixteen pixels at a time into separate red, green and blue runs, then interleaved.
template <int R, int B>
int YccRowWide(const uint8_t* y, const uint8_t* cb, const uint8_t* cr, uint8_t* out, int width) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i center = _mm_set1_epi16(128);
    const __m128i two = _mm_set1_epi16(2);
    const __m128i none = _mm_setzero_si128();
    const __m128i half = _mm_set1_epi32(kHalf);
    const __m128i red = Pair(kRedRest, kHalf / 2), blue = Pair(kBlueRest, kHalf / 2);
    const __m128i green = Pair(kGreenCb, kGreenCr);
    int x = 0;
    // Stops one pixel early so the overlapping stores never pass the end of the row.
    for (; x + 17 <= width; x += 16) {
        __m128i yv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(y + x));
        __m128i bv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(cb + x));
        __m128i rv = _mm_loadu_si128(reinterpret_cast<const __m128i*>(cr + x));
        __m128i out16[3][2];
        for (int h = 0; h < 2; ++h) {
            __m128i luma = h ? _mm_unpackhi_epi8(yv, zero) : _mm_unpacklo_epi8(yv, zero);
            __m128i xb = _mm_sub_epi16(h ? _mm_unpackhi_epi8(bv, zero) : _mm_unpacklo_epi8(bv, zero), center);
            __m128i xr = _mm_sub_epi16(h ? _mm_unpackhi_epi8(rv, zero) : _mm_unpacklo_epi8(rv, zero), center);
            // Pairs (x, 2) times (rest, 16384) add the rounding half inside the product sum.
            out16[0][h] = _mm_add_epi16(_mm_add_epi16(luma, xr), MulPairs(xr, two, red, none));
            out16[1][h] = _mm_sub_epi16(_mm_add_epi16(luma, MulPairs(xb, xr, green, half)), xr);
            out16[2][h] = _mm_add_epi16(_mm_add_epi16(luma, _mm_add_epi16(xb, xb)),
                                        MulPairs(xb, two, blue, none));
        }
        __m128i first = _mm_packus_epi16(out16[R == 0 ? 0 : 2][0], out16[R == 0 ? 0 : 2][1]);
        __m128i second = _mm_packus_epi16(out16[1][0], out16[1][1]);
        __m128i third = _mm_packus_epi16(out16[R == 0 ? 2 : 0][0], out16[R == 0 ? 2 : 0][1]);
        // Pixels as 32-bit words (three bytes and a zero), then two pixels per 8-byte store:
        // each store's two spare bytes are overwritten by the next one. The caller keeps the
        // last store of a row inside the row.
        __m128i lowPairs = _mm_unpacklo_epi8(first, second), highPairs = _mm_unpackhi_epi8(first, second);
        __m128i lowThird = _mm_unpacklo_epi8(third, zero), highThird = _mm_unpackhi_epi8(third, zero);
        alignas(16) uint32_t words[16];
        _mm_store_si128(reinterpret_cast<__m128i*>(words), _mm_unpacklo_epi16(lowPairs, lowThird));
        _mm_store_si128(reinterpret_cast<__m128i*>(words + 4), _mm_unpackhi_epi16(lowPairs, lowThird));
        _mm_store_si128(reinterpret_cast<__m128i*>(words + 8), _mm_unpacklo_epi16(highPairs, highThird));
        _mm_store_si128(reinterpret_cast<__m128i*>(words + 12), _mm_unpackhi_epi16(highPairs, highThird));
        for (int i = 0; i < 16; i += 2) {
            uint64_t two = words[i] | (uint64_t{words[i + 1]} << 24);
            std::memcpy(out + 3 * i, &two, sizeof(two));
        }
        out += 48;
    }
    return x;
}

#endif

// Output byte order: red at R, green at 1, blue at B (RGB: R=0, B=2; BGR: R=2, B=0).
template <int R, int B>
void YccRow(const uint8_t* y, const uint8_t* cb, const uint8_t* cr, uint8_t* out, int width) {
    int x = 0;
#if defined(__SSE2__)
    x = YccRowWide<R, B>(y, cb, cr, out, width);
    out += 3 * x;
#endif
    for (; x < width; ++x) {
        int luma = y[x];
        int blue = cb[x], red = cr[x];
        out[R] = Limit(luma + kYcc.crR[static_cast<size_t>(red)]);
        out[1] = Limit(luma + ((kYcc.cbG[static_cast<size_t>(blue)] +
                                kYcc.crG[static_cast<size_t>(red)]) >> kScaleBits));
        out[B] = Limit(luma + kYcc.cbB[static_cast<size_t>(blue)]);
        out += 3;
    }
}

}  // namespace

void ConvertRow(int converter, const uint8_t* const planes[4], uint8_t* out, int width) {
    switch (converter) {
    case kInterleave1:
        std::memcpy(out, planes[0], static_cast<size_t>(width));
        break;
    case kInterleave3:
        for (int x = 0; x < width; ++x, out += 3) {
            out[0] = planes[0][x];
            out[1] = planes[1][x];
            out[2] = planes[2][x];
        }
        break;
    case kInterleave4:
        for (int x = 0; x < width; ++x, out += 4) {
            out[0] = planes[0][x];
            out[1] = planes[1][x];
            out[2] = planes[2][x];
            out[3] = planes[3][x];
        }
        break;
    case kReverse3:
        for (int x = 0; x < width; ++x, out += 3) {
            out[0] = planes[2][x];
            out[1] = planes[1][x];
            out[2] = planes[0][x];
        }
        break;
    case kGreyTo3:
        for (int x = 0; x < width; ++x, out += 3) out[0] = out[1] = out[2] = planes[0][x];
        break;
    case kYCbCrToRGB:
        YccRow<0, 2>(planes[0], planes[1], planes[2], out, width);
        break;
    case kYCbCrToBGR:
        YccRow<2, 0>(planes[0], planes[1], planes[2], out, width);
        break;
    case kYCbCr422:
        // The luma row is padded to whole MCUs, so the second sample of an odd last pair exists.
        for (int i = 0; i < (width + 1) / 2; ++i, out += 4) {
            out[0] = planes[0][2 * i];
            out[1] = planes[1][i];
            out[2] = planes[0][2 * i + 1];
            out[3] = planes[2][i];
        }
        break;
    case kYCCKToCMYK:
        for (int x = 0; x < width; ++x, out += 4) {
            int luma = planes[0][x];
            int blue = planes[1][x], red = planes[2][x];
            out[0] = Limit(255 - (luma + kYcc.crR[static_cast<size_t>(red)]));
            out[1] = Limit(255 - (luma + ((kYcc.cbG[static_cast<size_t>(blue)] +
                                           kYcc.crG[static_cast<size_t>(red)]) >> kScaleBits)));
            out[2] = Limit(255 - (luma + kYcc.cbB[static_cast<size_t>(blue)]));
            out[3] = planes[3][x];
        }
        break;
    default:
        break;
    }
}

void UpsampleRowH2(const uint8_t* in, int n, uint8_t* out) {
    if (n == 1) {
        out[0] = out[1] = in[0];
        return;
    }
    out[0] = in[0];
    out[1] = static_cast<uint8_t>((3 * in[0] + in[1] + 2) >> 2);
    int i = 1;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    for (; i + 8 <= n - 1; i += 8) {
        auto load = [&](int at) {
            return _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(in + at)), zero);
        };
        __m128i mid = load(i);
        __m128i three = _mm_add_epi16(_mm_add_epi16(mid, mid), mid);
        __m128i even = _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(three, load(i - 1)), _mm_set1_epi16(1)), 2);
        __m128i odd = _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(three, load(i + 1)), _mm_set1_epi16(2)), 2);
        __m128i pairs = _mm_unpacklo_epi8(_mm_packus_epi16(even, even), _mm_packus_epi16(odd, odd));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * i), pairs);
    }
#endif
    for (; i < n - 1; ++i) {
        int v = 3 * in[i];
        out[2 * i] = static_cast<uint8_t>((v + in[i - 1] + 1) >> 2);
        out[2 * i + 1] = static_cast<uint8_t>((v + in[i + 1] + 2) >> 2);
    }
    out[2 * n - 2] = static_cast<uint8_t>((3 * in[n - 1] + in[n - 2] + 1) >> 2);
    out[2 * n - 1] = in[n - 1];
}

void UpsampleRowH2V2(const uint8_t* nearRow, const uint8_t* farRow, int n, int16_t* sums,
                     uint8_t* out) {
    int i = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    for (; i + 8 <= n; i += 8) {
        __m128i a = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(nearRow + i)), zero);
        __m128i b = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(farRow + i)), zero);
        __m128i sum = _mm_add_epi16(_mm_add_epi16(_mm_add_epi16(a, a), a), b);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(sums + i), sum);
    }
#endif
    for (; i < n; ++i) sums[i] = static_cast<int16_t>(3 * nearRow[i] + farRow[i]);
    if (n == 1) {
        out[0] = static_cast<uint8_t>((4 * sums[0] + 8) >> 4);
        out[1] = static_cast<uint8_t>((4 * sums[0] + 7) >> 4);
        return;
    }
    out[0] = static_cast<uint8_t>((4 * sums[0] + 8) >> 4);
    out[1] = static_cast<uint8_t>((3 * sums[0] + sums[1] + 7) >> 4);
    i = 1;
#if defined(__SSE2__)
    for (; i + 8 <= n - 1; i += 8) {
        auto load = [&](int at) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(sums + at)); };
        __m128i mid = load(i);
        __m128i three = _mm_add_epi16(_mm_add_epi16(mid, mid), mid);
        __m128i even = _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(three, load(i - 1)), _mm_set1_epi16(8)), 4);
        __m128i odd = _mm_srli_epi16(_mm_add_epi16(_mm_add_epi16(three, load(i + 1)), _mm_set1_epi16(7)), 4);
        __m128i pairs = _mm_unpacklo_epi8(_mm_packus_epi16(even, even), _mm_packus_epi16(odd, odd));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * i), pairs);
    }
#endif
    for (; i < n - 1; ++i) {
        int v = 3 * sums[i];
        out[2 * i] = static_cast<uint8_t>((v + sums[i - 1] + 8) >> 4);
        out[2 * i + 1] = static_cast<uint8_t>((v + sums[i + 1] + 7) >> 4);
    }
    out[2 * n - 2] = static_cast<uint8_t>((3 * sums[n - 1] + sums[n - 2] + 8) >> 4);
    out[2 * n - 1] = static_cast<uint8_t>((4 * sums[n - 1] + 7) >> 4);
}

}  // namespace jpegdec
