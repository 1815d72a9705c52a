#pragma once
// CHelpWindow: the program's help, HTML pages in data/help/ shown in one window. Dialogs
// open it at their help context number.
#include <QDialog>
#include <QString>

class QTextBrowser;

namespace help {
constexpr int kContents = 0;    // the index page
constexpr int kHistogram = 7;   // the histogram window
}  // namespace help

class CHelpWindow : public QDialog {
    Q_OBJECT
public:
    explicit CHelpWindow(QWidget* parent = nullptr);

    // Shows the page of a help context number (the index for numbers without a page).
    void ShowContext(int context);
    // Shows a page of the help folder by file name, e.g. "resize.htm".
    void ShowPage(const QString& fileName);
    // The page file name of a context number.
    static QString PageFor(int context);
    // Folder of the help pages.
    static QString HelpFolder();
    QTextBrowser* Browser() const { return m_browser; }

private:
    QTextBrowser* m_browser;
};
