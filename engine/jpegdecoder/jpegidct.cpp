#include "jpegdecoder/jpegidct.h"

#include <array>
#include <cstddef>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// Separable Loeffler-Ligtenberg-Moschytz transform in 13-bit fixed point, columns first
// with two extra bits of precision kept between the passes. The rounding steps follow the
// usual accurate integer method so results agree with other decoders that use it.
//
// The common path works on eight columns (then eight rows) at once in 16-bit lanes with
// 32-bit products. It is only taken when the values are small enough that nothing can
// overflow, which every block of a real 8-bit image satisfies; other blocks (corrupt data)
// go through the same arithmetic in 64-bit scalars.

namespace jpegdec {
namespace {

constexpr int kConstBits = 13;
constexpr int kPass1Bits = 2;
constexpr int kPass1Shift = kConstBits - kPass1Bits;
constexpr int kPass2Shift = kConstBits + kPass1Bits + 3;

// One 8-point transform; T is a scalar or a vector of lanes, E its element type.
template <typename T, typename E, int Shift>
inline void Transform(const T* in, T* out) {
    T z2 = in[2];
    T z3 = in[6];
    T z1 = (z2 + z3) * E(4433);               // 0.541196100
    T tmp2 = z1 - z3 * E(15137);              // 1.847759065
    T tmp3 = z1 + z2 * E(6270);               // 0.765366865
    T tmp0 = (in[0] + in[4]) * E(1 << kConstBits);
    T tmp1 = (in[0] - in[4]) * E(1 << kConstBits);
    T tmp10 = tmp0 + tmp3;
    T tmp13 = tmp0 - tmp3;
    T tmp11 = tmp1 + tmp2;
    T tmp12 = tmp1 - tmp2;

    tmp0 = in[7];
    tmp1 = in[5];
    tmp2 = in[3];
    tmp3 = in[1];
    z1 = tmp0 + tmp3;
    z2 = tmp1 + tmp2;
    z3 = tmp0 + tmp2;
    T z4 = tmp1 + tmp3;
    T z5 = (z3 + z4) * E(9633);               // 1.175875602
    tmp0 = tmp0 * E(2446);                    // 0.298631336
    tmp1 = tmp1 * E(16819);                   // 2.053119869
    tmp2 = tmp2 * E(25172);                   // 3.072711026
    tmp3 = tmp3 * E(12299);                   // 1.501321110
    z1 = z1 * E(-7373);                       // 0.899976223
    z2 = z2 * E(-20995);                      // 2.562915447
    z3 = z3 * E(-16069) + z5;                 // 1.961570560
    z4 = z4 * E(-3196) + z5;                  // 0.390180644
    tmp0 += z1 + z3;
    tmp1 += z2 + z4;
    tmp2 += z2 + z3;
    tmp3 += z1 + z4;

    const E round = E(1) << (Shift - 1);
    out[0] = (tmp10 + tmp3 + round) >> Shift;
    out[7] = (tmp10 - tmp3 + round) >> Shift;
    out[1] = (tmp11 + tmp2 + round) >> Shift;
    out[6] = (tmp11 - tmp2 + round) >> Shift;
    out[2] = (tmp12 + tmp1 + round) >> Shift;
    out[5] = (tmp12 - tmp1 + round) >> Shift;
    out[3] = (tmp13 + tmp0 + round) >> Shift;
    out[4] = (tmp13 - tmp0 + round) >> Shift;
}

// Output clamp: the value is taken modulo 1024 as a signed 10-bit number, shifted by 128
// and limited to 0..255.
inline int32_t RangeLimit(int64_t x) {
    int32_t v = static_cast<int32_t>(((x + 512) & 1023) - 384);
    return v < 0 ? 0 : (v > 255 ? 255 : v);
}

void InverseDctWide(const int16_t* coef, const uint16_t* quant, uint8_t* out, int stride) {
    int64_t ws[64];
    for (int c = 0; c < 8; ++c) {
        int64_t in[8], o[8];
        for (int r = 0; r < 8; ++r) in[r] = int64_t{coef[r * 8 + c]} * quant[r * 8 + c];
        Transform<int64_t, int64_t, kPass1Shift>(in, o);
        for (int r = 0; r < 8; ++r) ws[r * 8 + c] = o[r];
    }
    for (int r = 0; r < 8; ++r) {
        int64_t o[8];
        Transform<int64_t, int64_t, kPass2Shift>(ws + r * 8, o);
        for (int c = 0; c < 8; ++c) out[r * stride + c] = static_cast<uint8_t>(RangeLimit(o[c]));
    }
}

#if defined(__SSE2__)

// Two 16-bit constants, one per half of each 32-bit lane, for _mm_madd_epi16 on
// interleaved pairs (a, b): a * first + b * second.
inline __m128i Pair(int first, int second) {
    uint32_t lo = static_cast<uint16_t>(static_cast<int16_t>(first));
    uint32_t hi = static_cast<uint16_t>(static_cast<int16_t>(second));
    return _mm_set1_epi32(static_cast<int32_t>(lo | (hi << 16)));
}

// The same transform on eight 16-bit lanes: products of pairs are summed by madd, with
// the multiplications of the sums regrouped (exactly) so every constant fits 16 bits.
// Requires |input| <= kLaneLimit; writes 32-bit results, lanes 0-3 to lo and 4-7 to hi.
template <int Shift>
inline void TransformLanes(const __m128i* in, __m128i* lo, __m128i* hi) {
    const __m128i z3 = _mm_add_epi16(in[7], in[3]);
    const __m128i z4 = _mm_add_epi16(in[5], in[1]);
    const __m128i round = _mm_set1_epi32(1 << (Shift - 1));
    for (int half = 0; half < 2; ++half) {
        auto unpack = [half](__m128i a, __m128i b) {
            return half ? _mm_unpackhi_epi16(a, b) : _mm_unpacklo_epi16(a, b);
        };
        __m128i p26 = unpack(in[2], in[6]);
        __m128i tmp2 = _mm_madd_epi16(p26, Pair(4433, 4433 - 15137));
        __m128i tmp3 = _mm_madd_epi16(p26, Pair(4433 + 6270, 4433));
        __m128i p04 = unpack(in[0], in[4]);
        __m128i tmp0 = _mm_madd_epi16(p04, Pair(8192, 8192));
        __m128i tmp1 = _mm_madd_epi16(p04, Pair(8192, -8192));
        __m128i tmp10 = _mm_add_epi32(tmp0, tmp3);
        __m128i tmp13 = _mm_sub_epi32(tmp0, tmp3);
        __m128i tmp11 = _mm_add_epi32(tmp1, tmp2);
        __m128i tmp12 = _mm_sub_epi32(tmp1, tmp2);

        __m128i pz = unpack(z3, z4);
        __m128i z3s = _mm_madd_epi16(pz, Pair(9633 - 16069, 9633));
        __m128i z4s = _mm_madd_epi16(pz, Pair(9633, 9633 - 3196));
        __m128i p71 = unpack(in[7], in[1]);
        __m128i o0 = _mm_add_epi32(_mm_madd_epi16(p71, Pair(2446 - 7373, -7373)), z3s);
        __m128i o3 = _mm_add_epi32(_mm_madd_epi16(p71, Pair(-7373, 12299 - 7373)), z4s);
        __m128i p53 = unpack(in[5], in[3]);
        __m128i o1 = _mm_add_epi32(_mm_madd_epi16(p53, Pair(16819 - 20995, -20995)), z4s);
        __m128i o2 = _mm_add_epi32(_mm_madd_epi16(p53, Pair(-20995, 25172 - 20995)), z3s);

        __m128i* out = half ? hi : lo;
        auto descale = [&round](__m128i x) { return _mm_srai_epi32(_mm_add_epi32(x, round), Shift); };
        out[0] = descale(_mm_add_epi32(tmp10, o3));
        out[7] = descale(_mm_sub_epi32(tmp10, o3));
        out[1] = descale(_mm_add_epi32(tmp11, o2));
        out[6] = descale(_mm_sub_epi32(tmp11, o2));
        out[2] = descale(_mm_add_epi32(tmp12, o1));
        out[5] = descale(_mm_sub_epi32(tmp12, o1));
        out[3] = descale(_mm_add_epi32(tmp13, o0));
        out[4] = descale(_mm_sub_epi32(tmp13, o0));
    }
}

// Inputs of both passes stay within this, so the 16-bit sums and the 32-bit
// intermediates (at most about 89,000 times the largest input) cannot overflow.
constexpr int kLaneLimit = 16383;

inline __m128i OutOfRange32(__m128i v) {
    return _mm_or_si128(_mm_cmpgt_epi32(v, _mm_set1_epi32(kLaneLimit)),
                        _mm_cmplt_epi32(v, _mm_set1_epi32(-kLaneLimit)));
}

inline void Transpose8x8(__m128i* r) {
    __m128i a0 = _mm_unpacklo_epi16(r[0], r[1]), a1 = _mm_unpackhi_epi16(r[0], r[1]);
    __m128i a2 = _mm_unpacklo_epi16(r[2], r[3]), a3 = _mm_unpackhi_epi16(r[2], r[3]);
    __m128i a4 = _mm_unpacklo_epi16(r[4], r[5]), a5 = _mm_unpackhi_epi16(r[4], r[5]);
    __m128i a6 = _mm_unpacklo_epi16(r[6], r[7]), a7 = _mm_unpackhi_epi16(r[6], r[7]);
    __m128i b0 = _mm_unpacklo_epi32(a0, a2), b1 = _mm_unpackhi_epi32(a0, a2);
    __m128i b2 = _mm_unpacklo_epi32(a1, a3), b3 = _mm_unpackhi_epi32(a1, a3);
    __m128i b4 = _mm_unpacklo_epi32(a4, a6), b5 = _mm_unpackhi_epi32(a4, a6);
    __m128i b6 = _mm_unpacklo_epi32(a5, a7), b7 = _mm_unpackhi_epi32(a5, a7);
    r[0] = _mm_unpacklo_epi64(b0, b4);
    r[1] = _mm_unpackhi_epi64(b0, b4);
    r[2] = _mm_unpacklo_epi64(b1, b5);
    r[3] = _mm_unpackhi_epi64(b1, b5);
    r[4] = _mm_unpacklo_epi64(b2, b6);
    r[5] = _mm_unpackhi_epi64(b2, b6);
    r[6] = _mm_unpacklo_epi64(b3, b7);
    r[7] = _mm_unpackhi_epi64(b3, b7);
}

// The lane version; false (nothing written) when a value is outside the lane limits.
bool InverseDctLanes(const int16_t* coef, const uint16_t* quant, uint8_t* out, int stride) {
    __m128i rows[8];
    __m128i bad = _mm_setzero_si128();
    const __m128i limit = _mm_set1_epi16(kLaneLimit);
    const __m128i negLimit = _mm_set1_epi16(-kLaneLimit);
    for (int r = 0; r < 8; ++r) {
        __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(coef + r * 8));
        __m128i q = _mm_loadu_si128(reinterpret_cast<const __m128i*>(quant + r * 8));
        __m128i lo = _mm_mullo_epi16(c, q);
        __m128i hi = _mm_mulhi_epi16(c, q);
        // The product must fit 16 bits (high half = sign of low half) and the limit;
        // quantisation values above 32767 are not handled here.
        bad = _mm_or_si128(bad, _mm_xor_si128(hi, _mm_srai_epi16(lo, 15)));
        bad = _mm_or_si128(bad, _mm_or_si128(_mm_cmpgt_epi16(lo, limit), _mm_cmplt_epi16(lo, negLimit)));
        bad = _mm_or_si128(bad, _mm_cmplt_epi16(q, _mm_setzero_si128()));
        rows[r] = lo;
    }
    if (_mm_movemask_epi8(bad) != 0) return false;

    __m128i lo[8], hi[8];
    TransformLanes<kPass1Shift>(rows, lo, hi);
    for (int k = 0; k < 8; ++k) {
        bad = _mm_or_si128(bad, _mm_or_si128(OutOfRange32(lo[k]), OutOfRange32(hi[k])));
        rows[k] = _mm_packs_epi32(lo[k], hi[k]);
    }
    if (_mm_movemask_epi8(bad) != 0) return false;

    // Columns of the intermediate become lanes: rows[k] holds column k of every row.
    Transpose8x8(rows);
    TransformLanes<kPass2Shift>(rows, lo, hi);
    // Wrap to a signed 10-bit value and shift by 128; the saturating packs clamp to 0..255.
    const __m128i offset = _mm_set1_epi32(512), mask = _mm_set1_epi32(1023), shift = _mm_set1_epi32(384);
    for (int k = 0; k < 8; ++k) {
        __m128i a = _mm_sub_epi32(_mm_and_si128(_mm_add_epi32(lo[k], offset), mask), shift);
        __m128i b = _mm_sub_epi32(_mm_and_si128(_mm_add_epi32(hi[k], offset), mask), shift);
        rows[k] = _mm_packs_epi32(a, b);
    }
    Transpose8x8(rows);
    for (int r = 0; r < 8; r += 2) {
        __m128i bytes = _mm_packus_epi16(rows[r], rows[r + 1]);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out + r * stride), bytes);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out + (r + 1) * stride), _mm_srli_si128(bytes, 8));
    }
    return true;
}

#endif

}  // namespace

void InverseDct8x8(const int16_t* coef, const uint16_t* quant, uint8_t* out, int stride) {
    // A block with only its DC term is flat.
    bool dcOnly;
#if defined(__SSE2__)
    __m128i acc = _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(coef)),
                                _mm_set_epi16(-1, -1, -1, -1, -1, -1, -1, 0));
    for (int r = 1; r < 8; ++r)
        acc = _mm_or_si128(acc, _mm_loadu_si128(reinterpret_cast<const __m128i*>(coef + r * 8)));
    dcOnly = _mm_movemask_epi8(_mm_cmpeq_epi8(acc, _mm_setzero_si128())) == 0xFFFF;
#else
    int16_t ac = 0;
    for (int i = 1; i < 64; ++i) ac = static_cast<int16_t>(ac | coef[i]);
    dcOnly = ac == 0;
#endif
    if (dcOnly) {
        int64_t dc = int64_t{coef[0]} * quant[0] * (1 << kPass1Bits);
        uint8_t v = static_cast<uint8_t>(RangeLimit((dc + 16) >> 5));
        for (int r = 0; r < 8; ++r) std::memset(out + r * stride, v, 8);
        return;
    }
#if defined(__SSE2__)
    if (InverseDctLanes(coef, quant, out, stride)) return;
#endif
    InverseDctWide(coef, quant, out, stride);
}

}  // namespace jpegdec
