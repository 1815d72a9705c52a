// Our reading of the real-world test files compared with exiftool's.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "exif/exif.h"
#include "json_reader.h"

namespace {

const std::filesystem::path kJpegDir = std::filesystem::path(LUMARET_TESTDATA_DIR) / "jpeg";

struct Reference {
    testjson::Value root;
    bool ok = false;
};

const Reference& LoadReference() {
    static Reference ref = [] {
        Reference r;
        std::ifstream in(kJpegDir / "exiftool-reading.json", std::ios::binary);
        if (!in) return r;
        std::stringstream text;
        text << in.rdbuf();
        std::string s = text.str();
        r.ok = testjson::Parser(s).Parse(r.root);
        return r;
    }();
    return ref;
}

std::string ByteOrderName(int order) { return order == 1 ? "II" : order == 2 ? "MM" : "none"; }

}  // namespace

TEST(ExifTestdata, AgreesWithExiftool) {
    if (!std::filesystem::exists(kJpegDir / "exiftool-reading.json"))
        GTEST_SKIP() << "test data not found at " << kJpegDir;
    const Reference& ref = LoadReference();
    ASSERT_TRUE(ref.ok) << "cannot parse exiftool-reading.json";
    const auto& files = ref.root["files"].items;
    ASSERT_EQ(files.size(), 100u);

    for (const testjson::Value& f : files) {
        const std::string name = f["file"].text;
        SCOPED_TRACE(name);
        const testjson::Value& et = f["exiftool"];
        const testjson::Value& jpeg = f["jpeg"];
        CExif exif((kJpegDir / name).string());
        ASSERT_EQ(exif.Read(), 0);

        // Byte order of the EXIF block.
        const std::string order = et.Has("ByteOrder") ? et["ByteOrder"].text : "none";
        EXPECT_EQ(ByteOrderName(exif.Section().ByteOrder()), order);

        // Orientation: exiftool reports IFD0's, else IFD1's; ours defaults to 1.
        const int orientation = et.Has("Orientation") ? static_cast<int>(et["Orientation"].number) : 1;
        EXPECT_EQ(exif.GetOrientation(), orientation);

        const auto date = exif.GetDateTaken();
        if (et.Has("DateTimeOriginal")) {
            EXPECT_EQ(date.value_or("(none)"), et["DateTimeOriginal"].text);
        } else {
            EXPECT_FALSE(date.has_value()) << *date;
        }

        int w = 0, h = 0, c = 0;
        exif.GetImageSize(w, h, c);
        if (!jpeg["sof"].IsNull()) {
            EXPECT_EQ(w, static_cast<int>(jpeg["width"].number));
            EXPECT_EQ(h, static_cast<int>(jpeg["height"].number));
            EXPECT_EQ(c, static_cast<int>(jpeg["components"].number));
        }

        // exiftool's thumbnail offset counts from the start of the file.
        // A zero length means no thumbnail, whatever the offset says.
        if (et.Has("ThumbnailOffset") && et["ThumbnailLength"].number > 0) {
            const CJpegSegment* segment = exif.ExifSegment();
            EXPECT_EQ(exif.GetThumbnailSize(), static_cast<size_t>(et["ThumbnailLength"].number));
            if (segment) {
                EXPECT_EQ(segment->fileOffset + 8 + exif.Section().ThumbnailOffset(),
                          static_cast<uint64_t>(et["ThumbnailOffset"].number));
            }
        } else {
            EXPECT_EQ(exif.GetThumbnailSize(), 0u);
        }
    }
}
