#pragma once
// The EXIF report: formatted rows written into an HTML template.
#include <string>
#include <string_view>
#include <vector>

class CExif;

struct ExifReportRow {
    std::string name;
    std::string value;
};

// The table the report fills and the files it uses by default (relative to the program folder).
constexpr const char* kExifReportTable = "template_table_1";
constexpr const char* kExifTemplateFile = "data/exif.template.html";
constexpr const char* kExifReportFile = "exif.html";

// Replaces <, >, &, " and ' by entities (EXIF text is untrusted).
std::string EscapeHtml(std::string_view text);

// The report rows: for each known tag in table order and each directory in order, the
// first entry of that directory with the tag. Texts are not escaped.
std::vector<ExifReportRow> BuildExifRows(const CExif& exif);
// The rows as HTML table rows with escaped texts.
std::string FormatReportRows(const std::vector<ExifReportRow>& rows);

// Writes the report of `exif` through the template into `outputPath`; 0 on success, -1 when
// the output cannot be written. A missing template gives an empty page.
int BuildExifReport(const CExif& exif, const std::string& templatePath = kExifTemplateFile,
                    const std::string& outputPath = kExifReportFile);

// An HTML file held in memory whose named table can be given new rows.
class CHtmlTemplateParser {
public:
    explicit CHtmlTemplateParser(std::string templatePath);

    // Reads the template file; false when it cannot be opened (the text is then empty).
    bool Load();
    // Replaces the content of the table whose opening tag contains `tableName` by `rows`,
    // keeping the tag and its attributes; false when there is no such table.
    bool Replace(const std::string& tableName, const std::string& rows);
    // Writes the text to `fileName` (replacing an older file only once complete); false when
    // it cannot be written.
    bool Save(const std::string& fileName) const;

    const std::string& Text() const { return m_text; }

private:
    std::string m_path;
    std::string m_text;
};
