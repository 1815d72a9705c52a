// lumaret-cli exif and info, run as a user would.
#include <gtest/gtest.h>

#include "../engine/exif/exif_fixtures.h"
#include "cli_run.h"
#include "codec/jpegcodec.h"
#include "core/imageplane.h"

using namespace fixture;
namespace fs = std::filesystem;

namespace {

clitest::CliResult RunExifCli(const TempDir& dir, const std::vector<std::string>& args, const std::string& env = {}) {
    return clitest::RunCli(LUMARET_CLI, args, dir.Path(), env);
}

std::vector<uint8_t> CameraFile(bool motorola, const std::vector<uint8_t>& thumbnail) {
    Block b;
    b.motorola = motorola;
    b.ifd0 = {Ascii(0x10F, "Maker & Sons"), Ascii(0x110, "Model <7>\nline"), Short(0x112, {6})};
    b.exif = {Ascii(0x9003, "2018:01:02 03:04:05"), Rational(0x829D, {28, 10}), Short(0x9209, {16})};
    b.ifd1 = {Short(0x103, {6})};
    b.thumbnail = thumbnail;
    return Jpeg(Payload(b), 320, 240);
}

void EncodePicture(const fs::path& path) {
    const int w = 40, h = 30, stride = ImagePlane::StrideFor(w);
    std::vector<uint8_t> pixels(size_t(stride) * h);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = uint8_t(i * 13);
    ASSERT_NE(writeJPEGfile(path.c_str(), w, h, pixels.data(), 85), 0);
}

}  // namespace

TEST(CliExif, PrintsTheReportRows) {
    TempDir dir;
    WriteFile(dir / "cam.jpg", CameraFile(true, {}));
    auto run = RunExifCli(dir, {"exif", (dir / "cam.jpg").string()});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out,
              "Make: Maker & Sons\n"
              "Model: Model <7> line\n"
              "Date/time taken: 2018:01:02 03:04:05\n"
              "Orientation: Rotate 90 deg.\n"
              "Flash: Did not fire, compulsory flash mode\n"
              "F number: f/2.8\n");

    WriteFile(dir / "plain.jpg", Jpeg({}));
    run = RunExifCli(dir, {"exif", (dir / "plain.jpg").string()});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "");

    run = RunExifCli(dir, {"exif", (dir / "missing.jpg").string()});
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("missing.jpg"), std::string::npos);
}

TEST(CliExif, HtmlReportUsesTheProgramFolderTemplate) {
    TempDir dir;
    WriteFile(dir / "cam.jpg", CameraFile(false, {}));
    fs::create_directories(dir / "home" / "data");
    const std::string page = "<p>mine</p><table id=\"template_table_1\"></table>";
    WriteFile(dir / "home" / "data" / "exif.template.html", std::vector<uint8_t>(page.begin(), page.end()));

    auto run = RunExifCli(dir, {"exif", "--html", (dir / "cam.jpg").string(), (dir / "out.html").string()},
                   "LUMARET_HOME=" + clitest::ShellQuote((dir / "home").string()));
    ASSERT_EQ(run.status, 0) << run.err;
    const std::string html = clitest::Slurp(dir / "out.html");
    EXPECT_EQ(html.rfind("<p>mine</p>", 0), 0u);
    EXPECT_NE(html.find("<td class=\"col2\">Maker &amp; Sons</td>"), std::string::npos);
    EXPECT_NE(html.find("Model &lt;7&gt;"), std::string::npos);

    // Without LUMARET_HOME the shipped template beside the executable serves.
    run = RunExifCli(dir, {"exif", "--html", (dir / "cam.jpg").string(), (dir / "shipped.html").string()},
              "env -u LUMARET_HOME");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(clitest::Slurp(dir / "shipped.html").find("template_table_1\" class=\"exif\""), std::string::npos);

    run = RunExifCli(dir, {"exif", "--html", (dir / "cam.jpg").string(), (dir / "no" / "out.html").string()});
    EXPECT_EQ(run.status, 1);
}

TEST(CliExif, ThumbnailIsWrittenAsStored) {
    TempDir dir;
    std::vector<uint8_t> thumb(777);
    for (size_t i = 0; i < thumb.size(); ++i) thumb[i] = uint8_t(i * 31 + 7);
    WriteFile(dir / "cam.jpg", CameraFile(true, thumb));
    auto run = RunExifCli(dir, {"exif", "--thumbnail", (dir / "cam.jpg").string(), (dir / "t.jpg").string()});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(ReadFile(dir / "t.jpg"), thumb);

    WriteFile(dir / "none.jpg", CameraFile(true, {}));
    run = RunExifCli(dir, {"exif", "--thumbnail", (dir / "none.jpg").string(), (dir / "n.jpg").string()});
    EXPECT_EQ(run.status, 2);
    EXPECT_FALSE(fs::exists(dir / "n.jpg"));
}

TEST(CliExif, CopyThenInfo) {
    TempDir dir;
    const std::vector<uint8_t> thumb(300, 0x42);
    WriteFile(dir / "cam.jpg", CameraFile(true, thumb));
    EncodePicture(dir / "pic.jpg");

    auto run = RunExifCli(dir, {"info", (dir / "pic.jpg").string()});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "size: 40 x 30 x 3\norientation: 1\ndate-taken: \nthumbnail: 0 bytes\nbyte-order: none\n");

    run = RunExifCli(dir, {"exif", "--copy", (dir / "cam.jpg").string(), (dir / "pic.jpg").string()});
    ASSERT_EQ(run.status, 0) << run.err;
    run = RunExifCli(dir, {"info", (dir / "pic.jpg").string()});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out,
              "size: 40 x 30 x 3\norientation: 6\ndate-taken: 2018:01:02 03:04:05\n"
              "thumbnail: 300 bytes\nbyte-order: II\n");

    EXPECT_EQ(RunExifCli(dir, {"info", (dir / "missing.jpg").string()}).status, 2);
    EXPECT_EQ(RunExifCli(dir, {"exif", "--copy", (dir / "cam.jpg").string(), (dir / "missing.jpg").string()}).status, 2);
}
