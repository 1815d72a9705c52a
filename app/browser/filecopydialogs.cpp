#include "browser/filecopydialogs.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <QVBoxLayout>

CFileYesNoAll::CFileYesNoAll(QWidget* parent, const QString& caption, const QString& question) : QDialog(parent) {
    setWindowTitle(caption.isEmpty() ? QStringLiteral("File copy") : caption);
    setObjectName("fileYesNoAll");
    auto* layout = new QVBoxLayout(this);
    m_question = new QLabel(question.isEmpty() ? QStringLiteral("The file") : question, this);
    m_question->setObjectName("questionLine");
    layout->addWidget(m_question);
    layout->addWidget(new QLabel(QString::fromLatin1(kFixedLine), this));
    auto* buttons = new QHBoxLayout;
    struct Row {
        const char* text;
        YesNoAllAnswer answer;
    };
    for (const Row& row : {Row{"Yes", YesNoAllAnswer::Yes}, Row{"No", YesNoAllAnswer::No},
                           Row{"Yes to all", YesNoAllAnswer::YesToAll}, Row{"No to all", YesNoAllAnswer::NoToAll},
                           Row{"Cancel", YesNoAllAnswer::Cancel}}) {
        auto* button = new QPushButton(QString::fromLatin1(row.text), this);
        const int code = int(row.answer);
        connect(button, &QPushButton::clicked, this, [this, code] { done(code); });
        buttons->addWidget(button);
        if (row.answer == YesNoAllAnswer::Yes) button->setDefault(true);
    }
    layout->addLayout(buttons);
}

YesNoAllAnswer CFileYesNoAll::Ask() {
    const int result = exec();
    if (result < int(YesNoAllAnswer::Yes) || result > int(YesNoAllAnswer::Cancel)) return YesNoAllAnswer::Cancel;
    return YesNoAllAnswer(result);
}

CFileCopyProgress::CFileCopyProgress(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Progress"));
    setObjectName("fileCopyProgress");
    auto* layout = new QVBoxLayout(this);
    m_firstLine = new QLabel(QStringLiteral("Copying files..."), this);
    m_secondLine = new QLabel(this);
    m_first = new QProgressBar(this);
    m_second = new QProgressBar(this);
    m_cancel = new QPushButton(QStringLiteral("Cancel"), this);
    for (QWidget* w : {static_cast<QWidget*>(m_firstLine), static_cast<QWidget*>(m_secondLine),
                       static_cast<QWidget*>(m_first), static_cast<QWidget*>(m_second)})
        layout->addWidget(w);
    layout->addWidget(m_cancel, 0, Qt::AlignRight);
    setMinimumWidth(380);
    connect(m_cancel, &QPushButton::clicked, this, &CFileCopyProgress::OnCancel);
}

void CFileCopyProgress::OnWindowThread(std::function<void()> work) {
    if (QThread::currentThread() == thread()) work();
    else QMetaObject::invokeMethod(this, std::move(work), Qt::QueuedConnection);
}

void CFileCopyProgress::SetCaption(const QString& text) { OnWindowThread([this, text] { setWindowTitle(text); }); }
void CFileCopyProgress::SetFirstLine(const QString& text) { OnWindowThread([this, text] { m_firstLine->setText(text); }); }
void CFileCopyProgress::SetSecondLine(const QString& text) { OnWindowThread([this, text] { m_secondLine->setText(text); }); }

void CFileCopyProgress::SetRange(Bar bar, int minimum, int maximum) {
    OnWindowThread([this, bar, minimum, maximum] { ProgressBar(bar)->setRange(minimum, std::max(minimum, maximum)); });
}

void CFileCopyProgress::SetValue(Bar bar, int value) {
    OnWindowThread([this, bar, value] { ProgressBar(bar)->setValue(value); });
}

void CFileCopyProgress::ShowBar(Bar bar, bool show) {
    OnWindowThread([this, bar, show] { ProgressBar(bar)->setVisible(show); });
}

void CFileCopyProgress::ShowDialog(bool show) {
    OnWindowThread([this, show] {
        if (show && !isVisible()) {
            if (!m_lastPosition.isNull()) move(m_lastPosition);
            QDialog::show();
        } else if (!show && isVisible()) {
            m_lastPosition = pos();
            QDialog::hide();
        }
    });
}

void CFileCopyProgress::OnCancel() {
    m_cancelled = true;
    m_cancel->hide();
    if (m_onCancel) m_onCancel();
}

void CFileCopyProgress::reject() {
    // The dialog stays up until the run it shows has stopped.
    if (m_onCancel) {
        if (!m_cancelled) OnCancel();
        return;
    }
    QDialog::reject();
}

void CFileCopyProgress::ArmCancel() {
    m_cancelled = false;
    m_cancel->show();
}

void CFileCopyProgress::Start(const std::string& title, int total) {
    m_cancelled = false;
    m_cancel->show();
    SetCaption(QStringLiteral("Progress"));
    SetFirstLine(QStringLiteral("Copying files..."));
    SetSecondLine(QString::fromStdString(title));
    SetRange(Bar::First, 0, total);
    SetValue(Bar::First, 0);
    ShowBar(Bar::Second, false);
    ShowDialog(true);
}

void CFileCopyProgress::SetPosition(int position) {
    SetValue(Bar::First, position);
    // A copy run on the window thread still gets its progress painted.
    if (QThread::currentThread() == thread()) QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void CFileCopyProgress::End() {
    ShowDialog(false);
}

PromptAnswer CBrowserPrompt::Ask(const std::string& text, const std::string& caption, PromptButtons buttons) {
    if (buttons != PromptButtons::YesNoAllCancel) return m_boxes.Ask(text, caption, buttons);
    // The dialog has its own fixed second line; the caller's first line is the question.
    const QString all = QString::fromStdString(text);
    CFileYesNoAll dialog(m_owner, QString::fromStdString(caption), all.section('\n', 0, 0));
    switch (dialog.Ask()) {
        case YesNoAllAnswer::Yes: return PromptAnswer::Yes;
        case YesNoAllAnswer::No: return PromptAnswer::No;
        case YesNoAllAnswer::YesToAll: return PromptAnswer::YesToAll;
        case YesNoAllAnswer::NoToAll: return PromptAnswer::NoToAll;
        case YesNoAllAnswer::Cancel: break;
    }
    return PromptAnswer::Cancel;
}
