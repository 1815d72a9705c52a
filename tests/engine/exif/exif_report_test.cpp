// Value texts, report rows, HTML escaping and the template fill.
#include <gtest/gtest.h>

#include "exif/exif.h"
#include "exif/exifformat.h"
#include "exif/exifreport.h"
#include "exif_fixtures.h"

using namespace fixture;

namespace {

CIFDEntry Make(uint16_t tag, uint16_t type, std::vector<std::pair<uint32_t, uint32_t>> values) {
    CIFDEntry e(tag, type, int32_t(values.size()), 1);
    for (size_t i = 0; i < values.size(); ++i) e.Values()[i] = {values[i].first, values[i].second};
    return e;
}

std::string Text(const CIFDEntry& e) {
    std::string name = "unset", value = "unset";
    EXPECT_TRUE(FormatEntry(e, name, value));
    return value;
}

std::string AsciiValue(uint16_t tag, const std::string& s) {
    std::vector<std::pair<uint32_t, uint32_t>> v;
    for (char c : s) v.push_back({uint8_t(c), 0});
    v.push_back({0, 0});
    return Text(Make(tag, kTiffAscii, v));
}

}  // namespace

TEST(ExifFormat, ValueTextsByTypeAndTag) {
    EXPECT_EQ(Text(Make(0x9204, kTiffSRational, {{uint32_t(-1), 3}})), "-0.3");
    EXPECT_EQ(Text(Make(0x9204, kTiffSRational, {{2, 3}})), "+0.7");
    EXPECT_EQ(Text(Make(0x829D, kTiffRational, {{28, 10}})), "f/2.8");
    EXPECT_EQ(Text(Make(0xA405, kTiffShort, {{38, 0}})), "38 mm");
    EXPECT_EQ(Text(Make(0x829A, kTiffRational, {{1, 250}})), "1/250 ");
    EXPECT_EQ(Text(Make(0x9203, kTiffSRational, {{uint32_t(-5), 2}, {7, 1}})), "-5/2 7/1 ");
    EXPECT_EQ(Text(Make(0x9209, kTiffShort, {{16, 0}})), "Did not fire, compulsory flash mode");
    EXPECT_EQ(Text(Make(0x8822, kTiffShort, {{9, 0}})), "9");
    EXPECT_EQ(Text(Make(0x102, kTiffShort, {{8, 0}, {8, 0}, {8, 0}})), "888");
    EXPECT_EQ(Text(Make(0x112, kTiffShort, {{8, 0}})), "Rotate 270 deg.");
    EXPECT_EQ(Text(Make(0x9000, kTiffUndefined, {{'0', 0}, {'2', 0}, {'2', 0}, {'0', 0}})), "0220");
    EXPECT_EQ(Text(Make(0xA002, kTiffLong, {{3000000000u, 0}})), "3000000000 ");
    EXPECT_EQ(Text(Make(0x8827, kTiffByte, {{0x1f, 0}, {2, 0}})), "1f 2 ");
    EXPECT_EQ(AsciiValue(0x9003, "2004:05:06 07:08:09"), "2004:05:06 07:08:09");
    // A count that leaves the terminating zero out keeps the last character; so does an
    // ASCII version tag of four characters.
    EXPECT_EQ(Text(Make(0x9003, kTiffAscii, {{'1', 0}, {'2', 0}, {':', 0}, {'3', 0}})), "12:3");
    EXPECT_EQ(Text(Make(0x9000, kTiffAscii, {{'0', 0}, {'2', 0}, {'2', 0}, {'0', 0}})), "0220");
    EXPECT_EQ(Text(Make(0x10F, kTiffAscii, {{'X', 0}})), "X");
    // Padding after the text's zero is not shown; neither are types without a text.
    EXPECT_EQ(Text(Make(0x10F, kTiffAscii, {{'A', 0}, {0, 0}, {'B', 0}, {0, 0}})), "A");
    EXPECT_EQ(Text(Make(0x9204, kTiffDouble, {{1, 2}})), "");
    // Entries without values (count 0) do not reach past their slots.
    EXPECT_EQ(Text(Make(0x829D, kTiffRational, {})), "");
    EXPECT_EQ(Text(Make(0xA405, kTiffShort, {})), "");
    // Unknown tags are left unset.
    std::string name = "keep", value = "keep";
    EXPECT_FALSE(FormatEntry(Make(0x927C, kTiffUndefined, {{1, 0}}), name, value));
    EXPECT_EQ(name + value, "keepkeep");
}

TEST(ExifReport, RowsInTableOrderThenDirectoryOrder) {
    Block b;
    b.ifd0 = {Ascii(0x110, "Model <X>"), Ascii(0x10F, "A & B \"quoted\""), Short(0x112, {6})};
    b.exif = {Rational(0x829D, {28, 10})};
    b.ifd1 = {Short(0x112, {1})};
    CExif exif;
    std::vector<uint8_t> jpeg = Jpeg(Payload(b));
    exif.ReadMemory(jpeg.data(), jpeg.size());
    std::vector<ExifReportRow> rows = BuildExifRows(exif);
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[0].name, "Make");
    EXPECT_EQ(rows[0].value, "A & B \"quoted\"");
    EXPECT_EQ(rows[1].name, "Model");
    EXPECT_EQ(rows[2].value, "Rotate 90 deg.");  // IFD0's orientation first ...
    EXPECT_EQ(rows[3].value, "Normal");          // ... then IFD1's
    EXPECT_EQ(rows[4].value, "f/2.8");

    const std::string html = FormatReportRows(rows);
    EXPECT_NE(html.find("<tr>\r\n   <td class=\"col1\">Make</td>\r\n   <td class=\"col2\">"
                        "A &amp; B &quot;quoted&quot;</td>\r\n</tr>\r\n"),
              std::string::npos);
    EXPECT_NE(html.find("Model &lt;X&gt;"), std::string::npos);
    EXPECT_EQ(html.find("<X>"), std::string::npos);
    EXPECT_EQ(EscapeHtml("<a href='x'>&"), "&lt;a href=&#39;x&#39;&gt;&amp;");
}

TEST(ExifReport, TemplateReplaceKeepsTheTableTagAndDropsItsContent) {
    TempDir dir;
    const std::string page =
        "<html><table class=\"other\"><tr><td>keep</td></tr></table>\n"
        "<table id=\"template_table_1\" class=\"exif\"><tr><td>old</td></tr></table><p>end</p></html>";
    WriteFile(dir / "t.html", std::vector<uint8_t>(page.begin(), page.end()));

    CHtmlTemplateParser parser((dir / "t.html").string());
    ASSERT_TRUE(parser.Load());
    EXPECT_FALSE(parser.Replace("no_such_table", "<tr></tr>"));
    ASSERT_TRUE(parser.Replace("template_table_1", "ROWS"));
    EXPECT_EQ(parser.Text(),
              "<html><table class=\"other\"><tr><td>keep</td></tr></table>\n"
              "<table id=\"template_table_1\" class=\"exif\">ROWS\r\n</table><p>end</p></html>");
    ASSERT_TRUE(parser.Save((dir / "out.html").string()));
    const std::vector<uint8_t> saved = ReadFile(dir / "out.html");
    EXPECT_EQ(std::string(saved.begin(), saved.end()), parser.Text());
    EXPECT_FALSE(parser.Save((dir / "missing-folder" / "out.html").string()));

    // A table that is never closed is left alone.
    const std::string open = "<table id=\"template_table_1\"><tr>";
    WriteFile(dir / "open.html", std::vector<uint8_t>(open.begin(), open.end()));
    CHtmlTemplateParser unclosed((dir / "open.html").string());
    ASSERT_TRUE(unclosed.Load());
    EXPECT_FALSE(unclosed.Replace("template_table_1", "ROWS"));
    EXPECT_EQ(unclosed.Text(), open);

    // The whole page: rows escaped into the shipped template; without a template the page is
    // empty; a page that cannot be written is a failure.
    Block b;
    b.ifd0 = {Ascii(0x10F, "Cam<script>")};
    CExif exif;
    const std::vector<uint8_t> jpeg = Jpeg(Payload(b));
    exif.ReadMemory(jpeg.data(), jpeg.size());
    const std::string shipped = std::string(LUMARET_SOURCE_DIR) + "/data/exif.template.html";
    ASSERT_EQ(BuildExifReport(exif, shipped, (dir / "exif.html").string()), 0);
    const std::vector<uint8_t> out = ReadFile(dir / "exif.html");
    EXPECT_NE(std::string(out.begin(), out.end()).find("<td class=\"col2\">Cam&lt;script&gt;</td>"), std::string::npos);
    ASSERT_EQ(BuildExifReport(exif, (dir / "none.html").string(), (dir / "empty.html").string()), 0);
    EXPECT_TRUE(ReadFile(dir / "empty.html").empty());
    EXPECT_EQ(BuildExifReport(exif, shipped, (dir / "no" / "exif.html").string()), -1);
}
