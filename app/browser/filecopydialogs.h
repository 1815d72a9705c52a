#pragma once
// The file-copy dialogs shared by drag and drop and the download: the progress dialog with
// two bars and Cancel, and the overwrite question with Yes, No, Yes to all, No to all and
// Cancel. CBrowserPrompt shows the engine's questions with them.
#include <QDialog>
#include <functional>
#include <memory>
#include <string>

#include "core/prompt.h"
#include "shell/qtprompt.h"

class QLabel;
class QProgressBar;
class QPushButton;

// The overwrite question's answers (the dialog's result codes).
enum class YesNoAllAnswer { Yes = 1, No = 2, YesToAll = 3, NoToAll = 4, Cancel = 5 };

class CFileYesNoAll : public QDialog {
    Q_OBJECT
public:
    static constexpr const char* kFixedLine = "Do you want to overwrite the destination file?";
    // The question with `caption` and a question line (empty: "The file").
    CFileYesNoAll(QWidget* parent, const QString& caption, const QString& question);
    // Runs the dialog; closing it without a button counts as Cancel.
    YesNoAllAnswer Ask();
    QLabel* QuestionLine() const { return m_question; }

private:
    QLabel* m_question;
};

class CFileCopyProgress : public QDialog, public IProgress {
    Q_OBJECT
public:
    enum class Bar { First, Second };
    explicit CFileCopyProgress(QWidget* parent);

    // Caption, the two text lines, the bars' ranges, values and visibility, and the dialog's
    // visibility. Every call may come from a worker thread; it is carried out on the window
    // thread.
    void SetCaption(const QString& text);
    void SetFirstLine(const QString& text);
    void SetSecondLine(const QString& text);
    void SetRange(Bar bar, int minimum, int maximum);
    void SetValue(Bar bar, int value);
    void ShowBar(Bar bar, bool show);
    void ShowDialog(bool show);
    // Called (on the window thread) when the user presses Cancel; the button then hides.
    void SetCancelHandler(std::function<void()> handler) { m_onCancel = std::move(handler); }
    // Shows the Cancel button again and forgets an earlier cancel (a new run; window thread).
    void ArmCancel();
    bool CancelRequested() const { return m_cancelled; }
    QProgressBar* ProgressBar(Bar bar) const { return bar == Bar::First ? m_first : m_second; }

    // ---- IProgress: a copy or move of files, shown on the first bar ----
    void Start(const std::string& title, int total) override;
    void SetPosition(int position) override;
    void End() override;

protected:
    // Escape or the close button count as Cancel while a cancel handler is set.
    void reject() override;

private:
    void OnWindowThread(std::function<void()> work);
    void OnCancel();

    QLabel* m_firstLine;
    QLabel* m_secondLine;
    QProgressBar* m_first;
    QProgressBar* m_second;
    QPushButton* m_cancel;
    std::function<void()> m_onCancel;
    bool m_cancelled = false;
    QPoint m_lastPosition;  // where the dialog was when it was last hidden
};

// The engine's questions: the overwrite question with CFileYesNoAll, the rest as message boxes.
class CBrowserPrompt : public IPrompt {
public:
    explicit CBrowserPrompt(QWidget* owner) : m_owner(owner), m_boxes(owner) {}
    PromptAnswer Ask(const std::string& text, const std::string& caption, PromptButtons buttons) override;
    void Beep() override { m_boxes.Beep(); }

private:
    QWidget* m_owner;
    CQtPrompt m_boxes;
};
