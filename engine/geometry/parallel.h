#pragma once
// Runs a row-range body on a few threads. Every row is computed by the same code whatever
// the split, so the output does not depend on the thread count.
#include <algorithm>
#include <atomic>
#include <cstdint>
#include <exception>
#include <system_error>
#include <thread>
#include <vector>

namespace geometry::detail {

// Calls body(begin, end) for consecutive row ranges covering [0, rows), on up to
// `threads` threads. False when any range failed (threw) — the output is then incomplete.
template <class Body>
bool ParallelRows(int32_t rows, int threads, const Body& body) {
    if (rows <= 0) return true;
    threads = std::clamp(threads, 1, static_cast<int>(std::min<int32_t>(rows, 16)));
    std::atomic<bool> ok{true};
    auto run = [&](int32_t begin, int32_t end) {
        try {
            body(begin, end);
        } catch (...) {
            ok = false;
        }
    };
    if (threads == 1) {
        run(0, rows);
        return ok;
    }
    std::vector<std::thread> workers;
    workers.reserve(static_cast<size_t>(threads - 1));
    auto bound = [&](int i) {
        return static_cast<int32_t>(static_cast<int64_t>(rows) * i / threads);
    };
    for (int i = 1; i < threads; ++i) {
        try {
            workers.emplace_back(run, bound(i), bound(i + 1));
        } catch (const std::system_error&) {
            run(bound(i), bound(i + 1));  // no thread to be had: do the share here
        }
    }
    run(0, bound(1));
    for (std::thread& worker : workers) worker.join();
    return ok;
}

}  // namespace geometry::detail
