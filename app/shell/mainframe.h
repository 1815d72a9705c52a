#pragma once
// CMainFrame: the program's multiple-document main window.
#include <QMainWindow>
#include <QString>

class QMdiArea;

class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    explicit CMainFrame(QWidget* parent = nullptr);

    // Opens a JPEG file in a new picture window; false with `error` set when it cannot be read.
    bool OpenFile(const QString& path, QString* error = nullptr);
    // The area holding the picture windows.
    QMdiArea* MdiArea() const { return m_mdi; }

private slots:
    void OnFileOpen();

private:
    QMdiArea* m_mdi;
};
