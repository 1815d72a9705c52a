// Every camera and sample file of the shared test data: no crash, the same verdict as
// libjpeg-turbo's own tool, and byte-identical pixels.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

#include "codec/jpegcodec.h"
#include "codec_test_util.h"

using namespace codectest;

namespace {

const std::string kDataDir = std::string(LUMARET_TESTDATA_DIR) + "/jpeg";

struct Verdict {
    std::string file;
    std::string status;  // "ok", "warning" or "error" from libjpeg-turbo's decoding tool
    int width = 0, height = 0;
};

// The libjpeg-turbo 2.1.5 verdicts recorded next to the files (the library this build uses).
std::vector<Verdict> LoadVerdicts() {
    std::ifstream in(kDataDir + "/exiftool-reading.json");
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // Entries sit at the top level of "files"; nested thumbnail records are indented deeper.
    const std::regex entry("\n   \"file\": \"([^\"]+)\""), decode("\"decode_main\": \\{\\s*\"libjpeg-turbo-2\\.1\\.5\": \\{([^}]*)\\}");
    const std::regex status("\"status\": \"(\\w+)\""), width("\"width\": (\\d+)"), height("\"height\": (\\d+)");
    std::vector<Verdict> verdicts;
    for (std::sregex_iterator it(text.begin(), text.end(), entry), end; it != end; ++it) {
        const auto next = std::next(it);
        const auto stop = next == end ? text.end() : text.begin() + next->position();
        Verdict v{(*it)[1], "", 0, 0};
        std::smatch m, field;
        if (std::regex_search(text.begin() + it->position(), stop, m, decode)) {
            const std::string fields = m[1];
            if (std::regex_search(fields, field, status)) v.status = field[1];
            if (std::regex_search(fields, field, width)) v.width = std::stoi(field[1]);
            if (std::regex_search(fields, field, height)) v.height = std::stoi(field[1]);
        }
        verdicts.push_back(v);
    }
    return verdicts;
}

TEST(CodecTestData, EveryFileHandledLikeLibjpegTurbo) {
    if (!std::filesystem::exists(kDataDir + "/exiftool-reading.json")) GTEST_SKIP() << "no test data";
    const std::vector<Verdict> verdicts = LoadVerdicts();
    ASSERT_EQ(verdicts.size(), 100u);
    int decoded = 0;
    for (const Verdict& v : verdicts) {
        SCOPED_TRACE(v.file);
        ASSERT_TRUE(v.status == "ok" || v.status == "warning" || v.status == "error") << v.status;
        const std::string path = kDataDir + "/" + v.file;
        const std::vector<uint8_t> bytes = ReadFileBytes(path);
        for (int divisor : {1, 8}) {
            SCOPED_TRACE(divisor);
            const CodecDecode d = DecodeWithCodec(path, divisor);
            if (v.status == "error") {
                EXPECT_TRUE(d.info == 0 || d.result == kJpegReadFailed);
                continue;
            }
            ASSERT_NE(d.info, 0);
            EXPECT_EQ(d.result, v.status == "ok" ? kJpegReadOk : kJpegReadRepaired);
            EXPECT_TRUE(d.GuardIntact());
            if (divisor == 1) {
                EXPECT_EQ(d.width, v.width);
                EXPECT_EQ(d.height, v.height);
            }
            // Four-component files are compared with their inverted-ink conversion elsewhere.
            if (d.components != 4) {
                EXPECT_EQ(CountDifferences(d, DecodeJpeg(bytes, divisor)), 0);
            }
            decoded += divisor == 1;
        }
    }
    EXPECT_EQ(decoded, 99);
}

}  // namespace
