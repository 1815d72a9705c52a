#pragma once
// Counting the blue, green and red values of a picture into 256-bin tables.
#include <array>
#include <cstdint>

#include "core/imageplane.h"

class CHistogramCounter {
public:
    using Table = std::array<uint32_t, 256>;

    // Adds rows [y0, y1) of `plane` to the counts.
    void CountRows(const ImagePlane& plane, int32_t y0, int32_t y1);
    // Adds another counter's counts to this one.
    void Add(const CHistogramCounter& other);
    // Writes the sums into red (0), green (1) and blue (2) tables.
    void Finish(std::array<Table, 4>& tables) const;

private:
    // Alternate pixels go to separate tables so that runs of equal values do not wait on
    // their own increments: blue, green, red of even pixels, then of odd ones.
    std::array<Table, 6> m_counts{};
};
