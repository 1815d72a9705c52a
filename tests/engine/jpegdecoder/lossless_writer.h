#pragma once
// A small lossless (SOF3) JPEG writer for the tests: one Huffman table, 1x1 sampling.
// The installed libjpeg-turbo cannot write lossless files.
#include <cstdint>
#include <vector>

#include "codec_fixtures.h"

namespace dectest {

struct LosslessOptions {
    int predictor = 1;
    int pointTransform = 0;
    bool adobeRgb = false;    // three planes stored as RGB (no colour conversion on output)
    bool interleaved = true;  // one scan for all components, else one scan per component
    int restartInterval = 0;  // in MCUs
};

// Encodes 8-bit samples (1 or 3 channels) with the given predictor and point transform.
std::vector<uint8_t> EncodeLossless(const codectest::Picture& image, const LosslessOptions& options);

}  // namespace dectest
