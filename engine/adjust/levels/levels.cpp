// Levels tables, the routine, the gamma slider mapping and the point rules.
#include "adjust/levels/levels.h"

#include <algorithm>
#include <cmath>

namespace adjust {

namespace {

// Conversion toward zero that stays defined for any float: values far outside the byte
// range only matter by their sign and by being beyond 255, so they are clamped first.
int32_t Trunc(float value) {
    if (!(value == value)) return 0;  // NaN
    value = std::clamp(value, -1.0e9f, 1.0e9f);
    return static_cast<int32_t>(value);
}

uint8_t LevelsOutput(int32_t v, float masterGamma, float channelGamma) {
    if (v < 0) return 0;
    int32_t a = Trunc(255.0f * std::pow(static_cast<float>(v) / 255.0f, 1.0f / masterGamma));
    // v and a may exceed 255 (input above the channel's white point); only the end is limited.
    int32_t out = Trunc(255.0f * std::pow(static_cast<float>(a) / 255.0f, 1.0f / channelGamma));
    return static_cast<uint8_t>(std::clamp(out, 0, 255));
}

}  // namespace

// The mappings run in double so that gamma 1 sits exactly at position 500.
float GammaFromPosition(float position) {
    return static_cast<float>(std::pow(100.0, (1000.0 - position) / 1000.0) / 10.0);
}

float PositionFromGamma(float gamma) {
    if (!(gamma > 0)) return HUGE_VALF;  // ln of 0 or of a negative number has no position
    return static_cast<float>(1000.0 - 1000.0 * std::log(10.0 * gamma) / std::log(100.0));
}

int32_t GammaSliderPosition(float gamma) {
    return Trunc(PositionFromGamma(gamma));
}

LevelsTables BuildLevelsTables(const LevelsParams& params, bool overExposureWarning) {
    std::array<float, 4> k{};
    for (int c = 0; c < 4; ++c) k[c] = 255.0f / (params.white[c] - params.black[c]);
    LevelsTables tables{};
    ByteTable* out[4] = {nullptr, &tables.red, &tables.green, &tables.blue};
    for (int i = 0; i < 256; ++i) {
        float t = (static_cast<float>(i) - params.black[0]) * k[0];
        for (int c = 1; c <= 3; ++c) {
            int32_t v;
            if (c == kLevelsBlue) {
                int32_t m = Trunc(t + 0.5f);
                v = Trunc((static_cast<float>(m) - params.black[c]) * k[c] + 0.5f);
            } else {
                int32_t m = Trunc(t);
                v = Trunc((static_cast<float>(m) - params.black[c]) * k[c]);
            }
            uint8_t value = LevelsOutput(v, params.gamma[0], params.gamma[c]);
            if (overExposureWarning && value > 253) value = 0;
            (*out[c])[static_cast<size_t>(i)] = value;
        }
    }
    return tables;
}

bool ApplyLevels(const ImagePlane& source, const ImagePlane& destination, const LevelsTables& tables) {
    if (source.channels != 3) return false;
    PixelTables pixel{tables.blue, tables.green, tables.red, IdentityTable()};
    return ApplyPixelTables(source, destination, pixel);
}

bool ApplyLevels(const ImagePlane& source, const ImagePlane& destination, const LevelsParams& params) {
    return ApplyLevels(source, destination, BuildLevelsTables(params, false));
}

bool TrySetLevelsBlack(LevelsParams& params, int channel, float black) {
    if (channel < 0 || channel > 3 || !std::isfinite(black)) return false;
    if (!(black < params.white[channel])) return false;
    params.black[channel] = black;
    return true;
}

bool TrySetLevelsWhite(LevelsParams& params, int channel, float white) {
    if (channel < 0 || channel > 3 || !std::isfinite(white)) return false;
    // Compared with the stored black point itself (not its truncated slider position), so
    // that a typed fraction can never put the white point below the black point.
    if (!(white > params.black[channel])) return false;
    params.white[channel] = white;
    return true;
}

LevelsHistogramPicture LevelsHistogramBars(const LevelsParams& params, int channel, const ChannelHistograms& histograms,
                                           int64_t imagePixels, int32_t boxWidth, int32_t boxHeight) {
    LevelsHistogramPicture picture;
    if (channel < 0 || channel > 3 || boxWidth <= 0 || boxHeight <= 0) return picture;
    int64_t cap = std::min<int64_t>(histograms.maxCount, imagePixels / 100);
    if (cap <= 0) return picture;  // empty image: no scale, nothing drawn
    picture.drawn = true;
    float xs = static_cast<float>(boxWidth) / 256.0f;
    float ys = 2.0f * static_cast<float>(boxHeight) / static_cast<float>(cap);
    auto height = [&](int64_t n) {
        return std::min(Trunc(static_cast<float>(n) * ys), boxHeight);
    };
    const std::array<uint32_t, 256>* own[4] = {nullptr, &histograms.red, &histograms.green, &histograms.blue};
    for (int i = 0; i < 256; ++i) {
        picture.barX[static_cast<size_t>(i)] = Trunc(static_cast<float>(i) * xs);
        int64_t n = 0;
        if (channel == kLevelsMaster) {
            int64_t sum = 0;
            for (int c = 1; c <= 3; ++c) {
                // The input level of this channel that its own points map to output i.
                float kc = 255.0f / (params.white[c] - params.black[c]);
                int32_t j = Trunc(static_cast<float>(i) / kc + params.black[c]);
                if (j >= 0 && j <= 255) sum += (*own[c])[static_cast<size_t>(j)];
            }
            n = sum / 3;
        } else {
            n = (*own[channel])[static_cast<size_t>(i)];
        }
        picture.barHeight[static_cast<size_t>(i)] = height(n);
    }
    picture.whiteMarkerX = Trunc(xs * params.white[channel]);
    picture.blackMarkerX = Trunc(xs * params.black[channel]);
    static constexpr uint8_t kPens[4][3] = {{60, 60, 60}, {255, 0, 0}, {0, 200, 0}, {0, 0, 255}};
    picture.penRed = kPens[channel][0];
    picture.penGreen = kPens[channel][1];
    picture.penBlue = kPens[channel][2];
    return picture;
}

}  // namespace adjust
