#include "editor/viewlayout.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace viewlayout {

namespace {
constexpr double kSteps[] = {0.015, 0.02, 0.03,   0.04, 0.05, 0.0625, 0.0833, 0.125, 0.1667, 0.25, 0.3333, 0.5,
                             0.6667, 1,   2,      3,    4,    5,      6,      7,     8,      12,   16};
}  // namespace

Layout ComputeLayout(int32_t imageWidth, int32_t imageHeight, int32_t clientWidth, int32_t clientHeight,
                     ViewState& state) {
    Layout layout;
    if (imageWidth <= 0 || imageHeight <= 0 || clientWidth <= 0 || clientHeight <= 0) return layout;
    if (state.zoom <= 0) {
        double zoom = double(clientWidth) / imageWidth;
        if (imageHeight * zoom > clientHeight || imageWidth * zoom > clientWidth)
            zoom = double(clientHeight) / imageHeight;
        state.zoom = zoom;
        state.centreX = imageWidth / 2.0f;
        state.centreY = imageHeight / 2.0f;
    }
    layout.zoom = state.zoom;

    // One axis at a time: the shown region, shifted back inside the image, or the whole
    // image centred when it is smaller than the window.
    auto axis = [&](int32_t image, int32_t client, float& centre, int32_t& src, int32_t& srcSize, int32_t& dst,
                    int32_t& dstSize) {
        const int64_t visible = static_cast<int64_t>(std::ceil(client / state.zoom));
        if (visible >= image) {
            src = 0;
            srcSize = image;
            dstSize = static_cast<int32_t>(std::lround(image * state.zoom));
            dst = (client - dstSize) / 2;
            centre = image / 2.0f;
            return;
        }
        srcSize = static_cast<int32_t>(visible);
        double start = centre - visible / 2.0;
        start = std::clamp(start, 0.0, double(image - visible));
        src = static_cast<int32_t>(std::floor(start));
        centre = static_cast<float>(src + visible / 2.0);
        dst = 0;
        dstSize = static_cast<int32_t>(std::lround(srcSize * state.zoom));
    };
    axis(imageWidth, clientWidth, state.centreX, layout.srcX, layout.srcWidth, layout.dstX, layout.dstWidth);
    axis(imageHeight, clientHeight, state.centreY, layout.srcY, layout.srcHeight, layout.dstY, layout.dstHeight);
    return layout;
}

double ZoomIn(double zoom) {
    if (zoom < kSteps[0]) return kSteps[0];
    for (double step : kSteps)
        if (step > zoom) return step;
    return zoom;
}

double ZoomOut(double zoom) {
    if (zoom >= 16) return 12;
    if (zoom <= 0.02) return zoom;
    double result = 0.02;
    for (double step : kSteps)
        if (step < zoom) result = step;
    return std::max(result, 0.02);
}

int ZoomToSlider(double zoom) {
    return static_cast<int>(std::lround(1000.0 * std::cbrt(std::log(1.0 + zoom) / std::log(17.0))));
}

double SliderToZoom(int position) {
    const double p = position / 1000.0;
    return std::pow(17.0, p * p * p) - 1.0;
}

std::string ZoomText(double zoom) {
    char text[64];
    std::snprintf(text, sizeof text, "%.2f %%", zoom * 100.0);
    return text;
}

void FirstDisplaySize(int32_t imageWidth, int32_t imageHeight, int32_t mainWidth, int32_t mainHeight,
                      int32_t& clientWidth, int32_t& clientHeight) {
    if (imageWidth < 0.9 * mainWidth && imageHeight < 0.9 * mainHeight) {
        clientWidth = imageWidth + 4;
        clientHeight = imageHeight + 4;
        return;
    }
    const double scale = std::min(0.9 * mainWidth / std::max(imageWidth, 1), 0.9 * mainHeight / std::max(imageHeight, 1));
    clientWidth = static_cast<int32_t>(imageWidth * scale) + 4;
    clientHeight = static_cast<int32_t>(imageHeight * scale) + 4;
}

void StretchNearest(const ImagePlane& src, int32_t srcX, int32_t srcY, int32_t srcWidth, int32_t srcHeight,
                    const ImagePlane& dst) {
    if (!src.data || !dst.data || srcWidth <= 0 || srcHeight <= 0 || dst.width <= 0 || dst.height <= 0) return;
    srcX = std::clamp(srcX, 0, src.width - 1);
    srcY = std::clamp(srcY, 0, src.height - 1);
    srcWidth = std::min(srcWidth, src.width - srcX);
    srcHeight = std::min(srcHeight, src.height - srcY);
    std::vector<int32_t> columns(dst.width);
    for (int32_t x = 0; x < dst.width; ++x)
        columns[x] = (srcX + static_cast<int32_t>(int64_t(x) * srcWidth / dst.width)) * src.channels;
    for (int32_t y = 0; y < dst.height; ++y) {
        const uint8_t* in = src.Row(srcY + static_cast<int32_t>(int64_t(y) * srcHeight / dst.height));
        uint8_t* out = dst.Row(y);
        for (int32_t x = 0; x < dst.width; ++x)
            for (int32_t c = 0; c < dst.channels; ++c) out[x * dst.channels + c] = in[columns[x] + c];
    }
}

}  // namespace viewlayout
