// CJPEGDecoder on the real camera and library sample files of the shared test data, and
// on the thumbnails embedded in them: never a crash; where libjpeg-turbo decodes a file
// cleanly the pixels are compared.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "decoder_test_util.h"

using namespace dectest;
namespace fs = std::filesystem;

namespace {

// Every SOI ... EOI run inside an APP1 segment before the first scan: the embedded thumbnails.
std::vector<std::vector<uint8_t>> EmbeddedJpegs(const std::vector<uint8_t>& file) {
    std::vector<std::vector<uint8_t>> found;
    for (size_t pos = 2; pos + 4 <= file.size() && file[pos] == 0xFF && file[pos + 1] != 0xDA;) {
        const size_t end = std::min(file.size(), pos + 2 + size_t(file[pos + 2] << 8 | file[pos + 3]));
        for (size_t i = pos + 4; file[pos + 1] == 0xE1 && i + 3 < end; ++i) {
            if (file[i] != 0xFF || file[i + 1] != 0xD8 || file[i + 2] != 0xFF) continue;
            size_t j = i + 2;
            while (j + 1 < end && !(file[j] == 0xFF && file[j + 1] == 0xD9)) ++j;
            found.emplace_back(file.begin() + long(i), file.begin() + long(std::min(j + 2, end)));
            i = j;
        }
        pos = end;
    }
    return found;
}

struct Tally {
    int decoded = 0, compared = 0, refused = 0;
};

// Decodes with both decoders; the result must be exact where the upsampling matches.
void CheckOne(const std::vector<uint8_t>& jpeg, const std::string& name, Tally& tally) {
    Result own = DecodeOwn(jpeg);
    ASSERT_TRUE(own.status <= 0 && own.status >= jpegdec::kBadGreySampling) << name << " " << own.status;
    const bool cmyk = own.status == jpegdec::kUnsupported &&
                      (own.colorSpace == jpegdec::kColorCMYK || own.colorSpace == jpegdec::kColorYCCK);
    if (cmyk) own = DecodeOwn(jpeg, jpegdec::kColorCMYK, 4);
    if (own.status != jpegdec::kOk) {
        ++tally.refused;
        return;
    }
    ++tally.decoded;
    int warnings = -1;
    const Picture reference = codectest::DecodeJpeg(jpeg, 1, &warnings, cmyk ? JCS_CMYK : JCS_EXT_BGR,
                                                    own.sampling != jpegdec::kSampling1x2);
    if (reference.samples.empty() || warnings != 0) return;
    // Files read as RGB are left out: libjpeg-turbo decides that colour space by rules of its own.
    if (own.colorSpace == jpegdec::kColorRGB || own.sampling == jpegdec::kSamplingOther || own.width < 5) return;
    ++tally.compared;
    EXPECT_EQ(MaxDifference(own.image, reference), 0) << name;
}

TEST(JpegDecoderSampleFiles, DecodeLikeLibjpeg) {
    const fs::path root = fs::path(LUMARET_TESTDATA_DIR) / "jpeg";
    std::vector<fs::path> files;
    if (fs::is_directory(root))
        for (const auto& entry : fs::recursive_directory_iterator(root)) {
            std::string ext = entry.path().extension().string();
            std::transform(ext.begin(), ext.end(), ext.begin(), ::tolower);
            if (entry.is_regular_file() && (ext == ".jpg" || ext == ".jpeg" || ext == ".mpo")) files.push_back(entry.path());
        }
    if (files.empty()) GTEST_SKIP() << "no shared test data";
    std::sort(files.begin(), files.end());
    Tally main, thumbnails;
    for (const auto& path : files) {
        const std::vector<uint8_t> bytes = codectest::ReadFileBytes(path.string());
        const std::string name = path.filename().string();
        CheckOne(bytes, name, main);
        int index = 0;
        for (const auto& thumbnail : EmbeddedJpegs(bytes))
            CheckOne(thumbnail, name + " thumbnail " + std::to_string(index++), thumbnails);
    }
    std::printf("files: %zu, decoded %d, compared %d, refused %d; thumbnails: decoded %d, compared %d, refused %d\n",
                files.size(), main.decoded, main.compared, main.refused, thumbnails.decoded, thumbnails.compared,
                thumbnails.refused);
    EXPECT_GT(main.compared, 50);
    EXPECT_GT(thumbnails.compared, 10);
}

}  // namespace
