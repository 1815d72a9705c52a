// Hue/saturation routine and ".huesat" files.
#include "adjust/huesat/huesaturation.h"

#include <cmath>
#include <cstring>

#include "adjust/framework/pixeltables.h"
#include "adjust/huesat/huesatpixel.h"
#include "adjust/mixer/rowbands.h"

namespace adjust {

const std::array<HueRangeBounds, kHueRangeCount>& HueRanges() {
    static constexpr std::array<HueRangeBounds, kHueRangeCount> kRanges{{
        {"Image", 0, 0, 0, 0},
        {"Reds", 315, 345, 15, 45},
        {"Yellows", 15, 45, 75, 105},
        {"Greens", 75, 105, 135, 165},
        {"Cyans", 135, 165, 195, 225},
        {"Blues", 195, 225, 255, 285},
        {"Magentas", 255, 285, 315, 345},
    }};
    return kRanges;
}

namespace detail {

HueSatRun MakeRun(const HueSaturationParams& p) {
    HueSatRun run{};
    run.hue = static_cast<float>(p.hue);
    run.sf = 1.0f + static_cast<float>(p.saturation) / 100.0f;
    run.bf = 1.0f + static_cast<float>(p.brightness) / 100.0f;
    const int32_t range = static_cast<int32_t>(p.range);
    if (p.colorize) {
        run.mode = 0;
    } else if (range <= 0 || range >= kHueRangeCount) {
        run.mode = 1;  // "Image", and any selection the combo cannot have
    } else if (p.range == HueRange::Reds) {
        run.mode = 2;
    } else {
        run.mode = 3;
        const HueRangeBounds& r = HueRanges()[static_cast<size_t>(range)];
        run.a = r.outerStart;
        run.d = r.outerEnd;
        run.mid = (run.a + run.d) / 2.0f;
    }
    return run;
}

void HueSatRowsScalar(const HueSatRun& run, const ImagePlane& src, const ImagePlane& dst, int32_t y0, int32_t y1,
                      int32_t x0) {
    for (int32_t y = y0; y < y1; ++y) {
        const uint8_t* s = src.Row(y) + 3 * static_cast<ptrdiff_t>(x0);
        uint8_t* d = dst.Row(y) + 3 * static_cast<ptrdiff_t>(x0);
        for (int32_t x = x0; x < src.width; ++x, s += 3, d += 3) {
            const Rgb8 out = HueSatPixel(run, s[2], s[1], s[0]);
            d[0] = out.b;
            d[1] = out.g;
            d[2] = out.r;
        }
    }
}

}  // namespace detail

Rgb8 HueSaturationPixel(const HueSaturationParams& params, uint8_t r, uint8_t g, uint8_t b) {
    if (params.IsNeutral()) return {r, g, b};
    return detail::HueSatPixel(detail::MakeRun(params), r, g, b);
}

bool ApplyHueSaturation(const ImagePlane& source, const ImagePlane& destination, const HueSaturationParams& params,
                        IProgress* progress) {
    if (!PlanesMatch(source, destination) || source.channels != 3) return false;
    const detail::HueSatRun run = detail::MakeRun(params);
    const bool neutral = params.IsNeutral();
    const size_t rowBytes = static_cast<size_t>(source.width) * 3;
    auto rows = [&](int32_t y0, int32_t y1) {
        if (neutral) {
            // The HSI round trip is not exact (whole-degree tables, truncation): neutral
            // settings must not wear the picture down, so they copy it.
            for (int32_t y = y0; y < y1; ++y) std::memcpy(destination.Row(y), source.Row(y), rowBytes);
        } else {
            detail::HueSatRows(run, source, destination, y0, y1);
        }
    };
    RunRowBands(source.height, rows, progress, "Hue/Saturation");
    return true;
}

std::vector<uint8_t> SerializeHueSaturation(const HueSaturationParams& params) {
    ByteWriter w;
    w.Raw(std::string_view(kHueSaturationMagic));
    w.I32(params.colorize);
    w.I32(params.hue);
    w.I32(params.saturation);
    w.I32(params.brightness);
    return w.Take();
}

SettingsFileStatus ParseHueSaturation(std::span<const uint8_t> bytes, HueSaturationParams& params) {
    ByteReader r(bytes);
    HueSaturationParams loaded = params;
    r.Expect(kHueSaturationMagic);
    r.I32(loaded.colorize);
    r.I32(loaded.hue);
    r.I32(loaded.saturation);
    r.I32(loaded.brightness);
    if (!r.Ok()) return SettingsFileStatus::InvalidFile;
    loaded.colorize = loaded.colorize == 1 ? 1 : 0;
    params = loaded;
    return SettingsFileStatus::Ok;
}

SettingsFileStatus LoadHueSaturationFile(const std::string& path, HueSaturationParams& params) {
    return LoadSettingsFile(path, kHueSaturationMagic,
                            [&](std::span<const uint8_t> bytes) { return ParseHueSaturation(bytes, params); });
}

SettingsFileStatus SaveHueSaturationFile(const std::string& path, const HueSaturationParams& params) {
    const std::vector<uint8_t> bytes = SerializeHueSaturation(params);
    return SaveSettingsFile(path, bytes);
}

}  // namespace adjust
