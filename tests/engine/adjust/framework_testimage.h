#pragma once
// Test images, temporary paths and prompt and progress fakes for the adjustment tests.
#include <unistd.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "test_image.h"
#include "core/prompt.h"

namespace adjusttest {

using testimage::Image;
using testimage::SamePixels;

// A path in the temporary folder, unique to this process.
inline std::filesystem::path TempPath(const std::string& name) {
    return std::filesystem::temp_directory_path() / ("lumaret_adjust_" + std::to_string(::getpid()) + "_" + name);
}

struct RecordingProgress : IProgress {
    std::string title;
    int ends = 0;
    std::vector<int> positions;
    void Start(const std::string& t, int) override { title = t; }
    void SetPosition(int p) override { positions.push_back(p); }
    void End() override { ++ends; }
};

using Msg = std::pair<std::string, std::string>;  // text, caption

// Answers from a script (then Ok) and records every message.
struct ScriptedPrompt : IPrompt {
    std::vector<Msg> shown;
    std::vector<PromptAnswer> answers;
    PromptAnswer Ask(const std::string& text, const std::string& caption, PromptButtons) override {
        shown.emplace_back(text, caption);
        if (answers.empty()) return PromptAnswer::Ok;
        const PromptAnswer a = answers.front();
        answers.erase(answers.begin());
        return a;
    }
};

}  // namespace adjusttest
