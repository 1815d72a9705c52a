#pragma once
// Levels: black point, white point and gamma for the whole image and for each of red,
// green and blue, turned into one 256-entry table per output channel.
#include <array>
#include <cstdint>

#include "adjust/framework/pixeltables.h"
#include "adjust/framework/slideredit.h"
#include "core/imageplane.h"
#include "core/operation.h"

namespace adjust {

// Channel indices, in the order of the channel selector.
enum LevelsChannel : int { kLevelsMaster = 0, kLevelsRed = 1, kLevelsGreen = 2, kLevelsBlue = 3 };

struct LevelsParams {
    // black[c] < white[c] always holds for parameters the dialog accepted.
    std::array<float, 4> black{0, 0, 0, 0};
    std::array<float, 4> white{255, 255, 255, 255};
    std::array<float, 4> gamma{1, 1, 1, 1};

    bool operator==(const LevelsParams&) const = default;
};

// The three slider-and-edit pairs. The gamma pair's value is a slider position 0..1000
// shown as a gamma (GammaFromPosition); a typed gamma goes back through PositionFromGamma.
inline constexpr SliderRange kLevelsWhiteRange{0, 255, 5, 1, "%.0f", 255};
inline constexpr SliderRange kLevelsBlackRange{0, 255, 5, 1, "%.0f", 0};
inline constexpr SliderRange kLevelsGammaRange{0, 1000, 100, 1, "%.2f", 500};

// Gamma shown for gamma slider position s: 100^((1000 - s) / 1000) / 10 (s = 500 is 1.00).
float GammaFromPosition(float position);
// Slider position for a typed gamma: 1000 - 1000 * ln(10 g) / ln(100); not finite for g <= 0,
// which makes the gamma edit refuse it like an out-of-range number.
float PositionFromGamma(float gamma);
// Gamma slider position set when a channel is selected: the truncated PositionFromGamma.
int32_t GammaSliderPosition(float gamma);

// Tables for the red, green and blue outputs (the master table stays the identity).
struct LevelsTables {
    ByteTable red;
    ByteTable green;
    ByteTable blue;
};

// Builds the tables: master black/white points, then the channel's own points, then the
// master gamma, then the channel gamma. Blue rounds the point mapping, red and green
// truncate it. With `overExposureWarning` (previews only) entries above 253 become 0 so
// that clipped levels show dark.
LevelsTables BuildLevelsTables(const LevelsParams& params, bool overExposureWarning = false);

// Runs the tables over a 3-byte plane: blue, green and red through their own tables.
// False (nothing written) when the planes do not match.
bool ApplyLevels(const ImagePlane& source, const ImagePlane& destination, const LevelsTables& tables);
// The whole-image routine: tables without the warning marks, then ApplyLevels.
bool ApplyLevels(const ImagePlane& source, const ImagePlane& destination, const LevelsParams& params);

// A new black point for `channel` is taken only while it stays below that channel's white
// point; true when `params` changed. A refused value leaves the parameters as they were
// (the dialog then sets the pair back to black[channel]).
bool TrySetLevelsBlack(LevelsParams& params, int channel, float black);
// A new white point is taken only while it stays above the channel's black point.
bool TrySetLevelsWhite(LevelsParams& params, int channel, float white);

// What the levels dialog's histogram box shows (bars of a w x h box, x to the right,
// heights up from the bottom).
struct LevelsHistogramPicture {
    bool drawn = false;  // false for an empty image: nothing is drawn
    std::array<int32_t, 256> barX{};
    std::array<int32_t, 256> barHeight{};
    int32_t whiteMarkerX = 0;
    int32_t blackMarkerX = 0;
    uint8_t penRed = 0, penGreen = 0, penBlue = 0;
};

// Histogram counts of the current image, one array per channel.
struct ChannelHistograms {
    std::array<uint32_t, 256> red{};
    std::array<uint32_t, 256> green{};
    std::array<uint32_t, 256> blue{};
    uint32_t maxCount = 0;  // largest single count of the three arrays
};

// Bars for channel "RGB" (the three channels mapped through their own points and
// averaged) or one channel's own histogram, scaled like the histogram window.
LevelsHistogramPicture LevelsHistogramBars(const LevelsParams& params, int channel, const ChannelHistograms& histograms,
                                           int64_t imagePixels, int32_t boxWidth, int32_t boxHeight);

// The levels operation: one channel's points and gamma per group; consecutive groups merge.
const ops::Operation& LevelsOperation();

}  // namespace adjust
