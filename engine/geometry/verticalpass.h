#pragma once
// The vertical filtering pass of the resampler, with the vector instructions the
// processor offers. Every level gives bit-identical results: the same multiplications and
// additions in the same order, no fused multiply-add.
#include <cstdint>

namespace geometry::detail {

enum class SimdLevel { Plain, Sse2, Avx2 };

// The widest level this processor runs.
SimdLevel BestSimdLevel();

// out[i] = sum over k of weights[k] * rows[k][i], for i < n, at most at `level`.
void VerticalPass(const uint8_t* const* rows, const float* weights, int32_t taps, int32_t n,
                  float* out, SimdLevel level);

}  // namespace geometry::detail
