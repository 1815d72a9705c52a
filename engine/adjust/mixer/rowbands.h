#pragma once
// Runs a row routine over a whole image in bands split between the cores, reporting
// progress on the calling thread between bands.
#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>

#include "adjust/framework/parallel.h"
#include "core/prompt.h"

namespace adjust {

// Calls rows(firstRow, endRow) over 0..height. Without a progress sink the rows are split
// between the cores in one go; with one, the image is done in bands of at least
// `progressRows` rows, each band split between the cores, and the position (rows done)
// is set after every band. Rows must be independent, so the result never depends on
// how they are split.
inline void RunRowBands(int32_t height, const std::function<void(int32_t, int32_t)>& rows,
                        IProgress* progress = nullptr, const std::string& title = {},
                        int32_t progressRows = 256) {
    if (height <= 0) return;
    if (!progress) {
        ParallelRows(height, rows);
        return;
    }
    progress->Start(title, height);
    const int32_t band = std::max<int32_t>(progressRows, 1);
    for (int32_t y0 = 0; y0 < height; y0 += band) {
        const int32_t y1 = std::min(height, y0 + band);
        ParallelRows(y1 - y0, [&](int32_t a, int32_t b) { rows(y0 + a, y0 + b); });
        progress->SetPosition(y1);
    }
    progress->End();
}

}  // namespace adjust
