// Table look-up over planes, split by rows between the cores.
#include "adjust/framework/pixeltables.h"

#include "adjust/framework/parallel.h"

namespace adjust {

ByteTable IdentityTable() {
    ByteTable t{};
    for (int i = 0; i < 256; ++i) t[static_cast<size_t>(i)] = static_cast<uint8_t>(i);
    return t;
}

PixelTables SameTables(const ByteTable& table) { return PixelTables{table, table, table, table}; }

bool PlanesMatch(const ImagePlane& source, const ImagePlane& destination) {
    if (!source.IsValid() || !destination.IsValid()) return false;
    if (source.width != destination.width || source.height != destination.height) return false;
    if (source.channels != destination.channels) return false;
    if (source.channels != 1 && source.channels != 3) return false;
    int64_t rowBytes = static_cast<int64_t>(source.width) * source.channels;
    return source.stride >= rowBytes && destination.stride >= rowBytes;
}

namespace {

void ApplyRows3(const ImagePlane& src, const ImagePlane& dst, const PixelTables& t, int32_t y0, int32_t y1) {
    const uint8_t* tb = t.blue.data();
    const uint8_t* tg = t.green.data();
    const uint8_t* tr = t.red.data();
    for (int32_t y = y0; y < y1; ++y) {
        const uint8_t* s = src.Row(y);
        uint8_t* d = dst.Row(y);
        const uint8_t* end = s + static_cast<ptrdiff_t>(src.width) * 3;
        // Four pixels per step keeps twelve independent loads in flight.
        for (; end - s >= 12; s += 12, d += 12) {
            d[0] = tb[s[0]]; d[1] = tg[s[1]]; d[2] = tr[s[2]];
            d[3] = tb[s[3]]; d[4] = tg[s[4]]; d[5] = tr[s[5]];
            d[6] = tb[s[6]]; d[7] = tg[s[7]]; d[8] = tr[s[8]];
            d[9] = tb[s[9]]; d[10] = tg[s[10]]; d[11] = tr[s[11]];
        }
        for (; s < end; s += 3, d += 3) {
            d[0] = tb[s[0]];
            d[1] = tg[s[1]];
            d[2] = tr[s[2]];
        }
    }
}

void ApplyRows1(const ImagePlane& src, const ImagePlane& dst, const ByteTable& table, int32_t y0, int32_t y1) {
    const uint8_t* t = table.data();
    for (int32_t y = y0; y < y1; ++y) {
        const uint8_t* s = src.Row(y);
        uint8_t* d = dst.Row(y);
        for (int32_t x = 0; x < src.width; ++x) d[x] = t[s[x]];
    }
}

}  // namespace

bool ApplyPixelTables(const ImagePlane& source, const ImagePlane& destination, const PixelTables& tables) {
    if (!PlanesMatch(source, destination)) return false;
    if (source.channels == 3) {
        ParallelRows(source.height, [&](int32_t y0, int32_t y1) { ApplyRows3(source, destination, tables, y0, y1); });
    } else {
        ParallelRows(source.height, [&](int32_t y0, int32_t y1) { ApplyRows1(source, destination, tables.grey, y0, y1); });
    }
    return true;
}

}  // namespace adjust
