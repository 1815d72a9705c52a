#pragma once
// Photographic filters: a full filter tints the whole picture with one colour, a
// graduated filter blends from colour 1 to colour 2 across a line at any angle and
// position; an optional conversion to grey imitates filters used with monochrome film.
#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "adjust/framework/binaryio.h"
#include "core/imageplane.h"
#include "core/operation.h"

namespace adjust {

struct FilterColor {
    uint8_t r = 0;
    uint8_t g = 0;
    uint8_t b = 0;
    bool operator==(const FilterColor&) const = default;
};

// Pairs of the dialog: angle in degrees; hardness, strength and offset 0..1.
inline constexpr float kFilterAngleMin = -180.0f, kFilterAngleMax = 180.0f;

struct PhotoFilterParams {
    float angle = 0.0f;
    float hardness = 0.5f;
    float offset = 0.5f;  // the dialog shows 1 - offset
    float strength = 0.4f;
    FilterColor color1{206, 151, 3};
    FilterColor color2{255, 255, 255};
    uint8_t grad = 1;           // 1 graduated, 0 full filter
    uint8_t blackAndWhite = 0;  // 1 converts to grey

    // The offset pair shows 1 - offset.
    float ShownOffset() const { return 1.0f - offset; }
    void SetShownOffset(float shown) { offset = 1.0f - shown; }
    // The same settings with every number finite and in its range (a value that is not
    // a number takes its default) and the flags 0 or 1.
    PhotoFilterParams Sanitized() const;
    bool operator==(const PhotoFilterParams&) const = default;
};

// Size of the parameter block in preset records and the last-settings file.
inline constexpr size_t kFilterParamsSize = 28;

// Writes the 28-byte block; with `offsetAsShown` the offset field holds 1 - offset.
void WriteFilterParams(ByteWriter& writer, const PhotoFilterParams& params, bool offsetAsShown = false);
// Reads the 28-byte block (the inverse of WriteFilterParams); false when too short.
bool ReadFilterParams(ByteReader& reader, PhotoFilterParams& params, bool offsetAsShown = false);

// How preview pixels map to the full image: preview column px stands for full-image
// column left + px / z (rows likewise), with z the view's zoom limited to at most 1.
struct FilterPreviewMapping {
    float left = 0.0f;
    float top = 0.0f;
    float zoom = 1.0f;
    int32_t fullWidth = 0;
    int32_t fullHeight = 0;
};

// Filters `source` into `destination` (3 bytes per pixel, same size). Without a mapping
// the planes are the whole image and angles come from a full-precision atan2; with one,
// the planes are a preview and angles come from the fast rational approximation. Rows are
// split between the cores. False (nothing written) when the planes do not match.
bool ApplyPhotoFilter(const ImagePlane& source, const ImagePlane& destination, const PhotoFilterParams& params,
                      const FilterPreviewMapping* preview = nullptr);

// The multipliers (0..255) of red, green and blue at position t across the transition
// (0 at the top edge for angle 0); a full filter ignores t.
std::array<float, 3> FilterMultipliers(const PhotoFilterParams& params, float t);

// Colour of row `row` of a colour bar `rows` high: the truncated multipliers at
// t = row / rows (the black-and-white flag does not change the bar).
std::array<uint8_t, 3> FilterColorBarRow(const PhotoFilterParams& params, int32_t row, int32_t rows);
// Paints the colour bar into a BGR plane, one colour per row.
bool DrawFilterColorBar(const ImagePlane& destination, const PhotoFilterParams& params);

// The last settings used: "photographic_filters.last" below the data folder.
inline constexpr const char* kFilterLastFileName = "photographic_filters.last";
inline constexpr int32_t kFilterLastVersion = 1;
// Reads the last-settings file; nothing when it is missing, short or of another version.
std::optional<PhotoFilterParams> ReadFilterLastSettings(const std::string& path);
// The same with the defaults in place of nothing (what the dialog opens with).
PhotoFilterParams LoadFilterLastSettings(const std::string& path);
// Writes the last-settings file (version 1, the offset field as the dialog shows it).
bool SaveFilterLastSettings(const std::string& path, const PhotoFilterParams& params);

// Angles in degrees, -180..180, as the routine computes them: full precision, and the
// fast approximation used for previews.
float FilterAtan2Degrees(float y, float x);
float FilterAtan2DegreesApprox(float y, float x);

// The photographic filter operation: key=value settings or a last-settings file.
const ops::Operation& PhotoFilterOperation();

}  // namespace adjust
