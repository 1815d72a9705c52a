#pragma once
// The prompt and progress of the engine tests: a prompt answering from a script and recording
// every question, and a progress sink recording what it was told.
#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "core/prompt.h"

namespace testsupport {

// Answers questions from `answers` in turn, then `whenOutOfAnswers`; a message (OK button only)
// is always answered OK. Every question and message is recorded, and so is every beep.
class ScriptedPrompt : public IPrompt {
public:
    struct Asked {
        std::string text, caption;
        PromptButtons buttons;
    };
    PromptAnswer Ask(const std::string& text, const std::string& caption, PromptButtons buttons) override {
        asked.push_back({text, caption, buttons});
        if (buttons == PromptButtons::Ok) return PromptAnswer::Ok;
        if (answers.empty()) return whenOutOfAnswers;
        const PromptAnswer answer = answers.front();
        answers.pop_front();
        return answer;
    }
    void Beep() override { ++beeps; }

    // Each question as caption + `separator` + text.
    std::vector<std::string> Lines(const std::string& separator) const {
        std::vector<std::string> lines;
        for (const Asked& a : asked) lines.push_back(a.caption + separator + a.text);
        return lines;
    }
    // The texts of the questions.
    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const Asked& a : asked) texts.push_back(a.text);
        return texts;
    }
    // The questions as (text, caption) pairs.
    std::vector<std::pair<std::string, std::string>> Shown() const {
        std::vector<std::pair<std::string, std::string>> shown;
        for (const Asked& a : asked) shown.emplace_back(a.text, a.caption);
        return shown;
    }

    std::deque<PromptAnswer> answers;
    PromptAnswer whenOutOfAnswers = PromptAnswer::Cancel;
    std::vector<Asked> asked;
    int beeps = 0;
};

// Records the title, the total, every position and how often the display was ended.
class RecordingProgress : public IProgress {
public:
    void Start(const std::string& t, int n) override { title = t, total = n; }
    void SetPosition(int p) override { positions.push_back(p); }
    void End() override { ++ends; }
    // The last position set, 0 before any.
    int Last() const { return positions.empty() ? 0 : positions.back(); }

    std::string title;
    int total = -1, ends = 0;
    std::vector<int> positions;
};

}  // namespace testsupport
