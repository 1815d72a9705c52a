#pragma once
// IPrompt and IProgress: how the engine asks the user and reports progress.
// The Qt program implements them with message boxes and the status bar; tests script them.
#include <string>

enum class PromptButtons { Ok, OkCancel, YesNo, YesNoCancel, YesNoAllCancel };
enum class PromptAnswer { Ok, Cancel, Yes, No, YesToAll, NoToAll };

class IPrompt {
public:
    virtual ~IPrompt() = default;
    // Shows `text` with `caption` and the given buttons; returns the user's answer.
    virtual PromptAnswer Ask(const std::string& text, const std::string& caption,
                             PromptButtons buttons) = 0;
    // A message with an OK button.
    virtual void Message(const std::string& text, const std::string& caption) {
        Ask(text, caption, PromptButtons::Ok);
    }
    // The message beep for refused input.
    virtual void Beep() {}
};

class IProgress {
public:
    virtual ~IProgress() = default;
    // Starts a progress display with a title and the number of steps.
    virtual void Start(const std::string& title, int total) = 0;
    // Sets the position, 0..total.
    virtual void SetPosition(int position) = 0;
    // Ends the display.
    virtual void End() = 0;
};
