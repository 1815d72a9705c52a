#pragma once
// CChildFrame: an editor window of the main window, holding one CeditorView.
#include <QMdiSubWindow>

class CeditorView;

class CChildFrame : public QMdiSubWindow {
    Q_OBJECT
public:
    explicit CChildFrame(CeditorView* view, QWidget* parent = nullptr);
    CeditorView* View() const { return m_view; }
    // Sizes the window around its view's first display size (keeping its position).
    void SizeToView();
    // Shows the document's title.
    void UpdateTitle();

protected:
    // A window with an active tool refuses to close; a modified picture is offered for saving.
    void closeEvent(QCloseEvent* event) override;

private:
    CeditorView* m_view;
};
