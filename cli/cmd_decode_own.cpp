// decode --own: decodes a JPEG file with the built-in decoder (the one used for embedded
// thumbnails) instead of the codec component.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

#include "command.h"
#include "core/imagebuffer.h"
#include "decode_own.h"
#include "jpegdecoder/jpegdecoder.h"
#include "ppm.h"

namespace cli {

int DecodeWithOwnDecoder(const std::string& in, const std::string& out) {
    std::ifstream file(in, std::ios::binary);
    if (!file) return Fail(in + ": cannot be read");
    std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    if (file.bad()) return Fail(in + ": cannot be read");

    CJPEGDecoder decoder;
    decoder.SetSource(bytes.data(), bytes.size());
    int width = 0, height = 0, components = 0, precision = 0, colorSpace = 0, sampling = 0;
    int status = decoder.ReadHeader(width, height, components, precision, colorSpace, sampling);
    if (status != jpegdec::kOk)
        return Fail(in + ": the built-in decoder failed with status " + std::to_string(status));

    CImageBuffer image;
    if (!image.Create(width, height)) {
        std::fprintf(stderr, "lumaret-cli: not enough memory for %s (%d x %d)\n", in.c_str(),
                     width, height);
        return kExitFailure;
    }
    decoder.SetDestination(image.Data(), width, height, image.Stride(), 8, 3, jpegdec::kColorBGR,
                           jpegdec::kSampling444);
    status = decoder.Decode();
    decoder.Clean();
    if (status != jpegdec::kOk)
        return Fail(in + ": the built-in decoder failed with status " + std::to_string(status));
    if (!WritePpm(out, image.Plane())) {
        std::fprintf(stderr, "lumaret-cli: cannot write %s\n", out.c_str());
        return kExitFailure;
    }
    return kExitOk;
}

}  // namespace cli
