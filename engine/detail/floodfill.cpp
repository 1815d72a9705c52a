#include "detail/floodfill.h"

#include <algorithm>
#include <deque>

int32_t CFloodFill::Fill(const ImagePlane& plane, int32_t x, int32_t y) {
    m_count = 0;
    m_minX = m_minY = 0;
    m_maxX = m_maxY = -1;
    m_width = plane.IsValid() ? plane.width : 0;
    m_height = plane.IsValid() ? plane.height : 0;
    m_filled.assign(ImagePlane::BytesFor(m_width, m_height, 1), 0);
    if (!plane.IsValid() || plane.channels != 1 || x < 0 || y < 0 || x >= plane.width || y >= plane.height ||
        plane.Row(y)[x] <= 99 || m_limit <= 0)
        return 0;
    const int32_t stride = ImagePlane::StrideFor(m_width, 1);
    auto open = [&](int32_t px, int32_t py) {
        return plane.Row(py)[px] >= 100 && m_filled[static_cast<size_t>(py) * stride + px] == 0;
    };
    m_minX = m_maxX = x;
    m_minY = m_maxY = y;

    struct Seed { int32_t x, y; };
    std::deque<Seed> seeds{{x, y}};
    while (!seeds.empty() && m_count < m_limit) {
        const Seed s = seeds.front();
        seeds.pop_front();
        if (!open(s.x, s.y)) continue;
        int32_t left = s.x, right = s.x;
        while (left > 0 && open(left - 1, s.y)) --left;
        while (right + 1 < m_width && open(right + 1, s.y)) ++right;
        right = std::min(right, left + (m_limit - m_count) - 1);
        uint8_t* row = m_filled.data() + static_cast<size_t>(s.y) * stride;
        std::fill(row + left, row + right + 1, uint8_t{255});
        m_count += right - left + 1;
        m_minX = std::min(m_minX, left);
        m_maxX = std::max(m_maxX, right);
        m_minY = std::min(m_minY, s.y);
        m_maxY = std::max(m_maxY, s.y);
        // One seed per run of open pixels in the rows above and below the span.
        for (int32_t ny : {s.y - 1, s.y + 1}) {
            if (ny < 0 || ny >= m_height) continue;
            bool inRun = false;
            for (int32_t px = left; px <= right; ++px) {
                const bool o = open(px, ny);
                if (o && !inRun) seeds.push_back({px, ny});
                inRun = o;
            }
        }
    }
    return m_count;
}
