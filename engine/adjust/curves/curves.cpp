// CCurves: natural cubic splines, tables, point list changes and ".curves" files.
#include "adjust/curves/curves.h"

#include <cmath>

CCurves::CCurves() {
    ResetCurves();
    BuildTables();
}

void CCurves::ResetCurves() {
    for (int c = 0; c < kChannels; ++c) {
        m_count[c] = 2;
        m_points[c][0] = Point{0, 0};
        m_points[c][1] = Point{255, 255};
        m_y2[c][0] = 0;
        m_y2[c][1] = 0;
    }
}

void CCurves::SelectChannel(int channel) { m_selected = Clamp(channel); }

void CCurves::PrepareSpline() {
    const int n = m_count[m_selected];
    const auto& p = m_points[m_selected];
    auto& y2 = m_y2[m_selected];
    std::array<float, kMaxPoints> u{};
    y2[0] = 0;
    u[0] = 0;
    for (int i = 1; i < n - 1; ++i) {
        float sig = (p[i].x - p[i - 1].x) / (p[i + 1].x - p[i - 1].x);
        float q = sig * y2[i - 1] + 2.0f;
        y2[i] = (sig - 1.0f) / q;
        u[i] = (p[i + 1].y - p[i].y) / (p[i + 1].x - p[i].x) - (p[i].y - p[i - 1].y) / (p[i].x - p[i - 1].x);
        u[i] = (6.0f * u[i] / (p[i + 1].x - p[i - 1].x) - sig * u[i - 1]) / q;
    }
    y2[n - 1] = 0;
    for (int k = n - 2; k >= 0; --k) y2[k] = y2[k] * y2[k + 1] + u[k];
}

float CCurves::EvaluateCurve(float x) const {
    const int n = m_count[m_selected];
    const auto& p = m_points[m_selected];
    const auto& y2 = m_y2[m_selected];
    if (x < p[0].x) return std::fmin(std::fmax(p[0].y, 0.0f), 255.0f);
    if (x > p[n - 1].x) return std::fmin(std::fmax(p[n - 1].y, 0.0f), 255.0f);
    int lo = 0;
    int hi = n - 1;
    while (hi - lo > 1) {
        int k = (hi + lo) / 2;
        if (p[k].x > x)
            hi = k;
        else
            lo = k;
    }
    float h = p[hi].x - p[lo].x;
    float a = (p[hi].x - x) / h;
    float b = (x - p[lo].x) / h;
    float y = a * p[lo].y + b * p[hi].y + ((a * a * a - a) * y2[lo] + (b * b * b - b) * y2[hi]) * (h * h) / 6.0f;
    if (y > 255.0f) return 255.0f;
    if (!(y >= 0.0f)) return 0.0f;  // also a NaN, which valid points never produce
    return y;
}

void CCurves::BuildTables() {
    const int previous = m_selected;
    for (int c = 0; c < kChannels; ++c) {
        m_selected = c;
        PrepareSpline();
        for (int i = 0; i < 256; ++i)
            m_tables.table[c][static_cast<size_t>(i)] =
                static_cast<uint8_t>(EvaluateCurve(static_cast<float>(i)) + 0.5f);
    }
    m_selected = previous;
    PrepareSpline();
}

std::span<const CCurves::Point> CCurves::Points(int channel) const {
    int c = Clamp(channel);
    return std::span<const Point>(m_points[c].data(), static_cast<size_t>(m_count[c]));
}

bool CCurves::ValidPoints(std::span<const Point> points) {
    if (points.size() < kMinPoints || points.size() > kMaxPoints) return false;
    for (size_t i = 0; i < points.size(); ++i) {
        const Point& q = points[i];
        // Written so that NaN fails every test.
        if (!(q.x >= 0.0f && q.x <= 255.0f && q.y >= 0.0f && q.y <= 255.0f)) return false;
        if (i > 0 && !(q.x > points[i - 1].x)) return false;
    }
    return true;
}

bool CCurves::SetPoints(int channel, std::span<const Point> points) {
    if (channel < 0 || channel >= kChannels || !ValidPoints(points)) return false;
    for (size_t i = 0; i < points.size(); ++i) m_points[channel][i] = points[i];
    m_count[channel] = static_cast<int32_t>(points.size());
    return true;
}

bool CCurves::SetPoint(int channel, int index, Point point) {
    if (channel < 0 || channel >= kChannels || index < 0 || index >= m_count[channel]) return false;
    const auto& p = m_points[channel];
    if (!std::isfinite(point.x) || !std::isfinite(point.y)) return false;
    if (index > 0 && !(point.x > p[index - 1].x)) return false;
    if (index < m_count[channel] - 1 && !(point.x < p[index + 1].x)) return false;
    m_points[channel][index] = point;
    return true;
}

bool CCurves::InsertPoint(int channel, int index, Point point) {
    if (channel < 0 || channel >= kChannels) return false;
    int n = m_count[channel];
    if (n >= kMaxPoints || index < 1 || index > n - 1) return false;
    auto& p = m_points[channel];
    if (!(point.x > p[index - 1].x && point.x < p[index].x) || !std::isfinite(point.y)) return false;
    for (int i = n; i > index; --i) p[i] = p[i - 1];
    p[index] = point;
    m_count[channel] = n + 1;
    return true;
}

bool CCurves::RemovePoint(int channel, int index) {
    if (channel < 0 || channel >= kChannels) return false;
    int n = m_count[channel];
    if (index <= 0 || index >= n - 1) return false;
    auto& p = m_points[channel];
    for (int i = index; i < n - 1; ++i) p[i] = p[i + 1];
    m_count[channel] = n - 1;
    return true;
}

std::vector<uint8_t> CCurves::SaveBytes() const {
    adjust::ByteWriter out;
    for (int c = 0; c < kChannels; ++c) out.I32(m_count[c]);
    for (int c = 0; c < kChannels; ++c)
        for (int i = 0; i < m_count[c]; ++i) {
            out.Float(m_points[c][i].x);
            out.Float(m_points[c][i].y);
        }
    return out.Take();
}

adjust::SettingsFileStatus CCurves::LoadBytes(std::span<const uint8_t> bytes) {
    adjust::ByteReader in(bytes);
    std::array<int32_t, kChannels> counts{};
    for (auto& n : counts) in.I32(n);
    if (!in.Ok()) return adjust::SettingsFileStatus::InvalidFile;
    for (int32_t n : counts)
        if (n < kMinPoints || n > kMaxPoints) return adjust::SettingsFileStatus::InvalidFile;
    // Everything is read and checked before the first curve changes.
    std::array<std::vector<Point>, kChannels> loaded;
    for (int c = 0; c < kChannels; ++c) {
        loaded[c].resize(static_cast<size_t>(counts[c]));
        for (Point& q : loaded[c]) {
            in.Float(q.x);
            in.Float(q.y);
        }
        if (!in.Ok() || !ValidPoints(loaded[c])) return adjust::SettingsFileStatus::InvalidFile;
    }
    for (int c = 0; c < kChannels; ++c) SetPoints(c, loaded[c]);
    BuildTables();
    return adjust::SettingsFileStatus::Ok;
}

adjust::SettingsFileStatus CCurves::SaveFile(const std::string& path) const {
    return adjust::SaveSettingsFile(path, SaveBytes());
}

adjust::SettingsFileStatus CCurves::LoadFile(const std::string& path) {
    return adjust::LoadSettingsFile(path, {}, [this](std::span<const uint8_t> bytes) { return LoadBytes(bytes); });
}

namespace adjust {

PixelTables ComposeCurvesTables(const CurvesTables& tables) {
    const auto& t = tables.table;
    PixelTables out{};
    for (size_t i = 0; i < 256; ++i) {
        out.red[i] = t[0][t[1][i]];
        out.green[i] = t[0][t[2][i]];
        out.blue[i] = t[0][t[3][i]];
        out.grey[i] = t[0][i];
    }
    return out;
}

bool ApplyCurves(const ImagePlane& source, const ImagePlane& destination, const CurvesTables& tables) {
    return ApplyPixelTables(source, destination, ComposeCurvesTables(tables));
}

}  // namespace adjust
