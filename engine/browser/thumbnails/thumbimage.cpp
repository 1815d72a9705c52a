#include "browser/thumbnails/thumbimage.h"

#include <cstdio>
#include <cstring>
#include <ctime>
#include <mutex>

namespace thumbs {

bool OrientationSwapsSides(int orientation) { return orientation >= 5 && orientation <= 8; }

bool OrientPixels(const ImagePlane& src, const ImagePlane& dst, int orientation) {
    if (!src.IsValid() || !dst.IsValid() || src.channels != 3 || dst.channels != 3) return false;
    if (orientation < 1 || orientation > 8) orientation = 1;
    const bool swap = OrientationSwapsSides(orientation);
    const int32_t w = src.width, h = src.height;
    if (dst.width != (swap ? h : w) || dst.height != (swap ? w : h)) return false;
    for (int32_t y = 0; y < dst.height; ++y) {
        uint8_t* out = dst.Row(y);
        for (int32_t x = 0; x < dst.width; ++x, out += 3) {
            int32_t sx = x, sy = y;
            switch (orientation) {
                case 2: sx = w - 1 - x; break;
                case 3: sx = w - 1 - x; sy = h - 1 - y; break;
                case 4: sy = h - 1 - y; break;
                case 5: sx = y; sy = x; break;
                case 6: sx = y; sy = h - 1 - x; break;
                case 7: sx = w - 1 - y; sy = h - 1 - x; break;
                case 8: sx = w - 1 - y; sy = x; break;
                default: break;
            }
            const uint8_t* in = src.Row(sy) + static_cast<ptrdiff_t>(sx) * 3;
            out[0] = in[0];
            out[1] = in[1];
            out[2] = in[2];
        }
    }
    return true;
}

FitSize FitInto(int32_t width, int32_t height, int32_t maxWidth, int32_t maxHeight) {
    if (width <= 0 || height <= 0 || maxWidth <= 0 || maxHeight <= 0) return {};
    const float sx = static_cast<float>(maxWidth) / static_cast<float>(width);
    const float sy = static_cast<float>(maxHeight) / static_cast<float>(height);
    const float s = sx < sy ? sx : sy;
    auto side = [s](int32_t length, int32_t limit) {
        int32_t v = static_cast<int32_t>(static_cast<float>(length) * s + 0.5f);
        // A picture many thousand times wider than high would otherwise lose a side.
        return v < 1 ? 1 : (v > limit ? limit : v);
    };
    return {side(width, maxWidth), side(height, maxHeight)};
}

std::optional<FileTime> ParseExifDate(const std::string& text) {
    // The first two colons separate the date's parts; the rest the time's.
    std::string t = text;
    for (int replaced = 0, i = 0; i < static_cast<int>(t.size()) && replaced < 2; ++i) {
        if (t[i] == ':') {
            t[i] = '/';
            ++replaced;
        }
    }
    int year, month, day, hour, minute, second;
    char tail = 0;
    const int n = std::sscanf(t.c_str(), "%4d/%2d/%2d %2d:%2d:%2d%c", &year, &month, &day, &hour, &minute,
                              &second, &tail);
    if (n != 6) return std::nullopt;
    if (year < 1601 || year > 9999 || month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 ||
        minute > 59 || second > 60 || hour < 0 || minute < 0 || second < 0)
        return std::nullopt;
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    tm.tm_isdst = -1;
    std::time_t seconds;
    {
        // mktime reads the process' time-zone state; the workers call it side by side.
        static std::mutex zoneLock;
        std::lock_guard<std::mutex> lock(zoneLock);
        seconds = std::mktime(&tm);
    }
    // mktime moves 31 February to March; such a date is not real.
    if (seconds == static_cast<std::time_t>(-1) || tm.tm_mday != day || tm.tm_mon != month - 1) return std::nullopt;
    return FileTime::FromUnix(static_cast<int64_t>(seconds), 0);
}

}  // namespace thumbs
