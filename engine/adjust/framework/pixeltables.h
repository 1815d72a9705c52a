#pragma once
// Per-channel 256-entry table look-up over a whole plane: the inner loop shared by the
// levels, curves, brightness and boost routines.
#include <array>
#include <cstdint>

#include "core/imageplane.h"

namespace adjust {

using ByteTable = std::array<uint8_t, 256>;

// The identity table (entry i is i).
ByteTable IdentityTable();

// One table per byte position of a 3-byte pixel, and one for 1-byte (grey) planes.
struct PixelTables {
    ByteTable blue;
    ByteTable green;
    ByteTable red;
    ByteTable grey;
};

// PixelTables that send every byte through the same table.
PixelTables SameTables(const ByteTable& table);

// True when the two planes can be used as source and destination of a per-pixel routine:
// both valid, same width, height and channel count (1 or 3), strides large enough.
bool PlanesMatch(const ImagePlane& source, const ImagePlane& destination);

// dst = table[src] for every byte: blue, green and red through their own tables on
// 3-byte planes, the grey table on 1-byte planes. Rows are split between the cores.
// False (nothing written) when the planes do not match.
bool ApplyPixelTables(const ImagePlane& source, const ImagePlane& destination, const PixelTables& tables);

}  // namespace adjust
