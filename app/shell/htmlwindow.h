#pragma once
// CHtmlWindow: a small window showing one of the program's HTML pages (the welcome page,
// the improvement wizard panel). Links to other pages navigate; every other link delivers
// its text, e.g. "action:dontshow", to the window's action target.
#include <QDialog>
#include <QString>

class QTextBrowser;
class QUrl;

class IActionTarget {
public:
    virtual ~IActionTarget() = default;
    // A link of the page was clicked; `action` is the link's text.
    virtual void OnAction(const QString& action) = 0;
};

class CHtmlWindow : public QDialog {
    Q_OBJECT
public:
    // A modeless window titled `title`; link actions go to `target` (may be null).
    CHtmlWindow(IActionTarget* target, const QString& title, QWidget* parent = nullptr);

    // Shows the page at `path`; false when it cannot be read (the window then says so).
    bool Navigate(const QString& path);
    // What a click on a link with this address does.
    void ActivateLink(const QUrl& link);
    QTextBrowser* Browser() const { return m_browser; }

private:
    IActionTarget* m_target;
    QTextBrowser* m_browser;
};
