// Photographic filter parameters, routine set-up, colour bar and last-settings file.
#include "adjust/filters/photofilter.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "adjust/filters/filterrun.h"
#include "adjust/framework/parallel.h"
#include "adjust/framework/pixeltables.h"

namespace adjust {

namespace {

float Finite(float v, float fallback, float lo, float hi) { return std::isfinite(v) ? std::clamp(v, lo, hi) : fallback; }

void WriteColor(ByteWriter& w, FilterColor c) {
    w.U8(c.r);
    w.U8(c.g);
    w.U8(c.b);
    w.U8(0);
}

void ReadColor(ByteReader& r, FilterColor& c) {
    uint8_t unused = 0;
    r.U8(c.r);
    r.U8(c.g);
    r.U8(c.b);
    r.U8(unused);
}

constexpr float kRadToDeg = 180.0f / std::numbers::pi_v<float>;

}  // namespace

PhotoFilterParams PhotoFilterParams::Sanitized() const {
    const PhotoFilterParams defaults;
    PhotoFilterParams p = *this;
    p.angle = Finite(angle, defaults.angle, kFilterAngleMin, kFilterAngleMax);
    p.hardness = Finite(hardness, defaults.hardness, 0.0f, 1.0f);
    p.offset = Finite(offset, defaults.offset, 0.0f, 1.0f);
    p.strength = Finite(strength, defaults.strength, 0.0f, 1.0f);
    p.grad = grad ? 1 : 0;
    p.blackAndWhite = blackAndWhite ? 1 : 0;
    return p;
}

void WriteFilterParams(ByteWriter& w, const PhotoFilterParams& p, bool offsetAsShown) {
    w.Float(p.angle);
    w.Float(p.hardness);
    w.Float(offsetAsShown ? 1.0f - p.offset : p.offset);
    w.Float(p.strength);
    WriteColor(w, p.color1);
    WriteColor(w, p.color2);
    w.U8(p.grad);
    w.U8(p.blackAndWhite);
    w.U8(0);
    w.U8(0);
}

bool ReadFilterParams(ByteReader& r, PhotoFilterParams& params, bool offsetAsShown) {
    PhotoFilterParams p;
    r.Float(p.angle);
    r.Float(p.hardness);
    r.Float(p.offset);
    r.Float(p.strength);
    ReadColor(r, p.color1);
    ReadColor(r, p.color2);
    r.U8(p.grad);
    r.U8(p.blackAndWhite);
    r.Skip(2);
    if (!r.Ok()) return false;
    if (offsetAsShown) p.offset = 1.0f - p.offset;
    // The bytes come from a file: keep every number usable by the routine.
    params = p.Sanitized();
    return true;
}

namespace detail {

const std::array<float, 36000>& FilterSineTable() {
    static const std::array<float, 36000> table = [] {
        std::array<float, 36000> t{};
        for (size_t k = 0; k < t.size(); ++k)
            t[k] = static_cast<float>(std::sin(static_cast<double>(k) / 100.0 * std::numbers::pi / 180.0));
        return t;
    }();
    return table;
}

FilterRun MakeFilterRun(const PhotoFilterParams& raw, int32_t width, int32_t height,
                        const FilterPreviewMapping* preview) {
    const PhotoFilterParams p = raw.Sanitized();
    FilterRun run;
    run.grad = p.grad != 0;
    run.bw = p.blackAndWhite != 0;
    run.s = p.strength;
    run.base = (1.0f - run.s) * 255.0f;
    run.c1 = {static_cast<float>(p.color1.r), static_cast<float>(p.color1.g), static_cast<float>(p.color1.b)};
    run.c2 = {static_cast<float>(p.color2.r), static_cast<float>(p.color2.g), static_cast<float>(p.color2.b)};
    for (size_t c = 0; c < 3; ++c) {
        run.m1[c] = std::min(run.base + run.s * run.c1[c], 255.0f);
        run.m2[c] = std::min(run.base + run.s * run.c2[c], 255.0f);
    }
    run.w = 1.0f - p.hardness;
    run.lo = 0.5f - run.w / 2.0f;
    run.hi = 0.5f + run.w / 2.0f;
    run.angle = p.angle;
    int32_t fullW = width, fullH = height;
    if (preview) {
        run.approx = true;
        if (preview->fullWidth > 0 && preview->fullHeight > 0) {
            fullW = preview->fullWidth;
            fullH = preview->fullHeight;
        }
        run.left = std::isfinite(preview->left) ? preview->left : 0.0f;
        run.top = std::isfinite(preview->top) ? preview->top : 0.0f;
        const float z = preview->zoom;
        run.zoom = (std::isfinite(z) && z > 0.0f) ? std::min(z, 1.0f) : 1.0f;
    }
    run.halfW = static_cast<float>(fullW) / 2.0f;
    run.halfH = static_cast<float>(fullH) / 2.0f;
    run.fullH = static_cast<float>(std::max(fullH, 1));
    run.shift = 1.2f * static_cast<float>(std::max(fullW, fullH)) * (p.offset - 0.5f);
    run.kFull = 255.0f / (0.3f * run.m1[0] + 0.59f * run.m1[1] + 0.11f * run.m1[2]);
    return run;
}

float GradPosition(const FilterRun& run, float x, float y) {
    const float X = x - run.halfW;
    const float Y = y - run.halfH;
    const float r = std::sqrt(X * X + Y * Y);
    float theta = run.approx ? FilterAtan2DegreesApprox(Y, X) : FilterAtan2Degrees(Y, X);
    if (theta < 0.0f) theta += 360.0f;
    float a = theta + run.angle;
    if (a < 0.0f) a += 360.0f;
    if (a >= 360.0f) a -= 360.0f;
    const int index = std::clamp(static_cast<int>(100.0f * a), 0, 35999);
    const float d = r * FilterSineTable()[static_cast<size_t>(index)] - run.shift;
    return (d + run.halfH) / run.fullH;
}

}  // namespace detail

std::array<float, 3> FilterMultipliers(const PhotoFilterParams& params, float t) {
    const detail::FilterRun run = detail::MakeFilterRun(params, 1, 1, nullptr);
    return run.grad ? detail::GradMultipliers(run, t) : run.m1;
}

std::array<uint8_t, 3> FilterColorBarRow(const PhotoFilterParams& params, int32_t row, int32_t rows) {
    const float t = rows > 0 ? static_cast<float>(row) / static_cast<float>(rows) : 0.0f;
    const std::array<float, 3> m = FilterMultipliers(params, t);
    return {static_cast<uint8_t>(static_cast<int>(m[0])), static_cast<uint8_t>(static_cast<int>(m[1])),
            static_cast<uint8_t>(static_cast<int>(m[2]))};
}

bool DrawFilterColorBar(const ImagePlane& dst, const PhotoFilterParams& params) {
    if (!dst.IsValid() || dst.channels != 3) return false;
    for (int32_t y = 0; y < dst.height; ++y) {
        const std::array<uint8_t, 3> c = FilterColorBarRow(params, y, dst.height);
        uint8_t* p = dst.Row(y);
        for (int32_t x = 0; x < dst.width; ++x, p += 3) {
            p[0] = c[2];
            p[1] = c[1];
            p[2] = c[0];
        }
    }
    return true;
}

namespace {

// Cephes-style arctangent of a in [0, 1], accurate to about one unit in the last place.
inline float AtanUnit(float a) {
    constexpr float kTanPi8 = 0.414213562373095f;
    float base = 0.0f;
    if (a > kTanPi8) {
        base = std::numbers::pi_v<float> / 4.0f;
        a = (a - 1.0f) / (a + 1.0f);
    }
    const float z = a * a;
    const float p = (((8.05374449538e-2f * z - 1.38776856032e-1f) * z + 1.99777106478e-1f) * z - 3.33329491539e-1f) *
                    z * a + a;
    return base + p;
}

}  // namespace

float FilterAtan2Degrees(float y, float x) {
    const float ax = std::fabs(x), ay = std::fabs(y);
    const float mx = std::max(ax, ay), mn = std::min(ax, ay);
    if (!(mx > 0.0f)) return 0.0f;
    float r = AtanUnit(mn / mx);
    if (ay > ax) r = std::numbers::pi_v<float> / 2.0f - r;
    if (x < 0.0f) r = std::numbers::pi_v<float> - r;
    if (y < 0.0f) r = -r;
    return r * kRadToDeg;
}

float FilterAtan2DegreesApprox(float y, float x) {
    if (std::fabs(x) < 1.0f) return FilterAtan2Degrees(y, x);
    const float q = y / x;
    float r;
    if (std::fabs(q) <= 1.0f) {
        r = q / (1.0f + 0.28f * q * q);
    } else {
        r = (q > 0.0f ? std::numbers::pi_v<float> / 2.0f : -std::numbers::pi_v<float> / 2.0f) - q / (q * q + 0.28f);
    }
    if (x < 0.0f) r += y >= 0.0f ? std::numbers::pi_v<float> : -std::numbers::pi_v<float>;
    return r * kRadToDeg;
}

bool ApplyPhotoFilter(const ImagePlane& source, const ImagePlane& destination, const PhotoFilterParams& params,
                      const FilterPreviewMapping* preview) {
    if (!PlanesMatch(source, destination) || source.channels != 3) return false;
    const detail::FilterRun run = detail::MakeFilterRun(params, source.width, source.height, preview);
    if (run.grad) {
        ParallelRows(source.height,
                     [&](int32_t y0, int32_t y1) { detail::GradRows(run, source, destination, y0, y1); });
        return true;
    }
    // A full filter scales each channel by a constant: tables give the exact bytes.
    PixelTables tables{};
    for (int v = 0; v < 256; ++v) {
        const auto i = static_cast<size_t>(v);
        tables.red[i] = detail::FilterChannel(run.m1[0], static_cast<uint8_t>(v));
        tables.green[i] = detail::FilterChannel(run.m1[1], static_cast<uint8_t>(v));
        tables.blue[i] = detail::FilterChannel(run.m1[2], static_cast<uint8_t>(v));
        tables.grey[i] = static_cast<uint8_t>(v);
    }
    if (!run.bw) return ApplyPixelTables(source, destination, tables);
    ParallelRows(source.height, [&](int32_t y0, int32_t y1) {
        for (int32_t y = y0; y < y1; ++y) {
            const uint8_t* s = source.Row(y);
            uint8_t* d = destination.Row(y);
            for (int32_t x = 0; x < source.width; ++x, s += 3, d += 3) {
                const uint8_t g = detail::FilterGrey(tables.red[s[2]], tables.green[s[1]], tables.blue[s[0]], run.kFull);
                d[0] = d[1] = d[2] = g;
            }
        }
    });
    return true;
}

std::optional<PhotoFilterParams> ReadFilterLastSettings(const std::string& path) {
    const auto bytes = LoadWholeFile(path, 4096);
    if (!bytes) return std::nullopt;
    ByteReader r(*bytes);
    int32_t version = 0;
    PhotoFilterParams p;
    if (!r.I32(version) || version != kFilterLastVersion || !ReadFilterParams(r, p, true)) return std::nullopt;
    return p;
}

PhotoFilterParams LoadFilterLastSettings(const std::string& path) {
    return ReadFilterLastSettings(path).value_or(PhotoFilterParams{});
}

bool SaveFilterLastSettings(const std::string& path, const PhotoFilterParams& params) {
    ByteWriter w;
    w.I32(kFilterLastVersion);
    WriteFilterParams(w, params, true);
    return SaveWholeFile(path, w.Bytes());
}

}  // namespace adjust
