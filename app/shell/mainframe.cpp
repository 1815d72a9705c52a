#include "shell/mainframe.h"

#include <QApplication>
#include <QFileDialog>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMessageBox>

#include "editor/pictureview.h"

CMainFrame::CMainFrame(QWidget* parent) : QMainWindow(parent), m_mdi(new QMdiArea(this)) {
    setWindowTitle("Lumaret");
    setCentralWidget(m_mdi);
    resize(1100, 750);

    QMenu* file = menuBar()->addMenu(tr("&File"));
    QAction* open = file->addAction(tr("&Open...\tCtrl+O"), this, &CMainFrame::OnFileOpen);
    open->setShortcut(QKeySequence::Open);
    open->setObjectName("actionOpen");
    file->addSeparator();
    QAction* exit = file->addAction(tr("E&xit"), this, &QWidget::close);
    exit->setObjectName("actionExit");
}

bool CMainFrame::OpenFile(const QString& path, QString* error) {
    auto* view = new CPictureView(path);
    if (!view->IsValid()) {
        delete view;
        if (error) *error = tr("%1 cannot be read as a JPEG picture.").arg(path);
        return false;
    }
    QMdiSubWindow* window = m_mdi->addSubWindow(view);
    window->setWindowTitle(view->windowTitle());
    window->show();
    return true;
}

void CMainFrame::OnFileOpen() {
    const QString path = QFileDialog::getOpenFileName(
        this, tr("Open"), QString(), tr("JPEG pictures (*.jpg *.jpeg *.jpe);;All files (*)"));
    if (path.isEmpty()) return;
    QString error;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool opened = OpenFile(path, &error);
    QApplication::restoreOverrideCursor();
    if (!opened) QMessageBox::warning(this, tr("Lumaret"), error);
}
