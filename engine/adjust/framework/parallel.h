#pragma once
// ParallelRows: splits the rows of an image between the machine's cores.
#include <cstdint>
#include <functional>

namespace adjust {

// Calls fn(firstRow, endRow) on disjoint row bands that together cover 0..height, the
// bands running at the same time on up to as many threads as the machine has cores (one
// band on the calling thread). Small images (fewer than `minRowsPerBand` rows per band)
// are done in one call on the calling thread. Only for routines whose rows are
// independent, so the result is the same however the rows are split.
void ParallelRows(int32_t height, const std::function<void(int32_t, int32_t)>& fn,
                  int32_t minRowsPerBand = 64);

// Number of bands ParallelRows would use for `height` rows.
int32_t ParallelBandCount(int32_t height, int32_t minRowsPerBand = 64);

}  // namespace adjust
