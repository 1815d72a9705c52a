// libFuzzer target: arbitrary bytes through CJPEGDecoder's ReadHeader and Decode, into a
// destination buffer of exactly the size the output needs (so any overrun is caught).
#include <cstddef>
#include <cstdint>
#include <vector>

#include "jpegdecoder/jpegdecoder.h"

namespace {

struct Output {
    int colorSpace;
    int channels;
    int sampling;
};

// One of the outputs the decoder offers for this JPEG colour space; `pick` varies it.
Output ChooseOutput(int jpegSpace, int components, int sampling, unsigned pick) {
    switch (jpegSpace) {
    case jpegdec::kColorGrey:
        return pick % 2 ? Output{jpegdec::kColorGrey, 1, 0} : Output{jpegdec::kColorBGR, 3, 0};
    case jpegdec::kColorYCbCr:
        if (sampling == jpegdec::kSampling422 && pick % 3 == 0)
            return {jpegdec::kColorYCbCr, 2, jpegdec::kSampling422};
        return pick % 2 ? Output{jpegdec::kColorRGB, 3, 0} : Output{jpegdec::kColorBGR, 3, 0};
    case jpegdec::kColorRGB:
        return {jpegdec::kColorBGR, 3, 0};
    case jpegdec::kColorCMYK:
    case jpegdec::kColorYCCK:
        return {jpegdec::kColorCMYK, 4, 0};
    default:
        return {jpegdec::kColorUnknown, components, 0};
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CJPEGDecoder decoder;
    // Keeps every run's memory small; larger frames are refused before any allocation.
    decoder.SetMaxPixels(uint64_t{1} << 20);
    decoder.SetSource(data, size);
    int width = 0, height = 0, components = 0, precision = 0, space = 0, sampling = 0;
    if (decoder.ReadHeader(width, height, components, precision, space, sampling) != 0) return 0;
    Output out = ChooseOutput(space, components, sampling, static_cast<unsigned>(size));
    int rowBytes = out.colorSpace == jpegdec::kColorYCbCr ? (width + 1) / 2 * 4 : width * out.channels;
    int stride = (rowBytes + 3) & ~3;
    std::vector<uint8_t> buffer(static_cast<size_t>(stride) * static_cast<size_t>(height));
    decoder.SetDestination(buffer.data(), width, height, stride, 8, out.channels, out.colorSpace,
                           out.sampling);
    decoder.Decode();
    decoder.Clean();
    return 0;
}
