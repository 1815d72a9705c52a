// lumaret-cli exif and info, run as a user would.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <sstream>

#include "../engine/exif/exif_fixtures.h"
#include "cli_run.h"
#include "codec/jpegcodec.h"
#include "core/imageplane.h"
#include "exif/exif.h"

using namespace fixture;

namespace {

class CliExif : public ::testing::Test {
protected:
    clitest::CliResult Run(const std::vector<std::string>& args, const std::string& env = {}) {
        return clitest::RunCli(LUMARET_CLI, args, dir.Path(), env);
    }
    std::string File(const std::string& name) const { return (dir / name).string(); }
    // Writes a camera file (maker and model that need escaping, orientation 6) as `name`.
    std::string Camera(const std::string& name, bool motorola, const std::vector<uint8_t>& thumbnail = {}) {
        Block b;
        b.motorola = motorola;
        b.ifd0 = {Ascii(0x10F, "Maker & Sons"), Ascii(0x110, "Model <7>\nline"), Short(0x112, {6})};
        b.exif = {Ascii(0x9003, "2018:01:02 03:04:05"), Rational(0x829D, {28, 10}), Short(0x9209, {16})};
        b.ifd1 = {Short(0x103, {6})};
        b.thumbnail = thumbnail;
        WriteFile(dir / name, Jpeg(Payload(b), 320, 240));
        return File(name);
    }
    TempDir dir;
};

}  // namespace

TEST_F(CliExif, PrintsTheReportRows) {
    auto run = Run({"exif", Camera("cam.jpg", true)});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out,
              "Make: Maker & Sons\nModel: Model <7> line\nDate/time taken: 2018:01:02 03:04:05\n"
              "Orientation: Rotate 90 deg.\nFlash: Did not fire, compulsory flash mode\nF number: f/2.8\n");
    WriteFile(dir / "plain.jpg", Jpeg({}));
    run = Run({"exif", File("plain.jpg")});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "");
    run = Run({"exif", File("missing.jpg")});
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("missing.jpg"), std::string::npos);
}

TEST_F(CliExif, HtmlReportUsesTheProgramFolderTemplate) {
    const std::string camera = Camera("cam.jpg", false);
    std::filesystem::create_directories(dir / "home" / "data");
    const std::string page = "<p>mine</p><table id=\"template_table_1\"></table>";
    WriteFile(dir / "home" / "data" / "exif.template.html", std::vector<uint8_t>(page.begin(), page.end()));
    auto run = Run({"exif", "--html", camera, File("out.html")}, "LUMARET_HOME=" + clitest::ShellQuote(File("home")));
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string html = clitest::Slurp(File("out.html"));
    EXPECT_EQ(html.rfind("<p>mine</p>", 0), 0u);
    EXPECT_NE(html.find("<td class=\"col2\">Maker &amp; Sons</td>"), std::string::npos);
    EXPECT_NE(html.find("Model &lt;7&gt;"), std::string::npos);

    // Without LUMARET_HOME the shipped template beside the executable serves.
    run = Run({"exif", "--html", camera, File("shipped.html")}, "env -u LUMARET_HOME");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(clitest::Slurp(File("shipped.html")).find("template_table_1\" class=\"exif\""), std::string::npos);
    EXPECT_EQ(Run({"exif", "--html", camera, File("no/out.html")}).status, 1);
}

TEST_F(CliExif, ThumbnailIsWrittenAsStored) {
    std::vector<uint8_t> thumb(777);
    for (size_t i = 0; i < thumb.size(); ++i) thumb[i] = uint8_t(i * 31 + 7);
    const auto run = Run({"exif", "--thumbnail", Camera("cam.jpg", true, thumb), File("t.jpg")});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(ReadFile(dir / "t.jpg"), thumb);
    EXPECT_EQ(Run({"exif", "--thumbnail", Camera("none.jpg", true), File("n.jpg")}).status, 2);
    EXPECT_FALSE(std::filesystem::exists(dir / "n.jpg"));
}

TEST_F(CliExif, CopyThenInfo) {
    const std::string camera = Camera("cam.jpg", true, std::vector<uint8_t>(300, 0x42)), picture = File("pic.jpg");
    const int w = 40, h = 30;
    std::vector<uint8_t> pixels(size_t(ImagePlane::StrideFor(w)) * h);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = uint8_t(i * 13);
    ASSERT_NE(writeJPEGfile(picture.c_str(), w, h, pixels.data(), 85), 0);

    auto run = Run({"info", picture});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "size: 40 x 30 x 3\norientation: 1\ndate-taken: \nthumbnail: 0 bytes\nbyte-order: none\n");
    ASSERT_EQ(Run({"exif", "--copy", camera, picture}).status, 0);
    run = Run({"info", picture});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out,
              "size: 40 x 30 x 3\norientation: 6\ndate-taken: 2018:01:02 03:04:05\n"
              "thumbnail: 300 bytes\nbyte-order: II\n");
    EXPECT_EQ(Run({"info", File("missing.jpg")}).status, 2);
    EXPECT_EQ(Run({"exif", "--copy", camera, File("missing.jpg")}).status, 2);
}

namespace {

std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> fields;
    std::istringstream in(line);
    for (std::string f; std::getline(in, f, '\t');) fields.push_back(f);
    return fields;
}

// Tags of each directory, in their order.
std::vector<std::vector<uint16_t>> Tags(const CExif& exif) {
    std::vector<std::vector<uint16_t>> tags;
    for (const CIFD& d : exif.Section().Directories()) {
        tags.emplace_back();
        for (const CIFDEntry& e : d.Entries()) tags.back().push_back(e.Tag());
    }
    return tags;
}

}  // namespace

TEST_F(CliExif, InfoAndBrowseGiveTheSizeOfEveryFrameKind) {
    std::filesystem::create_directories(dir / "home" / "data");
    std::filesystem::copy_file(std::string(LUMARET_SOURCE_DIR) + "/data/exception_1.dat",
                               dir / "home" / "data" / "exception_1.dat");
    std::filesystem::create_directories(dir / "pics");
    std::map<std::string, std::string> expected;  // file name -> width x height x bits
    for (const FrameKind& kind : FrameKinds()) {
        const int width = 300 + kind.marker, height = 500 - kind.marker, components = kind.marker & 1 ? 3 : 1;
        char name[16];
        std::snprintf(name, sizeof name, "sof%02X.jpg", kind.marker);
        WriteFile(dir / "pics" / name, FrameJpeg(kind.marker, kind.precision, width, height, components));
        const auto run = Run({"info", (dir / "pics" / name).string()});
        ASSERT_EQ(run.status, 0) << name << run.err;
        char line[64];
        std::snprintf(line, sizeof line, "size: %d x %d x %d\n", width, height, components);
        EXPECT_EQ(run.out.substr(0, run.out.find('\n') + 1), line) << name;
        std::snprintf(line, sizeof line, "%dx%dx%d", width, height, 8 * components);
        expected[name] = line;
    }

    const std::string env = "LUMARET_HOME=" + clitest::ShellQuote(File("home"));
    ASSERT_EQ(Run({"settings", "set", "ThumbnailDatabase", File("db")}, env).status, 0);
    const auto run = Run({"browse", File("pics")}, env);
    ASSERT_EQ(run.status, 0) << run.err;
    std::istringstream lines(run.out);
    size_t listed = 0;
    for (std::string line; std::getline(lines, line);) {
        const std::vector<std::string> f = Fields(line);
        ASSERT_EQ(f.size(), 6u) << line;
        const std::string name = std::filesystem::path(f[0]).filename().string();
        EXPECT_EQ(f[3], expected[name]) << name;
        ++listed;
    }
    EXPECT_EQ(listed, expected.size());
}

TEST_F(CliExif, SaveAsStatesTheRealSizeInTheExifDirectory) {
    // A decodable 40 x 30 picture; each case gives it an EXIF block, then edits it to 24 x 18.
    const std::string picture = File("pic.jpg"), out = File("out.jpg");
    std::vector<uint8_t> pixels(size_t(ImagePlane::StrideFor(40)) * 30);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = uint8_t(i * 7);
    const struct {
        const char* what;
        std::vector<Entry> exif;
        bool hasBlock;
    } cases[] = {
        {"EXIF directory without the size", {Ascii(0x9003, "2018:01:02 03:04:05"), Short(0xA401, {1})}, true},
        {"stale sizes", {Short(0xA002, {4000}), Long(0xA003, {3000}), Short(0xA401, {1})}, true},
        {"no EXIF directory", {}, true},
        {"no EXIF block", {}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_NE(writeJPEGfile(picture.c_str(), 40, 30, pixels.data(), 90), 0);
        if (c.hasBlock) {
            Block b;
            b.ifd0 = {Ascii(0x10F, "Maker"), Short(0x112, {1})};
            b.exif = c.exif;
            WriteFile(dir / "cam.jpg", Jpeg(Payload(b)));
            ASSERT_EQ(Run({"exif", "--copy", File("cam.jpg"), picture}).status, 0);
        }
        CExif before(picture);
        ASSERT_EQ(before.Read(), 0);
        const auto run = Run({"edit", picture, out, "--resize", "24", "18"});
        ASSERT_EQ(run.status, 0) << run.err;

        CExif after(out);
        ASSERT_EQ(after.Read(), 0);
        EXPECT_EQ(after.HasExif(), c.hasBlock);
        if (!c.hasBlock) continue;
        const CIFD* exifDirectory = after.Section().FindDirectory(kIfdExif);
        ASSERT_NE(exifDirectory, nullptr);
        uint32_t width = 0, height = 0;
        ASSERT_TRUE(exifDirectory->Find(kTagPixelXDimension) &&
                    exifDirectory->Find(kTagPixelXDimension)->FirstInteger(width));
        ASSERT_TRUE(exifDirectory->Find(kTagPixelYDimension) &&
                    exifDirectory->Find(kTagPixelYDimension)->FirstInteger(height));
        EXPECT_EQ(width, 24u);
        EXPECT_EQ(height, 18u);
        // Nothing else is added: the tags are the source's, plus the two sizes (and the EXIF
        // pointer when the directory is new); the EXIF directory stays in ascending tag order.
        std::vector<std::vector<uint16_t>> want = Tags(before), got = Tags(after);
        if (before.Section().FindDirectory(kIfdExif) == nullptr) {
            want[0].push_back(kTagExifPointer);
            want.insert(want.begin() + 1, std::vector<uint16_t>{});
        }
        for (uint16_t tag : {kTagPixelXDimension, kTagPixelYDimension})
            if (std::find(want[1].begin(), want[1].end(), tag) == want[1].end()) want[1].push_back(tag);
        ASSERT_EQ(got.size(), want.size());
        EXPECT_TRUE(std::is_sorted(got[1].begin(), got[1].end()));
        for (size_t d = 0; d < got.size(); ++d) {
            std::sort(got[d].begin(), got[d].end());
            std::sort(want[d].begin(), want[d].end());
        }
        EXPECT_EQ(got, want);

        // A trusted reader agrees, and finds the directory sound.
        if (std::system("exiftool -ver >/dev/null 2>&1") == 0) {
            const std::string command = "exiftool -n -s3 -ExifIFD:ExifImageWidth -ExifIFD:ExifImageHeight -Warning " +
                                        clitest::ShellQuote(out) + " >" + clitest::ShellQuote(File("et.txt"));
            ASSERT_EQ(std::system(command.c_str()), 0);
            EXPECT_EQ(clitest::Slurp(File("et.txt")), "24\n18\n");
        }
    }
}
