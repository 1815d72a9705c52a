#include "exif/exifreport.h"

#include <cstdio>
#include <memory>

#include "exif/exif.h"
#include "exif/exifformat.h"
#include "platform/safewrite.h"

std::string EscapeHtml(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '&': out += "&amp;"; break;
            case '"': out += "&quot;"; break;
            case '\'': out += "&#39;"; break;
            default: out.push_back(c);
        }
    }
    return out;
}

std::vector<ExifReportRow> BuildExifRows(const CExif& exif) {
    std::vector<ExifReportRow> rows;
    size_t tagCount = 0;
    const ExifTagName* tags = ExifTagNames(tagCount);
    const auto& directories = exif.Section().Directories();
    for (size_t t = 0; t < tagCount; ++t) {
        for (const CIFD& directory : directories) {
            const CIFDEntry* entry = directory.Find(tags[t].tag);
            ExifReportRow row;
            if (entry && FormatEntry(*entry, row.name, row.value)) rows.push_back(std::move(row));
        }
    }
    return rows;
}

std::string FormatReportRows(const std::vector<ExifReportRow>& rows) {
    std::string html;
    for (const ExifReportRow& row : rows) {
        html += "<tr>\r\n   <td class=\"col1\">";
        html += EscapeHtml(row.name);
        html += "</td>\r\n   <td class=\"col2\">";
        html += EscapeHtml(row.value);
        html += "</td>\r\n</tr>\r\n";
    }
    return html;
}

int BuildExifReport(const CExif& exif, const std::string& templatePath, const std::string& outputPath) {
    CHtmlTemplateParser parser(templatePath);
    parser.Load();
    parser.Replace(kExifReportTable, FormatReportRows(BuildExifRows(exif)));
    return parser.Save(outputPath) ? 0 : -1;
}

namespace {
struct FileCloser {
    void operator()(std::FILE* f) const {
        if (f) std::fclose(f);
    }
};
}  // namespace

CHtmlTemplateParser::CHtmlTemplateParser(std::string templatePath) : m_path(std::move(templatePath)) {}

bool CHtmlTemplateParser::Load() {
    m_text.clear();
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(m_path.c_str(), "rb"));
    if (!file) return false;
    char chunk[500];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, file.get())) > 0) m_text.append(chunk, got);
    return true;
}

bool CHtmlTemplateParser::Replace(const std::string& tableName, const std::string& rows) {
    size_t from = 0;
    for (;;) {
        const size_t open = m_text.find("<table", from);
        if (open == std::string::npos) return false;
        const size_t close = m_text.find('>', open);
        if (close == std::string::npos) return false;
        if (std::string_view(m_text).substr(open, close - open).find(tableName) != std::string_view::npos) {
            const size_t end = m_text.find("</table>", close);
            if (end == std::string::npos) return false;  // unterminated: leave the page alone
            m_text = m_text.substr(0, close + 1) + rows + "\r\n" + m_text.substr(end);
            return true;
        }
        from = close;
    }
}

bool CHtmlTemplateParser::Save(const std::string& fileName) const {
    std::string error;
    return platform::ReplaceFileWithBytes(
            fileName, {reinterpret_cast<const uint8_t*>(m_text.data()), m_text.size()}, error);
}
