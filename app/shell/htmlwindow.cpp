#include "shell/htmlwindow.h"

#include <QFileInfo>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

CHtmlWindow::CHtmlWindow(IActionTarget* target, const QString& title, QWidget* parent)
    : QDialog(parent), m_target(target), m_browser(new QTextBrowser(this)) {
    setWindowTitle(title);
    setAttribute(Qt::WA_DeleteOnClose, false);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_browser);
    // Links are handled here: page links navigate, the rest are actions.
    m_browser->setOpenLinks(false);
    connect(m_browser, &QTextBrowser::anchorClicked, this, &CHtmlWindow::ActivateLink);
    resize(520, 420);
}

bool CHtmlWindow::Navigate(const QString& path) {
    const QFileInfo info(path);
    if (!info.isFile() || !info.isReadable()) {
        m_browser->setHtml(tr("<p>The page %1 cannot be found.</p>").arg(path.toHtmlEscaped()));
        return false;
    }
    m_browser->setSource(QUrl::fromLocalFile(info.absoluteFilePath()));
    return true;
}

void CHtmlWindow::ActivateLink(const QUrl& link) {
    const QString path = link.isLocalFile() ? link.toLocalFile() : QString();
    if (!path.isEmpty() && (path.endsWith(".htm", Qt::CaseInsensitive) || path.endsWith(".html", Qt::CaseInsensitive))) {
        Navigate(path);
        return;
    }
    if (m_target) m_target->OnAction(link.toString());
}
