#pragma once
// Random file contents and the listing of a folder for the download tests, with the shared
// temporary folder, file and prompt helpers.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <deque>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "fakes.h"
#include "tempdir.h"
#include "core/prompt.h"

namespace dltest {

namespace fs = std::filesystem;

using testsupport::ReadText;
using testsupport::TempDir;
using testsupport::WriteText;

// `size` deterministic bytes differing with `seed`.
inline std::string Bytes(size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes) c = static_cast<char>(random());
    return bytes;
}

// Every file below `folder`, relative to it, sorted.
inline std::vector<std::string> FilesBelow(const std::string& folder) {
    std::vector<std::string> files;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(folder, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec))
        if (it->is_regular_file()) files.push_back(fs::relative(it->path(), folder).string());
    std::sort(files.begin(), files.end());
    return files;
}

using testsupport::ScriptedPrompt;

}  // namespace dltest
