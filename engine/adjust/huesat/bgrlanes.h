#pragma once
// Internal: moving eight 3-byte BGR pixels in and out of 32-bit vector lanes (AVX2).
// Include only from code compiled for AVX2 or from functions marked target("avx2").
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>

#include <cstdint>

namespace adjust::detail {

// Eight pixels are loaded and stored as two 16-byte blocks at offsets 0 and 12, so a
// step at column x touches bytes up to 3x + 28: the caller keeps x + kBgrLanesSpan <= width.
inline constexpr int32_t kBgrLanesSpan = 10;

// Pixels x..x+7 as lanes 0x00RRGGBB.
__attribute__((target("avx2"))) inline __m256i LoadBgr8(const uint8_t* p) {
    const __m128i lo = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i hi = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 12));
    const __m256i both = _mm256_set_m128i(hi, lo);
    const __m256i spread = _mm256_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1,  //
                                            0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
    return _mm256_shuffle_epi8(both, spread);
}

// Stores lanes 0x00RRGGBB as eight pixels. The four bytes after each half are written
// too (pixel x + 8's first bytes): the caller writes that pixel afterwards.
__attribute__((target("avx2"))) inline void StoreBgr8(uint8_t* p, __m256i lanes) {
    const __m256i pack = _mm256_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1,  //
                                          0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
    const __m256i packed = _mm256_shuffle_epi8(lanes, pack);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p), _mm256_castsi256_si128(packed));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p + 12), _mm256_extracti128_si256(packed, 1));
}

}  // namespace adjust::detail
#endif
