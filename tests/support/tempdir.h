#pragma once
// A fresh folder below the temporary folder for one test, removed with everything in it.
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>

namespace testsupport {

class TempDir {
public:
    // The folder is named lumaret-TAG-XXXXXX.
    explicit TempDir(const std::string& tag = "test") {
        std::string pattern = (std::filesystem::temp_directory_path() / ("lumaret-" + tag + "-XXXXXX")).string();
        if (::mkdtemp(pattern.data())) m_path = pattern;
    }
    ~TempDir() {
        if (m_path.empty()) return;
        std::error_code ignored;
        // A test may have taken away the write permission to provoke a failure.
        std::filesystem::permissions(m_path, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
        std::filesystem::remove_all(m_path, ignored);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return m_path; }
    // The full path of `name` inside the folder.
    std::filesystem::path operator/(const std::string& name) const { return m_path / name; }
    std::string File(const std::string& name) const { return (m_path / name).string(); }

private:
    std::filesystem::path m_path;
};

// The whole content of a file ("" when it cannot be read).
inline std::string ReadText(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// Writes `text` as the whole file, making its folder first.
inline void WriteText(const std::filesystem::path& path, const std::string& text) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

}  // namespace testsupport
