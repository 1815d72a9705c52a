// decode and encode: JPEG to PPM and back through the codec component.
#include <charconv>
#include <cstdio>
#include <mutex>
#include <string>

#include "codec/codeclock.h"
#include "codec/jpegcodec.h"
#include "command.h"
#include "decode_own.h"
#include "core/imagebuffer.h"
#include "platform/safewrite.h"
#include "ppm.h"

namespace cli {
namespace {

// Parses a whole argument as a decimal integer in [low, high].
bool ParseInt(const std::string& text, int low, int high, int& value) {
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end && value >= low && value <= high;
}

struct DecodeOptions {
    std::string input;
    std::string output;
    int scale = 1;
};

// Fills `options` from the arguments; false on anything unknown or missing.
bool ParseDecodeArgs(const Args& args, DecodeOptions& options) {
    int positional = 0;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--scale") {
            if (++i == args.size() || !ParseInt(args[i], 1, 8, options.scale)) return false;
            if ((options.scale & (options.scale - 1)) != 0) return false;  // 1, 2, 4 or 8
        } else if (arg.size() > 1 && arg[0] == '-') {
            return false;
        } else if (positional == 0) {
            options.input = arg;
            ++positional;
        } else if (positional == 1) {
            options.output = arg;
            ++positional;
        } else {
            return false;
        }
    }
    return positional == 2;
}

// decode IN.jpg OUT.ppm [--scale 1|2|4|8]: the codec's decoding written as binary PPM.
int RunDecode(const Args& args) {
    DecodeOptions options;
    // --own: the built-in thumbnail decoder instead of the codec component.
    if (!args.empty() && args[0] == "--own") {
        return args.size() == 3 ? DecodeWithOwnDecoder(args[1], args[2]) : UsageError("decode");
    }
    if (!ParseDecodeArgs(args, options)) return UsageError("decode");

    CImageBuffer image;
    int result = kJpegReadFailed;
    {
        std::lock_guard<std::mutex> guard(CodecLock());
        int width = 0, height = 0, components = 0;
        if (!getJPEGFileInfo(options.input.c_str(), &width, &height, &components)) {
            return Fail(options.input + ": not a readable JPEG file");
        }
        const int scaledWidth = (width + options.scale - 1) / options.scale;
        const int scaledHeight = (height + options.scale - 1) / options.scale;
        if (!image.Create(scaledWidth, scaledHeight)) {
            readJPEGfile(nullptr, options.scale);  // forget the opened file
            std::fprintf(stderr, "lumaret-cli: not enough memory for %s (%d x %d)\n",
                         options.input.c_str(), scaledWidth, scaledHeight);
            return kExitFailure;
        }
        result = readJPEGfile(image.Data(), options.scale);
    }
    if (result == kJpegReadFailed) return Fail(options.input + ": the JPEG data cannot be decoded");
    if (result == kJpegReadRepaired) {
        std::fprintf(stderr, "lumaret-cli: warning: %s has damaged or missing data\n",
                     options.input.c_str());
    }
    std::string error;
    if (!WritePpm(options.output, image.Plane(), error)) {
        std::fprintf(stderr, "lumaret-cli: cannot write %s: %s\n", options.output.c_str(), error.c_str());
        return kExitFailure;
    }
    return kExitOk;
}

// encode IN.ppm OUT.jpg [--quality 1..100]: a binary PPM written through the codec.
int RunEncode(const Args& args) {
    std::string input, output;
    int quality = 90;
    int positional = 0;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--quality") {
            if (++i == args.size() || !ParseInt(args[i], 1, 100, quality)) return UsageError("encode");
        } else if (arg.size() > 1 && arg[0] == '-') {
            return UsageError("encode");
        } else if (positional < 2) {
            (positional++ == 0 ? input : output) = arg;
        } else {
            return UsageError("encode");
        }
    }
    if (positional != 2) return UsageError("encode");

    CImageBuffer image;
    std::string error;
    if (!ReadPpm(input, image, error)) return Fail(error);
    // Encoded into a temporary file that replaces the output only when complete.
    const bool written = platform::ReplaceFileByPath(output, [&](const std::string& temp) {
        return writeJPEGfile(temp.c_str(), image.Width(), image.Height(), image.Data(), quality) != 0;
    }, error);
    if (!written) {
        std::fprintf(stderr, "lumaret-cli: cannot write %s: %s\n", output.c_str(), error.c_str());
        return kExitFailure;
    }
    return kExitOk;
}

const CommandRegistration decodeRegistration{
    {"decode", "decode IN.jpg OUT.ppm [--scale 1|2|4|8]\ndecode --own IN.jpg OUT.ppm", &RunDecode}};
const CommandRegistration encodeRegistration{
    {"encode", "encode IN.ppm OUT.jpg [--quality 1..100]", &RunEncode}};

}  // namespace
}  // namespace cli
