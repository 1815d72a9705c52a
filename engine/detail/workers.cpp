// Short-lived threads per call: the bands are large (whole tiles), so starting a thread
// costs little next to the work.
#include "detail/workers.h"

#include <algorithm>
#include <system_error>
#include <thread>
#include <vector>

namespace detail {

int DefaultThreadCount() {
    const unsigned n = std::thread::hardware_concurrency();
    return static_cast<int>(std::clamp(n, 1u, 4u));
}

void ForBands(int32_t count, int threads, const std::function<void(int32_t, int32_t)>& fn, int32_t minPerBand) {
    if (count <= 0) return;
    const int32_t byCount = std::max<int32_t>(1, count / std::max<int32_t>(1, minPerBand));
    const int32_t bands = std::clamp<int32_t>(threads, 1, byCount);
    if (bands == 1) {
        fn(0, count);
        return;
    }
    auto start = [&](int32_t b) { return static_cast<int32_t>(static_cast<int64_t>(count) * b / bands); };
    std::vector<std::thread> workers;
    workers.reserve(static_cast<size_t>(bands - 1));
    int32_t b = 1;
    try {
        for (; b < bands; ++b) workers.emplace_back(fn, start(b), start(b + 1));
    } catch (const std::system_error&) {
        // No thread to be had: the remaining bands run here, with the same result.
        for (; b < bands; ++b) fn(start(b), start(b + 1));
    }
    fn(0, start(1));
    for (std::thread& t : workers) t.join();
}

void ForEach(int32_t count, int threads, const std::function<void(int32_t)>& fn) {
    ForBands(count, std::min<int>(threads, count), [&](int32_t begin, int32_t end) {
        for (int32_t i = begin; i < end; ++i) fn(i);
    }, 1);
}

}  // namespace detail
