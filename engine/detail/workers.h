#pragma once
// Row bands on a few threads for the detail engines. Each row is computed by the same code
// whatever the split, so results do not depend on the number of threads.
#include <cstdint>
#include <functional>

namespace detail {

// Threads the detail engines use unless told otherwise (the machine's cores, at most 4).
int DefaultThreadCount();

// Calls fn(begin, end) on consecutive bands covering [0, count), on up to `threads`
// threads (one band on the calling thread). Few items per band run in one call.
void ForBands(int32_t count, int threads, const std::function<void(int32_t, int32_t)>& fn,
              int32_t minPerBand = 16);

// Calls fn(i) for i in [0, count) on up to `threads` threads.
void ForEach(int32_t count, int threads, const std::function<void(int32_t)>& fn);

}  // namespace detail
