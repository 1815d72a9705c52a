#pragma once
// A private temporary folder for one fuzzing run, removed when the process ends normally,
// and writing a fuzz input into a file there.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <span>
#include <string>

namespace fuzzscratch {

class ScratchFolder {
public:
    explicit ScratchFolder(const std::string& tag) {
        std::string pattern = (std::filesystem::temp_directory_path() / ("lumaret-fuzz-" + tag + "-XXXXXX")).string();
        if (!::mkdtemp(pattern.data())) std::abort();
        m_path = pattern;
    }
    ~ScratchFolder() {
        std::error_code error;
        std::filesystem::remove_all(m_path, error);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::filesystem::path& Path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

// Replaces `path` with `bytes`; a write that fails ends the run (the harness is broken).
inline void WriteFile(const std::filesystem::path& path, std::span<const uint8_t> bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) std::abort();
}

}  // namespace fuzzscratch
