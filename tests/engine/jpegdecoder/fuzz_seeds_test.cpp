// Writes the seed corpus of the decoder fuzz target (fuzz/decoder_fuzz.cpp) into
// <bin>/fuzz-seeds/decoder: one small file per process, sampling and colour space the
// decoder handles. Each seed must decode, so the fuzzer starts from valid structure.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "decoder_test_util.h"
#include "lossless_writer.h"

using namespace dectest;
using refjpeg::Space;

namespace {

TEST(JpegDecoderFuzzSeeds, WritesDecodableSeeds) {
    struct Seed {
        const char* name;
        Space input, space;
        int hs, vs, restart;
        bool progressive;
    };
    const Seed seeds[] = {
        {"baseline420", Space::RGB, Space::YCbCr, 2, 2, 0, false},
        {"baseline422", Space::RGB, Space::YCbCr, 2, 1, 0, false},
        {"baseline1x2", Space::RGB, Space::YCbCr, 1, 2, 0, false},
        {"baseline444restart", Space::RGB, Space::YCbCr, 1, 1, 2, false},
        {"grey", Space::Grey, Space::Grey, 1, 1, 0, false},
        {"progressive420", Space::RGB, Space::YCbCr, 2, 2, 0, true},
        {"progressive422restart", Space::RGB, Space::YCbCr, 2, 1, 3, true},
        {"adobergb", Space::RGB, Space::RGB, 1, 1, 0, false},
        {"ycck", Space::CMYK, Space::YCCK, 2, 2, 0, false},
    };
    std::filesystem::path dir = std::filesystem::path(LUMARET_BIN_DIR) / "fuzz-seeds" / "decoder";
    std::filesystem::create_directories(dir);
    auto write = [&](const std::string& name, const std::vector<uint8_t>& bytes) {
        std::ofstream out(dir / (name + ".jpg"), std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<long>(bytes.size()));
        ASSERT_TRUE(out.good()) << name;
    };
    for (const Seed& s : seeds) {
        refjpeg::EncodeOptions options;
        options.input = s.input;
        options.jpegSpace = s.space;
        options.hSamp = s.hs;
        options.vSamp = s.vs;
        options.restartInterval = s.restart;
        options.progressive = s.progressive;
        options.quality = 75;
        int channels = s.input == Space::Grey ? 1 : (s.input == Space::CMYK ? 4 : 3);
        std::vector<uint8_t> jpeg = refjpeg::Encode(MakeImage(24, 17, channels, 21), options);
        bool cmyk = s.input == Space::CMYK;
        ASSERT_EQ(DecodeOwn(jpeg, cmyk ? jpegdec::kColorCMYK : jpegdec::kColorBGR, cmyk ? 4 : 3).status,
                  jpegdec::kOk)
            << s.name;
        write(s.name, jpeg);
    }
    LosslessOptions lossless;
    lossless.predictor = 5;
    lossless.adobeRgb = true;
    lossless.restartInterval = 12;
    std::vector<uint8_t> jpeg = EncodeLossless(MakeImage(12, 9, 3, 2), lossless);
    ASSERT_EQ(DecodeOwn(jpeg).status, jpegdec::kOk);
    write("lossless", jpeg);
}

}  // namespace
