#pragma once
// The engine's questions and progress reports shown with Qt: message boxes owned by a
// window, and a progress bar in a status bar.
#include <string>

#include "core/prompt.h"

class QProgressBar;
class QStatusBar;
class QWidget;

class CQtPrompt : public IPrompt {
public:
    // Message boxes are owned by `owner` (may be null).
    explicit CQtPrompt(QWidget* owner) : m_owner(owner) {}
    PromptAnswer Ask(const std::string& text, const std::string& caption, PromptButtons buttons) override;
    void Beep() override;

private:
    QWidget* m_owner;
};

class CStatusProgress : public IProgress {
public:
    // Shows its bar at the right of `statusBar` while a progress runs.
    explicit CStatusProgress(QStatusBar* statusBar);
    void Start(const std::string& title, int total) override;
    void SetPosition(int position) override;
    void End() override;
    QProgressBar* Bar() const { return m_bar; }

private:
    QStatusBar* m_statusBar;
    QProgressBar* m_bar;
};
