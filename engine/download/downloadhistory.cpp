#include "download/downloadhistory.h"

#include <fstream>
#include <iterator>
#include <span>

#include "platform/safewrite.h"

namespace {

constexpr const char* kVersionLine = "Ver 1.0";

// Reads the next line (without its line feed) from `text` at `pos`; false at the end.
bool NextLine(const std::string& text, size_t& pos, std::string& line) {
    if (pos >= text.size()) return false;
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    line.assign(text, pos, end - pos);
    pos = end + 1;
    return true;
}

}  // namespace

bool CDownloadHistory::Parse(const std::string& text, std::vector<std::unique_ptr<CFileList>>& batches) {
    batches.clear();
    size_t pos = 0;
    std::string line;
    if (!NextLine(text, pos, line) || line != kVersionLine) return false;
    // A batch name, its files, an empty line; an empty line where a name should be ends the file.
    while (NextLine(text, pos, line) && !line.empty()) {
        auto batch = std::make_unique<CFileList>();
        batch->name = line;
        while (NextLine(text, pos, line) && !line.empty()) batch->files.push_back(line);
        batches.push_back(std::move(batch));
    }
    return true;
}

std::string CDownloadHistory::Serialize(const std::vector<std::unique_ptr<CFileList>>& batches) {
    std::string text = std::string(kVersionLine) + "\n";
    for (const auto& batch : batches) {
        // A line feed inside a name would split the record; such a name cannot be kept.
        if (batch->name.empty() || batch->name.find('\n') != std::string::npos) continue;
        text += batch->name + "\n";
        for (const std::string& file : batch->files)
            if (!file.empty() && file.find('\n') == std::string::npos) text += file + "\n";
        text += "\n";
    }
    return text;
}

std::string CDownloadHistory::BatchName(std::time_t start) {
    std::tm local{};
    char text[128];
    if (!localtime_r(&start, &local) || std::strftime(text, sizeof text, "%A, %B %d, %Y %H:%M:%S", &local) == 0)
        return "Unknown time";
    return text;
}

bool CDownloadHistory::Load() {
    m_batches.clear();
    std::ifstream file(m_path, std::ios::binary);
    if (!file) return false;
    const std::string text{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    if (!Parse(text, m_batches)) {
        m_batches.clear();
        return false;
    }
    return true;
}

bool CDownloadHistory::Save(std::string& error) const {
    const std::string text = Serialize(m_batches);
    return platform::ReplaceFileWithBytes(
        m_path, std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(text.data()), text.size()), error);
}

CFileList& CDownloadHistory::AddBatch(std::string name) {
    m_batches.push_back(std::make_unique<CFileList>());
    m_batches.back()->name = std::move(name);
    return *m_batches.back();
}

void CDownloadHistory::RemoveBatch(size_t index) {
    if (index < m_batches.size()) m_batches.erase(m_batches.begin() + static_cast<std::ptrdiff_t>(index));
}
