#pragma once
// CeditorView: shows one CeditorDoc in an editor window. It draws the current image state
// (or a preview) scaled on the WindowColor grey, zooms in fixed steps, pans by dragging,
// keeps the screen-sized display and preview copies that adjustment previews use, hosts
// at most one interactive tool (IGuiItem) and carries the editor's image commands.
#include <QAbstractScrollArea>
#include <QImage>
#include <QPoint>
#include <QPointer>
#include <QTimer>
#include <memory>
#include <vector>

#include "core/imagebuffer.h"
#include "editor/viewlayout.h"
#include "shell/htmlwindow.h"

class CChildFrame;
class CMainFrame;
class CeditorDoc;
class IGuiItem;

class CeditorView : public QAbstractScrollArea, public IActionTarget {
    Q_OBJECT
public:
    // Display modes: what the painting shows.
    enum DisplayMode { kDrawImage = 0, kDrawDisplayCopy = 1, kDrawPreviewCopy = 2 };

    CeditorView(CMainFrame* frame, std::unique_ptr<CeditorDoc> document, QWidget* parent = nullptr);
    ~CeditorView() override;

    CeditorDoc* GetDocument() const { return m_document.get(); }
    CMainFrame* MainFrame() const { return m_frame; }
    // The editor window holding this view, or null when the view stands alone.
    CChildFrame* ChildFrame() const;
    // The document's title: the file name of its path.
    QString Title() const;
    // Puts another document in the view (next and previous image); the old one and its
    // undo history go. The zoom is set to fit.
    void SetDocument(std::unique_ptr<CeditorDoc> document);
    // Client size of a new editor window for the current picture inside `mainClient`.
    QSize FirstDisplaySize(const QSize& mainClient) const;

    // --- Commands (see editor/commandtable.h) ---
    bool IsCommandEnabled(int id) const;
    void OnCommand(int id);
    // Reads link actions of the improvement wizard panel.
    void OnAction(const QString& action) override;
    QWidget* WizardPanel() const;

    // --- Zoom and layout ---
    // Screen pixels per image pixel; 0 until the first drawing after a fit request.
    double Zoom() const { return m_state.zoom; }
    // Sets the zoom (0: fit on the next drawing) and repaints; `fast` draws the document
    // state rather than a view-dependent preview until SetFastDrawing(false).
    void SetZoom(double zoom, bool fast = false);
    // One zoom step up or down, as the "+" and "-" buttons and Ctrl+plus / Ctrl+minus do.
    void ZoomStep(bool in);
    void ZoomTo100();
    void ZoomToFit();
    void SetFastDrawing(bool fast) { m_fastDrawing = fast; }
    bool FastDrawing() const { return m_fastDrawing; }
    // Image point at the centre of the window.
    QPointF ViewCentre() const { return {m_state.centreX, m_state.centreY}; }
    void SetViewCentre(const QPointF& centre);
    // The layout for the current window size; a pending fit is stored when `commitFit`.
    viewlayout::Layout CurrentLayout(bool commitFit = false);
    // Window point of an image point and back, for tools.
    QPointF ImageToWindow(const QPointF& image);
    QPointF WindowToImage(const QPointF& window);
    // Tells a view-dependent tool that its preview must be rebuilt, around a rebuild of
    // the display copies, and repaints.
    void RefreshToolPreview();

    // --- Display and preview copies ---
    // Rebuilds both copies: the current state stretched to its display size.
    void RebuildDisplayCopies();
    ImagePlane DisplayCopy() const { return m_displayCopy.Plane(); }
    ImagePlane PreviewCopy() const { return m_previewCopy.Plane(); }
    int DisplayModeValue() const { return m_displayMode; }
    void SetDisplayMode(int mode);
    // Asks for a repaint from any thread (the preview workers use it).
    void RequestRepaint();

    // --- Tools ---
    // Starts `tool` unless one is active: this window becomes the main window's tool frame
    // and the tool's panel is created. With `previewInCopies` the display copies are
    // rebuilt and the preview copy shown first. False when a tool was already active.
    bool StartTool(std::unique_ptr<IGuiItem> tool, bool previewInCopies = false);
    IGuiItem* Tool() const { return m_tool.get(); }
    // The user confirmed the tool: its result becomes the next image state (one undo
    // step) and the tool ends.
    void ApplyToolResult();
    // Ends the tool without a result (its cancel).
    void EndTool();
    // A full-size image the tool shows instead of the document state (null: none).
    void SetPreviewImage(const ImagePlane* image);
    bool SpaceHeld() const { return m_spaceHeld; }
    // The space bar went down or up (also handed over by the histogram window).
    void HandleSpaceKey(bool down);

    // Tells the view, and through it the histogram window and the menus, that the
    // document's picture changed (an operation committed, undone or redone); repaints.
    void UpdateAfterEdit();

    // Draws what the window shows into an image of the window's client size.
    QImage RenderImage();

signals:
    // The picture, its modified flag, the zoom or the tool changed.
    void stateChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    bool event(QEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    void Draw(const ImagePlane& target);
    void UpdateScrollBars();
    void OnScrollBarMoved();
    void Changed();
    void UpdateCursor();
    void ShowPopupMenu(const QPoint& global);
    // Commands.
    void Turn(int id);
    void RunResize();
    void RunSave();
    void RunSaveAs();
    void RunExifInfo();
    void ShowNeighbour(int step);
    bool AskDiscard();
    void ShowWizard();

    CMainFrame* m_frame;
    std::unique_ptr<CeditorDoc> m_document;
    viewlayout::ViewState m_state;
    bool m_fastDrawing = false;
    bool m_spaceHeld = false;
    bool m_panning = false;
    QPoint m_dragStart;
    bool m_updatingScrollBars = false;
    int m_wheelRemainder = 0;
    int m_displayMode = kDrawImage;
    const ImagePlane* m_previewImage = nullptr;
    std::unique_ptr<IGuiItem> m_tool;
    std::vector<std::unique_ptr<IGuiItem>> m_retiredTools;
    CImageBuffer m_displayCopy;
    CImageBuffer m_previewCopy;
    CImageBuffer m_backBuffer;  // the off-screen bitmap of the client size
    CImageBuffer m_scratch;     // a stretch that reaches past the window edge
    QPointer<CHtmlWindow> m_wizard;
    QTimer m_resizeEnd;         // fires when the window has stopped changing size
};
