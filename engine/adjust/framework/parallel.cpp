// ParallelRows: row bands on short-lived threads.
#include "adjust/framework/parallel.h"

#include <algorithm>
#include <system_error>
#include <thread>
#include <vector>

namespace adjust {

namespace {

int32_t CoreCount() {
    unsigned n = std::thread::hardware_concurrency();
    // More than a handful of bands gains nothing for memory-bound table work.
    return static_cast<int32_t>(std::clamp(n, 1u, 8u));
}

}  // namespace

int32_t ParallelBandCount(int32_t height, int32_t minRowsPerBand) {
    if (height <= 0) return 0;
    int32_t byRows = height / std::max<int32_t>(minRowsPerBand, 1);
    return std::clamp<int32_t>(byRows, 1, CoreCount());
}

void ParallelRows(int32_t height, const std::function<void(int32_t, int32_t)>& fn, int32_t minRowsPerBand) {
    int32_t bands = ParallelBandCount(height, minRowsPerBand);
    if (bands <= 0) return;
    if (bands == 1) {
        fn(0, height);
        return;
    }
    auto bandStart = [&](int32_t b) {
        return static_cast<int32_t>(static_cast<int64_t>(height) * b / bands);
    };
    std::vector<std::thread> threads;
    threads.reserve(static_cast<size_t>(bands - 1));
    try {
        for (int32_t b = 1; b < bands; ++b) threads.emplace_back(fn, bandStart(b), bandStart(b + 1));
    } catch (const std::system_error&) {
        // No thread to be had: the remaining bands run here, which gives the same result.
        for (int32_t b = static_cast<int32_t>(threads.size()) + 1; b < bands; ++b) fn(bandStart(b), bandStart(b + 1));
    }
    fn(0, bandStart(1));
    for (auto& t : threads) t.join();
}

}  // namespace adjust
