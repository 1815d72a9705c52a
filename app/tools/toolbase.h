#pragma once
// The common parts of the editor view's interactive tools: the modeless panel beside the
// view (Escape and its close box cancel, Ctrl+Z and Ctrl+Y reach the tool's own history)
// and a base that ends the tool through the view on OK and Cancel.
#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>

#include "editor/guiitem.h"
#include "editor/viewlayout.h"
#include "geometry/types.h"

class CeditorView;
class CQtPrompt;
class QBoxLayout;
class QPushButton;

class CToolPanel : public QWidget {
    Q_OBJECT
public:
    // A tool window of `view`'s main window with the title `title`; `cancel` runs when the
    // user closes it or presses Escape in it.
    CToolPanel(CeditorView* view, const QString& title, std::function<void()> cancel);
    // Shows the panel at the right of the view's window, or at its left when the screen
    // has no room there.
    void ShowBesideView();
    // An "OK"-like and a "Cancel"-like button and a "?" button that opens the help at
    // `helpContext`, in a row added to `layout`.
    std::pair<QPushButton*, QPushButton*> AddButtons(QBoxLayout* layout, const QString& ok, const QString& cancel,
                                                     int helpContext = 0);
    // The tool is ending: closing the window no longer cancels it.
    void Detach();

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QPointer<CeditorView> m_view;
    std::function<void()> m_cancel;
};

// Base of the tools: the view, the panel, OK and Cancel, Escape in the view.
class CToolBase : public IGuiItem {
public:
    explicit CToolBase(CeditorView* view);
    ~CToolBase() override;

    void Close() override;
    // Escape cancels; other keys are swallowed as the tool interface's default does.
    bool OnKeyDown(int key, int repeat, unsigned flags) override;
    bool IsViewDependent() override { return false; }

    // The tool's panel (null before Create and after Close).
    CToolPanel* Panel() const { return m_panel; }
    // OK: the view commits the result and ends the tool.
    void Confirm();
    // Cancel: the view ends the tool without a result.
    void Cancel();

protected:
    // Makes the panel; the tool fills it and calls m_panel->ShowBesideView().
    CToolPanel* MakePanel(const QString& title);
    // The image part the view shows, in image pixels, clipped to the image.
    geometry::CropRect VisibleImageRect() const;
    // Window point to image point, and back.
    QPointF ToImage(int x, int y) const;
    QPointF ToWindow(double x, double y) const;
    // Window pixels per image pixel (1 before the first drawing).
    double Zoom() const;
    // Asks the view to repaint.
    void Repaint() const;
    // Message boxes and beeps of the tool, owned by its panel.
    CQtPrompt& Prompt();

    CeditorView* m_view;
    QPointer<CToolPanel> m_panel;
    std::unique_ptr<CQtPrompt> m_prompt;
    bool m_closing = false;
};
