#pragma once
// The editor view's geometry without a window: zoom steps, fit, the visible part of the
// image, the first window size, and the nearest-pixel stretch the display copies use.
#include <cstdint>
#include <string>

#include "core/imageplane.h"

namespace viewlayout {

// Where the image lands in the window and which part of it is shown.
struct Layout {
    double zoom = 0;      // screen pixels per image pixel (the fit factor after a fit)
    // Image region shown, in image pixels (integers: the region starts on a pixel).
    int32_t srcX = 0, srcY = 0, srcWidth = 0, srcHeight = 0;
    // Rectangle it is drawn into, in window pixels.
    int32_t dstX = 0, dstY = 0, dstWidth = 0, dstHeight = 0;
};

// Zoom and view centre as the view keeps them between drawings.
struct ViewState {
    double zoom = 0;  // 0: fit the window on the next drawing
    float centreX = 0, centreY = 0;
};

// Computes the layout for an image in a window of the given client size. A zoom of 0 fits
// the image and stores the fit factor in `state` (the one-shot fit), centring the view;
// otherwise the view centre is moved back inside the image when the shown region would
// leave it.
Layout ComputeLayout(int32_t imageWidth, int32_t imageHeight, int32_t clientWidth, int32_t clientHeight,
                     ViewState& state);

// The next zoom step up: 0.015 from anything below it, 16 stays 16.
double ZoomIn(double zoom);
// The next zoom step down: 12 from 16 and above, never below 0.02.
double ZoomOut(double zoom);
// Position 0..1000 of the zoom slider for a zoom factor, and back.
int ZoomToSlider(double zoom);
double SliderToZoom(int position);
// The zoom as the histogram window shows it, e.g. "25.00 %".
std::string ZoomText(double zoom);

// Client size of a new editor window for an image, given the main window's client size.
void FirstDisplaySize(int32_t imageWidth, int32_t imageHeight, int32_t mainWidth, int32_t mainHeight,
                      int32_t& clientWidth, int32_t& clientHeight);

// Stretches the region (srcX, srcY, srcWidth, srcHeight) of `src` over the whole of `dst`
// by repeating or dropping pixels, never averaging.
void StretchNearest(const ImagePlane& src, int32_t srcX, int32_t srcY, int32_t srcWidth, int32_t srcHeight,
                    const ImagePlane& dst);

}  // namespace viewlayout
