// lumaret-cli exif and info, run as a user would.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <sstream>

#include "../engine/exif/exif_fixtures.h"
#include "cli_run.h"
#include "codec/jpegcodec.h"
#include "core/imageplane.h"

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
