#include "download/downloadprompts.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QThread>
#include <QVBoxLayout>
#include <memory>
#include <optional>

CDownloadSelectionDlg::CDownloadSelectionDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QString::fromLatin1(kCaption));
    setObjectName("downloadSelection");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QString::fromLatin1(kText), this));
    auto* buttons = new QHBoxLayout;
    struct Row {
        const char* text;
        Result result;
    };
    for (const Row& row : {Row{"Selected", kSelected}, Row{"All", kAll}, Row{"Cancel", kCancel}}) {
        auto* button = new QPushButton(QString::fromLatin1(row.text), this);
        button->setObjectName(QString::fromLatin1(row.text).toLower());
        const int code = row.result;
        connect(button, &QPushButton::clicked, this, [this, code] { done(code); });
        buttons->addWidget(button);
        if (row.result == kSelected) button->setDefault(true);
    }
    layout->addLayout(buttons);
}

CDownloadSelectionDlg::Result CDownloadSelectionDlg::Ask() {
    const int result = exec();
    return result == kSelected || result == kAll ? Result(result) : kCancel;
}

PromptAnswer CDownloadPrompt::Ask(const std::string& text, const std::string& caption, PromptButtons buttons) {
    // The engine asks for the choice of files as a Yes/No/Cancel question; the program shows
    // its own dialog with the buttons named after the choices.
    if (buttons == PromptButtons::YesNoCancel && caption == CDownloadSelectionDlg::kCaption) {
        CDownloadSelectionDlg dialog(m_owner);
        switch (dialog.Ask()) {
            case CDownloadSelectionDlg::kSelected: return PromptAnswer::Yes;
            case CDownloadSelectionDlg::kAll: return PromptAnswer::No;
            case CDownloadSelectionDlg::kCancel: break;
        }
        return PromptAnswer::Cancel;
    }
    return m_inner.Ask(text, caption, buttons);
}

PromptAnswer CWorkerPrompt::SafeAnswer(PromptButtons buttons) {
    switch (buttons) {
        case PromptButtons::Ok: return PromptAnswer::Ok;
        case PromptButtons::YesNo: return PromptAnswer::No;
        case PromptButtons::OkCancel:
        case PromptButtons::YesNoCancel:
        case PromptButtons::YesNoAllCancel: break;
    }
    return PromptAnswer::Cancel;
}

PromptAnswer CWorkerPrompt::Ask(const std::string& text, const std::string& caption, PromptButtons buttons) {
    if (m_context && QThread::currentThread() == m_context->thread()) return m_window.Ask(text, caption, buttons);
    if (m_aborted.load()) return SafeAnswer(buttons);
    if (buttons == PromptButtons::Ok) {
        // A message needs no answer: the worker goes on (it may hold locks the window
        // thread is about to wait for).
        QMetaObject::invokeMethod(
            m_context, [this, text, caption] { if (!m_aborted.load()) m_window.Ask(text, caption, PromptButtons::Ok); },
            Qt::QueuedConnection);
        return PromptAnswer::Ok;
    }
    // Shared with the queued call, which may still be pending when this wait is abandoned.
    auto answer = std::make_shared<std::optional<PromptAnswer>>();
    const bool queued = QMetaObject::invokeMethod(
        m_context,
        [this, answer, text, caption, buttons] {
            const PromptAnswer result = m_aborted.load() ? SafeAnswer(buttons) : m_window.Ask(text, caption, buttons);
            std::lock_guard lock(m_mutex);
            *answer = result;
            m_answered.notify_all();
        },
        Qt::QueuedConnection);
    if (!queued) return SafeAnswer(buttons);
    std::unique_lock lock(m_mutex);
    m_answered.wait(lock, [&] { return answer->has_value() || m_aborted.load(); });
    return answer->has_value() ? **answer : SafeAnswer(buttons);
}

void CWorkerPrompt::Abort() {
    std::lock_guard lock(m_mutex);
    m_aborted = true;
    m_answered.notify_all();
}
