// Hue/saturation rows, eight pixels at a time with AVX2 where the processor has it. Every
// step is the same single-precision operation, in the same order, as the plain rule in
// huesatpixel.h, so both give the same bytes.
#include "adjust/huesat/huesaturation.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include "adjust/huesat/bgrlanes.h"
#define LUMARET_HUESAT_AVX2 1
#endif

namespace adjust::detail {

#if LUMARET_HUESAT_AVX2

namespace {

#define AVX2_FN __attribute__((target("avx2")))

AVX2_FN inline __m256 Select(__m256 mask, __m256 yes, __m256 no) { return _mm256_blendv_ps(no, yes, mask); }

// byte / 255 in single precision, bit for bit as the unit table holds it: the double
// product rounds to the same float for every byte (a test checks all 256), and it keeps
// the divider free for the divisions that cannot be avoided.
AVX2_FN inline __m256 UnitOf8(__m256i bytes) {
    const __m256d inv255 = _mm256_set1_pd(1.0 / 255.0);
    const __m128 lo = _mm256_cvtpd_ps(_mm256_mul_pd(_mm256_cvtepi32_pd(_mm256_castsi256_si128(bytes)), inv255));
    const __m128 hi = _mm256_cvtpd_ps(_mm256_mul_pd(_mm256_cvtepi32_pd(_mm256_extracti128_si256(bytes, 1)), inv255));
    return _mm256_set_m128(hi, lo);
}

AVX2_FN inline __m256i UnitToByte8(__m256 v) {
    v = _mm256_max_ps(v, _mm256_setzero_ps());  // NaN counts as 0
    v = _mm256_min_ps(v, _mm256_set1_ps(1.0f));
    return _mm256_cvttps_epi32(_mm256_mul_ps(v, _mm256_set1_ps(255.0f)));
}

// HsiToRgb on eight lanes; returns the bytes as 32-bit lanes.
AVX2_FN inline void HsiToRgb8(__m256 H, __m256 S, __m256 I, __m256i& outR, __m256i& outG, __m256i& outB) {
    const HsiTables& t = HsiTables::Get();
    const __m256 k360 = _mm256_set1_ps(360.0f), k120 = _mm256_set1_ps(120.0f), k240 = _mm256_set1_ps(240.0f);
    const __m256 zero = _mm256_setzero_ps(), one = _mm256_set1_ps(1.0f);
    // WrapHue
    H = Select(_mm256_cmp_ps(H, k360, _CMP_GE_OQ), _mm256_sub_ps(H, k360), H);
    H = Select(_mm256_cmp_ps(H, zero, _CMP_LT_OQ), _mm256_add_ps(H, k360), H);
    __m256 inRange = _mm256_and_ps(_mm256_cmp_ps(H, zero, _CMP_GE_OQ), _mm256_cmp_ps(H, k360, _CMP_LT_OQ));
    // The full wrap leaves hues in range as they are: do it only when some lane needs it.
    if (_mm256_movemask_ps(inRange) != 0xFF) {
        H = _mm256_sub_ps(H, _mm256_mul_ps(k360, _mm256_floor_ps(_mm256_div_ps(H, k360))));
        inRange = _mm256_and_ps(_mm256_cmp_ps(H, zero, _CMP_GE_OQ), _mm256_cmp_ps(H, k360, _CMP_LT_OQ));
        H = _mm256_and_ps(H, inRange);
    }

    const __m256 s0 = _mm256_cmp_ps(H, k120, _CMP_LT_OQ);
    const __m256 s1 = _mm256_andnot_ps(s0, _mm256_cmp_ps(H, k240, _CMP_LT_OQ));
    const __m256 h = Select(s0, H, Select(s1, _mm256_sub_ps(H, k120), _mm256_sub_ps(H, k240)));
    const __m256i k = _mm256_min_epi32(_mm256_cvttps_epi32(h), _mm256_set1_epi32(119));
    __m256 jm = _mm256_sub_ps(_mm256_set1_ps(60.0f), h);
    jm = Select(_mm256_cmp_ps(jm, zero, _CMP_LT_OQ), _mm256_add_ps(jm, k360), jm);
    __m256i j = _mm256_cvttps_epi32(jm);
    j = _mm256_andnot_si256(_mm256_cmpgt_epi32(j, _mm256_set1_epi32(359)), j);

    const __m256 cosK = _mm256_i32gather_ps(t.cosine.data(), k, 4);
    const __m256 cosJ = _mm256_i32gather_ps(t.cosine.data(), j, 4);
    const __m256 low = _mm256_mul_ps(I, _mm256_sub_ps(one, S));
    const __m256 high = _mm256_mul_ps(I, _mm256_add_ps(one, _mm256_div_ps(_mm256_mul_ps(S, cosK), cosJ)));
    const __m256 rest = Select(_mm256_cmp_ps(S, zero, _CMP_EQ_OQ), I,
                               _mm256_sub_ps(_mm256_mul_ps(_mm256_set1_ps(3.0f), I), _mm256_add_ps(high, low)));

    const __m256 r = Select(s0, high, Select(s1, low, rest));
    const __m256 g = Select(s0, rest, Select(s1, high, low));
    const __m256 b = Select(s0, low, Select(s1, rest, high));
    outR = UnitToByte8(r);
    outG = UnitToByte8(g);
    outB = UnitToByte8(b);
}

AVX2_FN inline __m256 RangeWeight8(__m256 dist) {
    const __m256 k15 = _mm256_set1_ps(15.0f);
    const __m256 fall = _mm256_sub_ps(_mm256_set1_ps(1.0f), _mm256_div_ps(_mm256_sub_ps(dist, k15), _mm256_set1_ps(45.0f)));
    return Select(_mm256_cmp_ps(dist, k15, _CMP_LE_OQ), _mm256_set1_ps(1.0f), fall);
}

template <int Mode>
AVX2_FN void RowsAvx2(const HueSatRun& run, const ImagePlane& src, const ImagePlane& dst, int32_t y0, int32_t y1) {
    const HsiTables& t = HsiTables::Get();
    const __m256i byteMask = _mm256_set1_epi32(0xFF);
    const __m256 zero = _mm256_setzero_ps(), one = _mm256_set1_ps(1.0f);
    const __m256 k360 = _mm256_set1_ps(360.0f);
    const __m256 hue = _mm256_set1_ps(run.hue);
    const __m256 sf = _mm256_set1_ps(run.sf);
    const __m256 twoMinusBf = _mm256_set1_ps(2.0f - run.bf);
    const __m256 bfMinusOne = _mm256_set1_ps(run.bf - 1.0f);
    const __m256 a = _mm256_set1_ps(run.a), d = _mm256_set1_ps(run.d), mid = _mm256_set1_ps(run.mid);
    const __m256 absMask = _mm256_castsi256_ps(_mm256_set1_epi32(0x7FFFFFFF));

    for (int32_t y = y0; y < y1; ++y) {
        const uint8_t* srow = src.Row(y);
        uint8_t* drow = dst.Row(y);
        int32_t x = 0;
        // The last pixels of a row are left to the plain code (see kBgrLanesSpan).
        for (; x + kBgrLanesSpan <= src.width; x += 8) {
            const __m256i px = LoadBgr8(srow + 3 * x);
            const __m256i Bi = _mm256_and_si256(px, byteMask);
            const __m256i Gi = _mm256_and_si256(_mm256_srli_epi32(px, 8), byteMask);
            const __m256i Ri = _mm256_and_si256(_mm256_srli_epi32(px, 16), byteMask);
            const __m256 r = UnitOf8(Ri), g = UnitOf8(Gi), b = UnitOf8(Bi);

            // RgbToHsi
            const __m256 sum = _mm256_add_ps(_mm256_add_ps(r, g), b);
            const __m256 I = _mm256_div_ps(sum, _mm256_set1_ps(3.0f));
            const __m256 mn = _mm256_min_ps(r, _mm256_min_ps(g, b));
            __m256 S = _mm256_sub_ps(one, _mm256_div_ps(_mm256_mul_ps(_mm256_set1_ps(3.0f), mn), sum));
            S = _mm256_and_ps(S, _mm256_cmp_ps(sum, zero, _CMP_GT_OQ));
            const __m256 rg = _mm256_sub_ps(r, g), rb = _mm256_sub_ps(r, b), gb = _mm256_sub_ps(g, b);
            // Halving is exact, so a product gives the same bits as the division.
            const __m256 c = _mm256_div_ps(_mm256_mul_ps(_mm256_add_ps(rg, rb), _mm256_set1_ps(0.5f)),
                                           _mm256_sqrt_ps(_mm256_add_ps(_mm256_mul_ps(rg, rg), _mm256_mul_ps(rb, gb))));
            __m256 jf = _mm256_add_ps(_mm256_mul_ps(_mm256_set1_ps(500.0f), c), _mm256_set1_ps(500.5f));
            jf = _mm256_max_ps(jf, zero);  // also turns a NaN into 0
            jf = _mm256_min_ps(jf, _mm256_set1_ps(1000.0f));
            const __m256 theta = _mm256_i32gather_ps(t.arccos.data(), _mm256_cvttps_epi32(jf), 4);
            const __m256 bAboveG = _mm256_castsi256_ps(_mm256_cmpgt_epi32(Bi, Gi));
            __m256 H = Select(bAboveG, _mm256_sub_ps(k360, theta), theta);
            const __m256i greyI = _mm256_and_si256(_mm256_cmpeq_epi32(Ri, Gi), _mm256_cmpeq_epi32(Gi, Bi));
            H = _mm256_andnot_ps(_mm256_castsi256_ps(greyI), H);

            const __m256 S2 = _mm256_mul_ps(_mm256_mul_ps(S, sf), twoMinusBf);
            const __m256 lift = _mm256_mul_ps(_mm256_sub_ps(one, I), bfMinusOne);
            __m256 H2, I2;
            __m256 change = _mm256_castsi256_ps(_mm256_set1_epi32(-1));
            if constexpr (Mode == 0) {
                H2 = hue;
                I2 = _mm256_add_ps(I, lift);
            } else if constexpr (Mode == 1) {
                H2 = _mm256_add_ps(H, hue);
                I2 = _mm256_add_ps(I, lift);
            } else if constexpr (Mode == 2) {
                const __m256 below45 = _mm256_cmp_ps(H, _mm256_set1_ps(45.0f), _CMP_LT_OQ);
                change = _mm256_or_ps(_mm256_cmp_ps(H, _mm256_set1_ps(315.0f), _CMP_GT_OQ), below45);
                const __m256 w = RangeWeight8(Select(below45, H, _mm256_sub_ps(k360, H)));
                H2 = _mm256_add_ps(H, _mm256_mul_ps(_mm256_mul_ps(w, w), hue));
                I2 = _mm256_add_ps(I, lift);
            } else {
                change = _mm256_and_ps(_mm256_cmp_ps(a, H, _CMP_LT_OQ), _mm256_cmp_ps(H, d, _CMP_LT_OQ));
                const __m256 w = RangeWeight8(_mm256_and_ps(_mm256_sub_ps(H, mid), absMask));
                const __m256 w2 = _mm256_mul_ps(w, w);
                H2 = _mm256_add_ps(H, _mm256_mul_ps(w2, hue));
                I2 = _mm256_add_ps(I, _mm256_mul_ps(_mm256_mul_ps(_mm256_mul_ps(w2, w2), _mm256_sqrt_ps(_mm256_sub_ps(one, I))),
                                                    bfMinusOne));
            }
            __m256i R2, G2, B2;
            HsiToRgb8(H2, S2, I2, R2, G2, B2);

            // Pixels outside the range keep their bytes; black stays black.
            const __m256i keep = _mm256_castps_si256(change);
            R2 = _mm256_blendv_epi8(Ri, R2, keep);
            G2 = _mm256_blendv_epi8(Gi, G2, keep);
            B2 = _mm256_blendv_epi8(Bi, B2, keep);
            const __m256i black = _mm256_cmpeq_epi32(_mm256_or_si256(_mm256_or_si256(Ri, Gi), Bi), _mm256_setzero_si256());
            __m256i outPx = _mm256_or_si256(_mm256_or_si256(_mm256_slli_epi32(R2, 16), _mm256_slli_epi32(G2, 8)), B2);
            outPx = _mm256_andnot_si256(black, outPx);
            StoreBgr8(drow + 3 * x, outPx);
        }
        HueSatRowsScalar(run, src, dst, y, y + 1, x);
    }
}

bool CpuHasAvx2() {
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}

}  // namespace

bool HueSatVectorAvailable() { return CpuHasAvx2(); }

void HueSatRows(const HueSatRun& run, const ImagePlane& src, const ImagePlane& dst, int32_t y0, int32_t y1) {
    if (!CpuHasAvx2()) {
        HueSatRowsScalar(run, src, dst, y0, y1);
        return;
    }
    switch (run.mode) {
        case 0: RowsAvx2<0>(run, src, dst, y0, y1); break;
        case 1: RowsAvx2<1>(run, src, dst, y0, y1); break;
        case 2: RowsAvx2<2>(run, src, dst, y0, y1); break;
        default: RowsAvx2<3>(run, src, dst, y0, y1); break;
    }
}

#else

bool HueSatVectorAvailable() { return false; }

void HueSatRows(const HueSatRun& run, const ImagePlane& src, const ImagePlane& dst, int32_t y0, int32_t y1) {
    HueSatRowsScalar(run, src, dst, y0, y1);
}

#endif

}  // namespace adjust::detail
