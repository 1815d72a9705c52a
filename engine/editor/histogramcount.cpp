#include "editor/histogramcount.h"

void CHistogramCounter::CountRows(const ImagePlane& plane, int32_t y0, int32_t y1) {
    for (int32_t y = y0; y < y1; ++y) {
        const uint8_t* p = plane.Row(y);
        int32_t x = 0;
        for (; x + 1 < plane.width; x += 2, p += 6) {
            ++m_counts[0][p[0]];
            ++m_counts[1][p[1]];
            ++m_counts[2][p[2]];
            ++m_counts[3][p[3]];
            ++m_counts[4][p[4]];
            ++m_counts[5][p[5]];
        }
        if (x < plane.width) {
            ++m_counts[0][p[0]];
            ++m_counts[1][p[1]];
            ++m_counts[2][p[2]];
        }
    }
}

void CHistogramCounter::Add(const CHistogramCounter& other) {
    for (size_t t = 0; t < m_counts.size(); ++t)
        for (size_t v = 0; v < 256; ++v) m_counts[t][v] += other.m_counts[t][v];
}

void CHistogramCounter::Finish(std::array<Table, 4>& tables) const {
    for (size_t v = 0; v < 256; ++v) {
        tables[2][v] = m_counts[0][v] + m_counts[3][v];  // blue
        tables[1][v] = m_counts[1][v] + m_counts[4][v];  // green
        tables[0][v] = m_counts[2][v] + m_counts[5][v];  // red
    }
}
