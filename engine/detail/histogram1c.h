#pragma once
// CHistogram1c: a one-channel 256-bin histogram with a triangle threshold.
#include <array>
#include <cstdint>

#include "core/imageplane.h"

class CHistogram1c {
public:
    virtual ~CHistogram1c() = default;

    // Counts by level; the owner fills them.
    std::array<int32_t, 256> bins{};

    // Clears and counts every byte of a one-channel plane.
    void Count(const ImagePlane& plane);

    // Triangle threshold over levels 1..254: the level between the peak (largest count,
    // lowest level on ties) and the valley (smallest non-zero count below 1 000 000,
    // highest level on ties) lying farthest below the line through them; 0 when either is
    // missing or no level lies below the line.
    int TriangleThreshold() const;
};
