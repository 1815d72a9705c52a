#pragma once
// Black-and-white and the three sepia tonings.
#include <cstdint>

#include "core/imageplane.h"
#include "core/operation.h"

namespace adjust {

enum class BlackWhiteMode : int32_t {
    BlackAndWhite = 1,
    SepiaAntique = 2,
    SepiaSpring = 3,
    SepiaSpringVivid = 4,
};

struct BlackWhiteParams {
    BlackWhiteMode mode = BlackWhiteMode::BlackAndWhite;
};

// True for the four modes above.
bool IsBlackWhiteMode(int32_t mode);

// Converts a 3-byte plane: grey by luminance weights, antique sepia by a colour matrix,
// or (spring modes) the hue 32 degrees with a fixed saturation at the pixel's intensity.
// False (nothing written) for planes that do not match or an unknown mode.
bool ApplyBlackWhite(const ImagePlane& source, const ImagePlane& destination, const BlackWhiteParams& params);

// The black-and-white and sepia operation.
const ops::Operation& BlackWhiteOperation();

}  // namespace adjust
