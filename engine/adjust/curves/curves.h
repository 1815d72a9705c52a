#pragma once
// CCurves: the curve engine. Four tone curves (0 = master "RGB", 1 red, 2 green, 3 blue),
// each a natural cubic spline through 2..300 control points, turned into 256-entry tables.
// Besides the curves adjustment itself, brightness, boost and the detail adjustments hold
// one of these (never shown), set the master curve's points and use its tables.
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "adjust/framework/binaryio.h"
#include "adjust/framework/pixeltables.h"
#include "core/imageplane.h"
#include "core/operation.h"

// The four tables of a curves setting: a pixel's channel goes through its own table and
// then through the master table.
struct CurvesTables {
    std::array<adjust::ByteTable, 4> table{};
};

class CCurves {
public:
    static constexpr int kChannels = 4;
    static constexpr int kMinPoints = 2;
    static constexpr int kMaxPoints = 300;

    struct Point {
        float x = 0;
        float y = 0;
        bool operator==(const Point&) const = default;
    };

    // Every curve the straight line (0, 0)-(255, 255), channel 0 selected, tables built.
    CCurves();

    // Every channel back to the two points (0, 0), (255, 255). The tables are not rebuilt.
    void ResetCurves();
    // Chooses the channel PrepareSpline, EvaluateCurve and the point editing work on.
    void SelectChannel(int channel);
    // The channel chosen by SelectChannel.
    int SelectedChannel() const { return m_selected; }

    // Computes the spline's second derivatives for the selected channel (natural spline:
    // zero at both ends).
    void PrepareSpline();
    // The selected channel's curve at x (flat beyond the end points), limited to 0..255.
    float EvaluateCurve(float x) const;
    // Rebuilds all four tables: table[c][i] = trunc(curve_c(i) + 0.5). The selection is
    // restored afterwards and its spline prepared.
    void BuildTables();

    // One channel's table, or all four, as of the last BuildTables.
    const adjust::ByteTable& Table(int channel) const { return m_tables.table[Clamp(channel)]; }
    const CurvesTables& Tables() const { return m_tables; }

    // Number of points of a channel, and the points themselves in x order.
    int Count(int channel) const { return m_count[Clamp(channel)]; }
    std::span<const Point> Points(int channel) const;
    // Replaces a channel's points: 2..300 points, x strictly increasing, every coordinate
    // in 0..255. False, with nothing changed, otherwise. Tables are not rebuilt.
    bool SetPoints(int channel, std::span<const Point> points);
    // Moves one existing point (used by the adjustments that drive the engine: y may lie
    // beyond 0..255, the curve is limited anyway). False when the index does not exist or
    // x would not stay strictly between its neighbours.
    bool SetPoint(int channel, int index, Point point);
    // Inserts a point at `index` (1..count-1) when x lies strictly between its new
    // neighbours and the curve has fewer than 300 points.
    bool InsertPoint(int channel, int index, Point point);
    // Removes a point other than the first and the last.
    bool RemovePoint(int channel, int index);

    // The ".curves" layout: four signed 32-bit counts, then each channel's points as pairs
    // of 32-bit floats, little-endian, no header.
    std::vector<uint8_t> SaveBytes() const;
    // Reads the ".curves" layout; a file with counts outside 2..300, shorter than its
    // counts require, with x not strictly increasing or coordinates outside 0..255 is
    // InvalidFile and changes nothing. On success the tables are rebuilt.
    adjust::SettingsFileStatus LoadBytes(std::span<const uint8_t> bytes);
    // File versions of the two above.
    adjust::SettingsFileStatus SaveFile(const std::string& path) const;
    adjust::SettingsFileStatus LoadFile(const std::string& path);

private:
    static int Clamp(int channel) { return channel < 0 ? 0 : (channel >= kChannels ? kChannels - 1 : channel); }
    static bool ValidPoints(std::span<const Point> points);

    int m_selected = 0;
    std::array<int32_t, kChannels> m_count{};
    std::array<std::array<Point, kMaxPoints>, kChannels> m_points{};
    std::array<std::array<float, kMaxPoints>, kChannels> m_y2{};
    CurvesTables m_tables;
};

namespace adjust {

// The curves routine: on 3-byte planes blue <- t0[t3[blue]], green <- t0[t2[green]],
// red <- t0[t1[red]]; on 1-byte planes value <- t0[value]. False when the planes do not match.
bool ApplyCurves(const ImagePlane& source, const ImagePlane& destination, const CurvesTables& tables);

// The two look-ups of each channel folded into one table per channel.
PixelTables ComposeCurvesTables(const CurvesTables& tables);

// The curves operation: the curves of a ".curves" file.
const ops::Operation& CurvesOperation();

}  // namespace adjust
