#include "shell/qtprompt.h"

#include <QApplication>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <vector>

namespace {

struct ButtonRow {
    QMessageBox::StandardButton button;
    PromptAnswer answer;
};

}  // namespace

PromptAnswer CQtPrompt::Ask(const std::string& text, const std::string& caption, PromptButtons buttons) {
    QMessageBox box(m_owner);
    box.setWindowTitle(QString::fromStdString(caption));
    box.setText(QString::fromStdString(text));
    std::vector<ButtonRow> rows;
    switch (buttons) {
        case PromptButtons::Ok:
            rows = {{QMessageBox::Ok, PromptAnswer::Ok}};
            break;
        case PromptButtons::OkCancel:
            rows = {{QMessageBox::Ok, PromptAnswer::Ok}, {QMessageBox::Cancel, PromptAnswer::Cancel}};
            break;
        case PromptButtons::YesNo:
            rows = {{QMessageBox::Yes, PromptAnswer::Yes}, {QMessageBox::No, PromptAnswer::No}};
            break;
        case PromptButtons::YesNoCancel:
            rows = {{QMessageBox::Yes, PromptAnswer::Yes},
                    {QMessageBox::No, PromptAnswer::No},
                    {QMessageBox::Cancel, PromptAnswer::Cancel}};
            break;
        case PromptButtons::YesNoAllCancel:
            rows = {{QMessageBox::Yes, PromptAnswer::Yes},
                    {QMessageBox::YesToAll, PromptAnswer::YesToAll},
                    {QMessageBox::No, PromptAnswer::No},
                    {QMessageBox::NoToAll, PromptAnswer::NoToAll},
                    {QMessageBox::Cancel, PromptAnswer::Cancel}};
            break;
    }
    QMessageBox::StandardButtons standard;
    for (const ButtonRow& row : rows) standard |= row.button;
    box.setStandardButtons(standard);
    box.setDefaultButton(rows.front().button);
    box.setIcon(buttons == PromptButtons::Ok ? QMessageBox::Information : QMessageBox::Question);
    const int result = box.exec();
    for (const ButtonRow& row : rows)
        if (result == row.button) return row.answer;
    // Closing the box with Escape or the title bar counts as the way out it offers.
    if (buttons == PromptButtons::Ok) return PromptAnswer::Ok;
    if (buttons == PromptButtons::YesNo) return PromptAnswer::No;
    return PromptAnswer::Cancel;
}

void CQtPrompt::Beep() {
    QApplication::beep();
}

CStatusProgress::CStatusProgress(QStatusBar* statusBar) : m_statusBar(statusBar), m_bar(new QProgressBar) {
    m_bar->setMaximumWidth(240);
    m_bar->setTextVisible(false);
    m_statusBar->addPermanentWidget(m_bar);
    m_bar->hide();
}

void CStatusProgress::Start(const std::string& title, int total) {
    m_statusBar->showMessage(QString::fromStdString(title));
    m_bar->setRange(0, total > 0 ? total : 0);
    m_bar->setValue(0);
    m_bar->show();
}

void CStatusProgress::SetPosition(int position) {
    m_bar->setValue(position);
}

void CStatusProgress::End() {
    m_bar->hide();
    m_statusBar->clearMessage();
}
