// Every camera and sample file of the shared test data: no crash, the same verdict as
// libjpeg-turbo's own tool, and byte-identical pixels.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <sstream>
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

// The string value of `"key": "..."` or the number of `"key": n` at or after `from`,
// searching no further than `end`.
std::string JsonValue(const std::string& text, const std::string& key, size_t from, size_t end) {
    const size_t at = text.find("\"" + key + "\":", from);
    if (at == std::string::npos || at >= end) return {};
    size_t p = at + key.size() + 3;
    while (p < text.size() && text[p] == ' ') ++p;
    if (p < text.size() && text[p] == '"') {
        const size_t close = text.find('"', p + 1);
        return close == std::string::npos ? std::string() : text.substr(p + 1, close - p - 1);
    }
    size_t q = p;
    while (q < text.size() && (std::isdigit(static_cast<unsigned char>(text[q])) || text[q] == '-')) ++q;
    return text.substr(p, q - p);
}

// The libjpeg-turbo 2.1.5 verdicts recorded next to the files (the library this build uses).
std::vector<Verdict> LoadVerdicts() {
    std::ifstream in(kDataDir + "/exiftool-reading.json");
    std::stringstream buffer;
    buffer << in.rdbuf();
    const std::string text = buffer.str();
    std::vector<Verdict> verdicts;
    // Entries sit at the top level of "files"; nested thumbnail records are indented deeper.
    const std::string entryStart = "\n   \"file\": \"";
    size_t at = text.find(entryStart);
    while (at != std::string::npos) {
        const size_t next = text.find(entryStart, at + 1);
        const size_t end = next == std::string::npos ? text.size() : next;
        Verdict v;
        v.file = JsonValue(text, "file", at, end);
        const size_t main = text.find("\"decode_main\"", at);
        const size_t decode = main < end ? text.find("\"libjpeg-turbo-2.1.5\"", main) : end;
        if (decode < end) {
            v.status = JsonValue(text, "status", decode, end);
            const std::string w = JsonValue(text, "width", decode, end);
            const std::string h = JsonValue(text, "height", decode, end);
            v.width = w.empty() ? 0 : std::stoi(w);
            v.height = h.empty() ? 0 : std::stoi(h);
        }
        verdicts.push_back(v);
        at = next;
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
