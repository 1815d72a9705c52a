#include "geometry/rotatetool.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <numbers>

namespace geometry {
namespace {

int32_t RoundToInt(double v) {
    if (!std::isfinite(v)) return 0;
    return static_cast<int32_t>(std::lround(std::clamp(v, -1e9, 1e9)));
}

double SquaredDistance(double x, double y, IntPoint p) {
    const double dx = x - p.x, dy = y - p.y;
    return dx * dx + dy * dy;
}

// Squared distance from (x, y) to the segment a-b.
double SquaredDistanceToSegment(double x, double y, IntPoint a, IntPoint b) {
    const double vx = b.x - a.x, vy = b.y - a.y;
    const double len2 = vx * vx + vy * vy;
    double t = len2 > 0.0 ? ((x - a.x) * vx + (y - a.y) * vy) / len2 : 0.0;
    t = std::clamp(t, 0.0, 1.0);
    const double px = a.x + t * vx - x, py = a.y + t * vy - y;
    return px * px + py * py;
}

}  // namespace

CRotateToolModel::CRotateToolModel(int32_t imageWidth, int32_t imageHeight)
    : m_width(std::max(imageWidth, 0)), m_height(std::max(imageHeight, 0)) {
    PlaceGuideLine({0, 0, m_width, m_height});
}

void CRotateToolModel::PlaceGuideLine(const CropRect& visible) {
    const int32_t w = visible.Width(), h = visible.Height();
    const int32_t y = visible.top + h / 2;
    m_first = {visible.left + w / 10, y};
    m_second = {visible.right - w / 10, y};
    m_angle = 0.0f;
    m_drag = DragMode::None;
}

CRotateToolModel::DragMode CRotateToolModel::HitTest(double x, double y, double tolerance) const {
    const double limit = tolerance * tolerance;
    if (SquaredDistance(x, y, m_first) < limit) return DragMode::FirstEnd;
    if (SquaredDistance(x, y, m_second) < limit) return DragMode::SecondEnd;
    if (SquaredDistanceToSegment(x, y, m_first, m_second) < limit) return DragMode::WholeLine;
    return DragMode::None;
}

CRotateToolModel::DragMode CRotateToolModel::ButtonDown(double x, double y, double tolerance) {
    m_drag = HitTest(x, y, tolerance);
    m_last = {RoundToInt(x), RoundToInt(y)};
    return m_drag;
}

bool CRotateToolModel::MouseMove(double x, double y) {
    if (m_drag == DragMode::None) return false;
    const IntPoint now{RoundToInt(x), RoundToInt(y)};
    const int32_t dx = now.x - m_last.x, dy = now.y - m_last.y;
    m_last = now;
    if (dx == 0 && dy == 0) return false;
    if (m_drag == DragMode::FirstEnd || m_drag == DragMode::WholeLine)
        m_first = {m_first.x + dx, m_first.y + dy};
    if (m_drag == DragMode::SecondEnd || m_drag == DragMode::WholeLine)
        m_second = {m_second.x + dx, m_second.y + dy};
    UpdateAngleFromLine();
    return true;
}

void CRotateToolModel::UpdateAngleFromLine() {
    // Image y grows downward, so a line rising to the right has a positive angle.
    m_angle = static_cast<float>(std::atan2(static_cast<double>(m_first.y - m_second.y),
                                            static_cast<double>(m_second.x - m_first.x)) *
                                 180.0 / std::numbers::pi);
}

void CRotateToolModel::SetAngle(float degrees) {
    if (!std::isfinite(degrees)) degrees = 0.0f;
    m_angle = degrees;
    const double mx = (m_first.x + m_second.x) / 2.0, my = (m_first.y + m_second.y) / 2.0;
    const double half = std::hypot(static_cast<double>(m_second.x - m_first.x),
                                   static_cast<double>(m_second.y - m_first.y)) /
                        2.0;
    const double a = degrees * std::numbers::pi / 180.0;
    const double ux = half * std::cos(a), uy = -half * std::sin(a);
    m_first = {RoundToInt(mx - ux), RoundToInt(my - uy)};
    m_second = {RoundToInt(mx + ux), RoundToInt(my + uy)};
}

void CRotateToolModel::SetAngleText(const std::string& text) {
    SetAngle(static_cast<float>(ReadDecimal(text)));
}

std::string CRotateToolModel::AngleText() const {
    char buffer[64];
    // to_chars ignores the C locale, so the point stays a point under any desktop locale.
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer,
                                         static_cast<double>(m_angle), std::chars_format::fixed, 4);
    if (ec != std::errc()) return "0.0000";
    return std::string(buffer, end);
}

RotationFrame CRotateToolModel::Frame() const {
    return RotationFrame::Make(m_width, m_height, -m_angle);
}

ImageSize CRotateToolModel::ResultSize() const {
    const RotationFrame f = Frame();
    return {f.width, f.height};
}

CropRect CRotateToolModel::CropRectangle() const {
    return LargestInscribedRect(Frame());
}

std::vector<ResultStep> CRotateToolModel::ResultSteps(int threads) const {
    std::vector<ResultStep> steps;
    const RotationFrame frame = Frame();
    if (frame.width <= 0 || frame.height <= 0) return steps;
    const float angle = -m_angle;
    steps.push_back(
        {frame.width, frame.height, [angle, threads](const ImagePlane& src, const ImagePlane& dst) {
             return RotateImage(src, dst, angle, threads);
         }});
    if (m_crop) {
        const CropRect rect = LargestInscribedRect(frame);
        if (!rect.IsEmpty())
            steps.push_back(
                {rect.Width(), rect.Height(), [rect](const ImagePlane& src, const ImagePlane& dst) {
                     return CropImage(src, dst, rect);
                 }});
    }
    return steps;
}

}  // namespace geometry
