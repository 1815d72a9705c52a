#include "geometry/verticalpass.h"

#include <cstring>

#if defined(__x86_64__)
#include <immintrin.h>
#elif defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace geometry::detail {
namespace {

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define LUMARET_GEOMETRY_AVX2 1
// Eight bytes as eight floats.
__attribute__((target("avx2"), always_inline)) inline __m256 EightFloats(const uint8_t* r) {
    return _mm256_cvtepi32_ps(
        _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(r))));
}

// Sixteen samples at a time with 8-float registers, for processors that have them; returns
// where the next level must go on.
__attribute__((target("avx2"))) int32_t VerticalPassAvx2(const uint8_t* const* rows,
                                                         const float* weights, int32_t taps,
                                                         int32_t n, float* out) {
    int32_t i = 0;
    for (; i + 16 <= n; i += 16) {
        __m256 f0 = EightFloats(rows[0] + i), f1 = EightFloats(rows[0] + i + 8);
        __m256 w = _mm256_set1_ps(weights[0]);
        __m256 lo = _mm256_mul_ps(w, f0), hi = _mm256_mul_ps(w, f1);
        for (int32_t k = 1; k < taps; ++k) {
            f0 = EightFloats(rows[k] + i);
            f1 = EightFloats(rows[k] + i + 8);
            w = _mm256_set1_ps(weights[k]);
            lo = _mm256_add_ps(lo, _mm256_mul_ps(w, f0));
            hi = _mm256_add_ps(hi, _mm256_mul_ps(w, f1));
        }
        _mm256_storeu_ps(out + i, lo);
        _mm256_storeu_ps(out + i + 8, hi);
    }
    return i;
}
#endif

#if defined(__SSE2__)
// Sixteen samples at a time with 4-float registers, from sample `i` on; returns where the
// plain loop must go on.
int32_t VerticalPassSse2(const uint8_t* const* rows, const float* weights, int32_t taps, int32_t n,
                         float* out, int32_t i) {
    const __m128i zero = _mm_setzero_si128();
    for (; i + 16 <= n; i += 16) {
        __m128 acc[4] = {};  // taps is never 0; zeroed so the compiler sees no unset use
        for (int32_t k = 0; k < taps; ++k) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[k] + i));
            const __m128i lo = _mm_unpacklo_epi8(bytes, zero), hi = _mm_unpackhi_epi8(bytes, zero);
            const __m128 f[4] = {_mm_cvtepi32_ps(_mm_unpacklo_epi16(lo, zero)),
                                 _mm_cvtepi32_ps(_mm_unpackhi_epi16(lo, zero)),
                                 _mm_cvtepi32_ps(_mm_unpacklo_epi16(hi, zero)),
                                 _mm_cvtepi32_ps(_mm_unpackhi_epi16(hi, zero))};
            const __m128 w = _mm_set1_ps(weights[k]);
            for (int q = 0; q < 4; ++q)
                acc[q] = k == 0 ? _mm_mul_ps(w, f[q]) : _mm_add_ps(acc[q], _mm_mul_ps(w, f[q]));
        }
        for (int q = 0; q < 4; ++q) _mm_storeu_ps(out + i + 4 * q, acc[q]);
    }
    return i;
}
#endif

}  // namespace

SimdLevel BestSimdLevel() {
#if defined(LUMARET_GEOMETRY_AVX2)
    if (__builtin_cpu_supports("avx2")) return SimdLevel::Avx2;
#endif
#if defined(__SSE2__)
    return SimdLevel::Sse2;
#else
    return SimdLevel::Plain;
#endif
}

void VerticalPass(const uint8_t* const* rows, const float* weights, int32_t taps, int32_t n,
                  float* out, SimdLevel level) {
    int32_t i = 0;
#if defined(LUMARET_GEOMETRY_AVX2)
    if (level == SimdLevel::Avx2) i = VerticalPassAvx2(rows, weights, taps, n, out);
#endif
#if defined(__SSE2__)
    if (level != SimdLevel::Plain) i = VerticalPassSse2(rows, weights, taps, n, out, i);
#endif
    (void)level;
    for (; i < n; ++i) {
        float acc = weights[0] * static_cast<float>(rows[0][i]);
        for (int32_t k = 1; k < taps; ++k) acc += weights[k] * static_cast<float>(rows[k][i]);
        out[i] = acc;
    }
}

}  // namespace geometry::detail
