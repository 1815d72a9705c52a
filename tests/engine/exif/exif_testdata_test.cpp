// Our reading of the real-world test files compared with exiftool's.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "exif/exif.h"
#include "exif/exifformat.h"
#include "json_reader.h"

TEST(ExifTestdata, AgreesWithExiftool) {
    const std::filesystem::path dir = std::filesystem::path(LUMARET_TESTDATA_DIR) / "jpeg";
    std::ifstream in(dir / "exiftool-reading.json", std::ios::binary);
    if (!in) GTEST_SKIP() << "test data not found at " << dir;
    std::stringstream text;
    text << in.rdbuf();
    const std::string json = text.str();
    testjson::Flat ref;
    ASSERT_TRUE(testjson::Parser(json).Parse(ref)) << "cannot parse exiftool-reading.json";
    ASSERT_EQ(ref["files#"], "100");

    for (int i = 0; i < 100; ++i) {
        const std::string file = "files." + std::to_string(i) + ".", et = file + "exiftool.", jpeg = file + "jpeg.";
        auto has = [&](const std::string& key) { return ref.count(key) != 0; };
        auto number = [&](const std::string& key) { return has(key) ? std::strtod(ref.at(key).c_str(), nullptr) : 0.0; };
        SCOPED_TRACE(ref[file + "file"]);
        CExif exif((dir / ref[file + "file"]).string());
        ASSERT_EQ(exif.Read(), 0);

        const int order = exif.Section().ByteOrder();
        EXPECT_EQ(order == 1 ? "II" : order == 2 ? "MM" : "none", has(et + "ByteOrder") ? ref[et + "ByteOrder"] : "none");
        // exiftool reports IFD0's orientation, else IFD1's; ours defaults to 1.
        EXPECT_EQ(exif.GetOrientation(), has(et + "Orientation") ? int(number(et + "Orientation")) : 1);
        EXPECT_EQ(exif.GetDateTaken().value_or("(none)"), has(et + "DateTimeOriginal") ? ref[et + "DateTimeOriginal"] : "(none)");

        int w = 0, h = 0, c = 0;
        exif.GetImageSize(w, h, c);
        if (has(jpeg + "width")) {
            EXPECT_EQ(w, int(number(jpeg + "width")));
            EXPECT_EQ(h, int(number(jpeg + "height")));
            EXPECT_EQ(c, int(number(jpeg + "components")));
        }

        // Every directory the structural probe found is read, also where one of its entries
        // is broken (the entry alone is left out).
        const std::pair<const char*, uint32_t> directories[] = {
            {"IFD0", kIfd0}, {"ExifIFD", kIfdExif}, {"GPS", kIfdGps}, {"InteropIFD", kIfdInterop}, {"IFD1", kIfd1}};
        for (const auto& [name, id] : directories) {
            if (has(file + "exif_probe.ifds." + name + ".entries")) {
                EXPECT_NE(exif.Section().FindDirectory(id), nullptr) << name;
            }
        }

        // exiftool's thumbnail offset counts from the start of the file. A zero length means
        // no thumbnail, whatever the offset says.
        if (has(et + "ThumbnailOffset") && number(et + "ThumbnailLength") > 0) {
            EXPECT_EQ(exif.GetThumbnailSize(), size_t(number(et + "ThumbnailLength")));
            if (const CJpegSegment* segment = exif.ExifSegment()) {
                EXPECT_EQ(segment->fileOffset + 8 + exif.Section().ThumbnailOffset(), uint64_t(number(et + "ThumbnailOffset")));
            }
        } else {
            EXPECT_EQ(exif.GetThumbnailSize(), 0u);
        }
    }
}

// Real files whose ASCII values leave the terminating zero out of their count: every stored
// character is shown (exiftool reads the same versions; it trims the Software text's last
// character, a space, which we keep as stored).
TEST(ExifTestdata, TextsCountedWithoutTheirZero) {
    const std::filesystem::path dir = std::filesystem::path(LUMARET_TESTDATA_DIR) / "jpeg" / "exiftool";
    if (!std::filesystem::exists(dir)) GTEST_SKIP() << "test data not found at " << dir;
    const struct {
        const char* file;
        uint16_t tag;
        const char* text;
    } cases[] = {
        {"FLIR.jpg", 0x9000, "0220"},                   // Exif version as ASCII, count 4
        {"FLIR.jpg", 0xA000, "0100"},                   // FlashPix version, likewise
        {"Unknown.jpg", 0x131, "RO-dk4010 Ver 1.00 "},  // Software, count 19
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        CExif exif((dir / c.file).string());
        ASSERT_EQ(exif.Read(), 0);
        const CIFDEntry* entry = exif.Section().FindEntry(c.tag);
        ASSERT_NE(entry, nullptr);
        EXPECT_EQ(entry->Type(), kTiffAscii);
        std::string name, value;
        ASSERT_TRUE(FormatEntry(*entry, name, value));
        EXPECT_EQ(value, c.text);
    }
}
