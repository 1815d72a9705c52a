#pragma once
// Test images, temporary paths and the prompt and progress fakes for the adjustment tests.
#include <unistd.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "test_image.h"
#include "fakes.h"

namespace adjusttest {

using testimage::Image;
using testimage::SamePixels;

// A path in the temporary folder, unique to this process.
inline std::filesystem::path TempPath(const std::string& name) {
    return std::filesystem::temp_directory_path() / ("lumaret_adjust_" + std::to_string(::getpid()) + "_" + name);
}

using Msg = std::pair<std::string, std::string>;  // text, caption
using testsupport::RecordingProgress;
using testsupport::ScriptedPrompt;

}  // namespace adjusttest
