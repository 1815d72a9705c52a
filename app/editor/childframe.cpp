#include "editor/childframe.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QCloseEvent>
#include <QMdiArea>
#include <QMessageBox>

#include "editor/editordoc.h"
#include "editor/editorview.h"
#include "shell/mainframe.h"

CChildFrame::CChildFrame(CeditorView* view, QWidget* parent) : QMdiSubWindow(parent), m_view(view) {
    setWidget(view);
    setAttribute(Qt::WA_DeleteOnClose);
    // Ctrl+W belongs to the improvement wizard; the window's own menu keeps Ctrl+F4 for Close.
    if (QMenu* menu = systemMenu()) {
        for (QAction* action : menu->actions()) {
            QList<QKeySequence> keys = action->shortcuts();
            if (keys.removeAll(QKeySequence(QStringLiteral("Ctrl+W"))) > 0) action->setShortcuts(keys);
        }
    }
    UpdateTitle();
}

void CChildFrame::UpdateTitle() {
    setWindowTitle(m_view->Title());
}

void CChildFrame::SizeToView() {
    QMdiArea* area = mdiArea();
    const QSize client = area ? area->viewport()->size() : QSize(1024, 768);
    const QSize viewSize = m_view->FirstDisplaySize(client);
    // The frame's own border and caption come on top of the view's size.
    const QSize decoration = size() - m_view->size();
    resize(viewSize + decoration);
}

void CChildFrame::closeEvent(QCloseEvent* event) {
    if (m_view->Tool()) {
        QApplication::beep();
        event->ignore();
        return;
    }
    CeditorDoc* document = m_view->GetDocument();
    if (document->IsModified()) {
        const auto answer = QMessageBox::question(this, QStringLiteral("Lumaret"),
                                                  tr("Save changes to %1?").arg(m_view->Title()),
                                                  QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        // A save that was declined at "Overwrite?" or failed keeps the window and the edits.
        if (answer == QMessageBox::Cancel || (answer == QMessageBox::Yes && !document->OnFileSave())) {
            event->ignore();
            return;
        }
    }
    QMdiSubWindow::closeEvent(event);
}
