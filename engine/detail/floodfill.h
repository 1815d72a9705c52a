#pragma once
// CFloodFill: scanline flood fill from a seed on a one-channel plane, with a size limit.
#include <cstdint>
#include <vector>

#include "core/imageplane.h"

class CFloodFill {
public:
    // The limit keeps a fill from a misplaced click from taking a whole picture; it is of
    // the order of the red-eye search window (81 x 81).
    static constexpr int32_t kDefaultLimit = 81 * 81;

    explicit CFloodFill(int32_t maxPixels = kDefaultLimit) : m_limit(maxPixels) {}

    // Fills the 4-connected region of pixels with value >= 100 that contains (x, y); the
    // seed itself must be above 99. Growth stops once the limit is reached. Returns the
    // number of filled pixels (0 for a seed outside the plane or below the level).
    int32_t Fill(const ImagePlane& plane, int32_t x, int32_t y);

    // The filled pixels as a plane of the source's size: 255 inside, 0 outside.
    ImagePlane FilledPlane() { return ImagePlane::Make(m_filled.data(), m_width, m_height, 1); }
    int32_t Count() const { return m_count; }
    bool ReachedLimit() const { return m_count >= m_limit; }
    // Bounding box of the filled pixels (inclusive); meaningful when Count() > 0.
    int32_t MinX() const { return m_minX; }
    int32_t MaxX() const { return m_maxX; }
    int32_t MinY() const { return m_minY; }
    int32_t MaxY() const { return m_maxY; }

private:
    int32_t m_limit;
    std::vector<uint8_t> m_filled;
    int32_t m_width = 0, m_height = 0;
    int32_t m_count = 0;
    int32_t m_minX = 0, m_maxX = -1, m_minY = 0, m_maxY = -1;
};
