// Graduated filter rows, eight pixels at a time with AVX2 where the processor has it.
// Every step is the same single-precision operation, in the same order, as the plain
// code, so both give the same bytes.
#include <numbers>

#include "adjust/filters/filterrun.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include "adjust/huesat/bgrlanes.h"
#define LUMARET_FILTER_AVX2 1
#endif

namespace adjust::detail {

void GradRowsScalar(const FilterRun& run, const ImagePlane& src, const ImagePlane& dst, int32_t y0, int32_t y1,
                    int32_t x0) {
    for (int32_t y = y0; y < y1; ++y) {
        const float fy = run.approx ? run.top + static_cast<float>(y) / run.zoom : static_cast<float>(y);
        const uint8_t* s = src.Row(y) + 3 * static_cast<ptrdiff_t>(x0);
        uint8_t* d = dst.Row(y) + 3 * static_cast<ptrdiff_t>(x0);
        for (int32_t x = x0; x < src.width; ++x, s += 3, d += 3) {
            const float fx = run.approx ? run.left + static_cast<float>(x) / run.zoom : static_cast<float>(x);
            const std::array<float, 3> m = GradMultipliers(run, GradPosition(run, fx, fy));
            const uint8_t r = FilterChannel(m[0], s[2]);
            const uint8_t g = FilterChannel(m[1], s[1]);
            const uint8_t b = FilterChannel(m[2], s[0]);
            if (run.bw) {
                d[0] = d[1] = d[2] = FilterGrey(r, g, b, 1.0f);
            } else {
                d[0] = b;
                d[1] = g;
                d[2] = r;
            }
        }
    }
}

#if LUMARET_FILTER_AVX2

namespace {

#define AVX2_FN __attribute__((target("avx2")))

constexpr float kPi = std::numbers::pi_v<float>;
constexpr float kRadToDeg = 180.0f / std::numbers::pi_v<float>;

AVX2_FN inline __m256 Select(__m256 mask, __m256 yes, __m256 no) { return _mm256_blendv_ps(no, yes, mask); }
AVX2_FN inline __m256 Lt(__m256 a, __m256 b) { return _mm256_cmp_ps(a, b, _CMP_LT_OQ); }
AVX2_FN inline __m256 Gt(__m256 a, __m256 b) { return _mm256_cmp_ps(a, b, _CMP_GT_OQ); }
AVX2_FN inline __m256 Set(float v) { return _mm256_set1_ps(v); }

// FilterAtan2Degrees on eight lanes.
AVX2_FN inline __m256 Atan2Deg(__m256 y, __m256 x) {
    const __m256 absMask = _mm256_castsi256_ps(_mm256_set1_epi32(0x7FFFFFFF));
    const __m256 signMask = _mm256_castsi256_ps(_mm256_set1_epi32(static_cast<int>(0x80000000u)));
    const __m256 zero = _mm256_setzero_ps(), one = Set(1.0f);
    const __m256 ax = _mm256_and_ps(x, absMask), ay = _mm256_and_ps(y, absMask);
    const __m256 mx = _mm256_max_ps(ax, ay), mn = _mm256_min_ps(ax, ay);
    __m256 a = _mm256_div_ps(mn, mx);
    const __m256 big = Gt(a, Set(0.414213562373095f));
    a = Select(big, _mm256_div_ps(_mm256_sub_ps(a, one), _mm256_add_ps(a, one)), a);
    const __m256 base = _mm256_and_ps(big, Set(kPi / 4.0f));
    const __m256 z = _mm256_mul_ps(a, a);
    __m256 p = _mm256_sub_ps(_mm256_mul_ps(Set(8.05374449538e-2f), z), Set(1.38776856032e-1f));
    p = _mm256_add_ps(_mm256_mul_ps(p, z), Set(1.99777106478e-1f));
    p = _mm256_sub_ps(_mm256_mul_ps(p, z), Set(3.33329491539e-1f));
    p = _mm256_add_ps(_mm256_mul_ps(_mm256_mul_ps(p, z), a), a);
    __m256 r = _mm256_add_ps(base, p);
    r = Select(Gt(ay, ax), _mm256_sub_ps(Set(kPi / 2.0f), r), r);
    r = Select(Lt(x, zero), _mm256_sub_ps(Set(kPi), r), r);
    r = Select(Lt(y, zero), _mm256_xor_ps(r, signMask), r);
    r = _mm256_and_ps(r, Gt(mx, zero));
    return _mm256_mul_ps(r, Set(kRadToDeg));
}

// FilterAtan2DegreesApprox on eight lanes.
AVX2_FN inline __m256 Atan2DegApprox(__m256 y, __m256 x) {
    const __m256 absMask = _mm256_castsi256_ps(_mm256_set1_epi32(0x7FFFFFFF));
    const __m256 zero = _mm256_setzero_ps();
    const __m256 q = _mm256_div_ps(y, x);
    const __m256 r1 = _mm256_div_ps(q, _mm256_add_ps(Set(1.0f), _mm256_mul_ps(_mm256_mul_ps(Set(0.28f), q), q)));
    const __m256 half = Select(Gt(q, zero), Set(kPi / 2.0f), Set(-kPi / 2.0f));
    const __m256 r2 = _mm256_sub_ps(half, _mm256_div_ps(q, _mm256_add_ps(_mm256_mul_ps(q, q), Set(0.28f))));
    __m256 r = Select(_mm256_cmp_ps(_mm256_and_ps(q, absMask), Set(1.0f), _CMP_LE_OQ), r1, r2);
    const __m256 turn = Select(_mm256_cmp_ps(y, zero, _CMP_GE_OQ), Set(kPi), Set(-kPi));
    r = Select(Lt(x, zero), _mm256_add_ps(r, turn), r);
    r = _mm256_mul_ps(r, Set(kRadToDeg));
    const __m256 nearAxis = Lt(_mm256_and_ps(x, absMask), Set(1.0f));
    return Select(nearAxis, Atan2Deg(y, x), r);
}

AVX2_FN inline __m256i Channel8(__m256 m, __m256i c) {
    return _mm256_cvttps_epi32(_mm256_div_ps(_mm256_mul_ps(m, _mm256_cvtepi32_ps(c)), Set(255.0f)));
}

template <bool Approx>
AVX2_FN void GradRowsAvx2(const FilterRun& run, const ImagePlane& src, const ImagePlane& dst, int32_t y0, int32_t y1) {
    const float* sine = FilterSineTable().data();
    const __m256i byteMask = _mm256_set1_epi32(0xFF);
    const __m256 zero = _mm256_setzero_ps(), k360 = Set(360.0f);
    const __m256 lane = _mm256_setr_ps(0, 1, 2, 3, 4, 5, 6, 7);
    const bool blend = run.w > 0.0f;

    for (int32_t y = y0; y < y1; ++y) {
        const float fy = Approx ? run.top + static_cast<float>(y) / run.zoom : static_cast<float>(y);
        const __m256 Y = Set(fy - run.halfH);
        const __m256 YY = _mm256_mul_ps(Y, Y);
        const uint8_t* srow = src.Row(y);
        uint8_t* drow = dst.Row(y);
        int32_t x = 0;
        // The last pixels of a row are left to the plain code (see kBgrLanesSpan).
        for (; x + kBgrLanesSpan <= src.width; x += 8) {
            __m256 fx = _mm256_add_ps(Set(static_cast<float>(x)), lane);
            if constexpr (Approx) fx = _mm256_add_ps(Set(run.left), _mm256_div_ps(fx, Set(run.zoom)));
            const __m256 X = _mm256_sub_ps(fx, Set(run.halfW));
            const __m256 r = _mm256_sqrt_ps(_mm256_add_ps(_mm256_mul_ps(X, X), YY));
            __m256 theta = Approx ? Atan2DegApprox(Y, X) : Atan2Deg(Y, X);
            theta = Select(Lt(theta, zero), _mm256_add_ps(theta, k360), theta);
            __m256 a = _mm256_add_ps(theta, Set(run.angle));
            a = Select(Lt(a, zero), _mm256_add_ps(a, k360), a);
            a = Select(_mm256_cmp_ps(a, k360, _CMP_GE_OQ), _mm256_sub_ps(a, k360), a);
            __m256i index = _mm256_cvttps_epi32(_mm256_mul_ps(Set(100.0f), a));
            index = _mm256_min_epi32(_mm256_max_epi32(index, _mm256_setzero_si256()), _mm256_set1_epi32(35999));
            const __m256 d = _mm256_sub_ps(_mm256_mul_ps(r, _mm256_i32gather_ps(sine, index, 4)), Set(run.shift));
            const __m256 t = _mm256_div_ps(_mm256_add_ps(d, Set(run.halfH)), Set(run.fullH));
            const __m256 below = Lt(t, Set(run.lo)), above = Gt(t, Set(run.hi));
            const __m256 tl = _mm256_sub_ps(t, Set(run.lo));

            __m256 m[3];
            for (size_t c = 0; c < 3; ++c) {
                __m256 v = Set(run.m1[c]);
                if (blend) {
                    const __m256 step = _mm256_div_ps(_mm256_mul_ps(Set(run.c2[c] - run.c1[c]), tl), Set(run.w));
                    v = _mm256_add_ps(Set(run.base), _mm256_mul_ps(Set(run.s), _mm256_add_ps(Set(run.c1[c]), step)));
                    v = _mm256_min_ps(v, Set(255.0f));
                }
                v = Select(above, Set(run.m2[c]), v);
                m[c] = Select(below, Set(run.m1[c]), v);
            }

            const __m256i px = LoadBgr8(srow + 3 * x);
            __m256i B = Channel8(m[2], _mm256_and_si256(px, byteMask));
            __m256i G = Channel8(m[1], _mm256_and_si256(_mm256_srli_epi32(px, 8), byteMask));
            __m256i R = Channel8(m[0], _mm256_and_si256(_mm256_srli_epi32(px, 16), byteMask));
            if (run.bw) {
                __m256 g = _mm256_add_ps(_mm256_add_ps(_mm256_mul_ps(Set(0.3f), _mm256_cvtepi32_ps(R)),
                                                       _mm256_mul_ps(Set(0.59f), _mm256_cvtepi32_ps(G))),
                                         _mm256_mul_ps(Set(0.11f), _mm256_cvtepi32_ps(B)));
                g = _mm256_mul_ps(g, Set(1.0f));
                g = _mm256_min_ps(_mm256_max_ps(g, zero), Set(255.0f));
                R = G = B = _mm256_cvttps_epi32(g);
            }
            const __m256i out = _mm256_or_si256(_mm256_or_si256(_mm256_slli_epi32(R, 16), _mm256_slli_epi32(G, 8)), B);
            StoreBgr8(drow + 3 * x, out);
        }
        GradRowsScalar(run, src, dst, y, y + 1, x);
    }
}

bool CpuHasAvx2() {
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}

}  // namespace

bool FilterVectorAvailable() { return CpuHasAvx2(); }

void GradRows(const FilterRun& run, const ImagePlane& src, const ImagePlane& dst, int32_t y0, int32_t y1) {
    if (!CpuHasAvx2())
        GradRowsScalar(run, src, dst, y0, y1);
    else if (run.approx)
        GradRowsAvx2<true>(run, src, dst, y0, y1);
    else
        GradRowsAvx2<false>(run, src, dst, y0, y1);
}

#else

bool FilterVectorAvailable() { return false; }

void GradRows(const FilterRun& run, const ImagePlane& src, const ImagePlane& dst, int32_t y0, int32_t y1) {
    GradRowsScalar(run, src, dst, y0, y1);
}

#endif

}  // namespace adjust::detail
