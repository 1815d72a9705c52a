#pragma once
// The yardstick of the adjustment benchmarks: the simplest per-channel table look-up over
// a picture, on one core and on all cores (row bands), measured in the same run as the
// routines it is compared with.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "adjust/framework/parallel.h"
#include "adjust/framework/pixeltables.h"
#include "core/imageplane.h"

namespace lookupbaseline {

// Rows [y0, y1) of `s` through the tables into `d`.
inline void PlainLookup(const ImagePlane& s, const ImagePlane& d, const adjust::PixelTables& t, int32_t y0,
                        int32_t y1) {
    for (int32_t y = y0; y < y1; ++y) {
        const uint8_t* a = s.Row(y);
        uint8_t* b = d.Row(y);
        for (int32_t x = 0; x < s.width; ++x) {
            b[3 * x] = t.blue[a[3 * x]];
            b[3 * x + 1] = t.green[a[3 * x + 1]];
            b[3 * x + 2] = t.red[a[3 * x + 2]];
        }
    }
}

// Tables that change every value, so nothing can be skipped.
inline adjust::PixelTables SomeTables() {
    adjust::PixelTables t{};
    for (int i = 0; i < 256; ++i) {
        t.blue[static_cast<size_t>(i)] = static_cast<uint8_t>(255 - i);
        t.green[static_cast<size_t>(i)] = static_cast<uint8_t>(i / 2);
        t.red[static_cast<size_t>(i)] = static_cast<uint8_t>(i ^ 0x5A);
    }
    return t;
}

// One benchmark iteration per look-up of the whole picture; `allCores` splits the rows.
inline void Run(benchmark::State& state, const ImagePlane& src, const ImagePlane& dst, bool allCores) {
    const adjust::PixelTables t = SomeTables();
    for (auto _ : state) {
        if (allCores)
            adjust::ParallelRows(src.height, [&](int32_t y0, int32_t y1) { PlainLookup(src, dst, t, y0, y1); });
        else
            PlainLookup(src, dst, t, 0, src.height);
        benchmark::ClobberMemory();
    }
}

}  // namespace lookupbaseline
