// CeditorView: document, drawing, layout, zoom, scroll bars, display copies and tools.
#include "editor/editorview.h"

#include <QDir>
#include <QFileInfo>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>
#include <cmath>
#include <cstring>

#include "editor/childframe.h"
#include "editor/editordoc.h"
#include "editor/guiitem.h"
#include "settings/settings.h"
#include "shell/mainframe.h"
#include "shell/waitcursor.h"

namespace {

// Stretches the region (sx, sy, sw, sh) of `src` over the rectangle `dst` of `target`
// without averaging, writing only the part of `dst` inside `target`. Equal sizes are copied
// pixel for pixel.
void StretchInto(const ImagePlane& src, int sx, int sy, int sw, int sh, const ImagePlane& target, const QRect& dst,
                 CImageBuffer& scratch) {
    if (!src.IsValid() || !target.IsValid() || sw <= 0 || sh <= 0 || dst.isEmpty()) return;
    const QRect clip = dst & QRect(0, 0, target.width, target.height);
    if (clip.isEmpty()) return;
    const bool inside = sx >= 0 && sy >= 0 && sx + sw <= src.width && sy + sh <= src.height;
    if (inside && dst.width() == sw && dst.height() == sh) {
        for (int y = clip.top(); y <= clip.bottom(); ++y)
            std::memcpy(target.Row(y) + clip.x() * 3, src.Row(sy + y - dst.y()) + (sx + clip.x() - dst.x()) * 3,
                        static_cast<size_t>(clip.width()) * 3);
        return;
    }
    if (clip == dst) {
        const ImagePlane part{target.Row(dst.y()) + dst.x() * 3, dst.width(), dst.height(), 3, target.stride};
        viewlayout::StretchNearest(src, sx, sy, sw, sh, part);
        return;
    }
    // The stretch reaches past the window: stretch it whole, then copy what is visible.
    if (!scratch.Create(dst.width(), dst.height())) return;
    const ImagePlane whole = scratch.Plane();
    viewlayout::StretchNearest(src, sx, sy, sw, sh, whole);
    for (int y = clip.top(); y <= clip.bottom(); ++y)
        std::memcpy(target.Row(y) + clip.x() * 3, whole.Row(y - dst.y()) + (clip.x() - dst.x()) * 3,
                    static_cast<size_t>(clip.width()) * 3);
}

}  // namespace

CeditorView::CeditorView(CMainFrame* frame, std::unique_ptr<CeditorDoc> document, QWidget* parent)
    : QAbstractScrollArea(parent), m_frame(frame), m_document(std::move(document)) {
    // A 2-pixel border: the window around a picture shown 1:1 is its size plus 4.
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(2);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setAttribute(Qt::WA_NoSystemBackground);
    viewport()->setMouseTracking(true);
    connect(horizontalScrollBar(), &QScrollBar::valueChanged, this, &CeditorView::OnScrollBarMoved);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, &CeditorView::OnScrollBarMoved);
    connect(horizontalScrollBar(), &QScrollBar::sliderReleased, this, &CeditorView::RefreshToolPreview);
    connect(verticalScrollBar(), &QScrollBar::sliderReleased, this, &CeditorView::RefreshToolPreview);
    m_resizeEnd.setSingleShot(true);
    m_resizeEnd.setInterval(150);
    connect(&m_resizeEnd, &QTimer::timeout, this, [this] {
        m_fastDrawing = false;
        RefreshToolPreview();
    });
}

CeditorView::~CeditorView() {
    if (m_tool) {
        m_tool->Close();
        if (m_frame && m_frame->ToolFrame() == ChildFrame()) m_frame->SetToolFrame(nullptr);
    }
    delete m_wizard;
}

CChildFrame* CeditorView::ChildFrame() const {
    return qobject_cast<CChildFrame*>(parentWidget());
}

QString CeditorView::Title() const {
    return QFileInfo(QString::fromStdString(m_document->PathName())).fileName();
}

void CeditorView::SetDocument(std::unique_ptr<CeditorDoc> document) {
    m_document = std::move(document);
    m_displayMode = kDrawImage;
    m_previewImage = nullptr;
    m_displayCopy.Create(0, 0);
    m_previewCopy.Create(0, 0);
    if (CChildFrame* child = ChildFrame()) child->UpdateTitle();
    ZoomToFit();
}

QSize CeditorView::FirstDisplaySize(const QSize& mainClient) const {
    const ImagePlane image = m_document->CurrentImage();
    if (!image.IsValid()) return {320, 240};
    int32_t width = 0, height = 0;
    viewlayout::FirstDisplaySize(image.width, image.height, mainClient.width(), mainClient.height(), width, height);
    return {width, height};
}

// ---------------------------------------------------------------- layout and zoom

viewlayout::Layout CeditorView::CurrentLayout(bool commitFit) {
    const ImagePlane image = m_document->CurrentImage();
    const QSize client = viewport()->size();
    if (m_state.zoom > 0 || commitFit) {
        const bool fitting = m_state.zoom <= 0;
        const viewlayout::Layout layout =
            viewlayout::ComputeLayout(image.width, image.height, client.width(), client.height(), m_state);
        // The fit is stored now; the zoom controls show it once this drawing is done.
        if (fitting && m_state.zoom > 0) QMetaObject::invokeMethod(this, &CeditorView::Changed, Qt::QueuedConnection);
        return layout;
    }
    viewlayout::ViewState pending = m_state;
    return viewlayout::ComputeLayout(image.width, image.height, client.width(), client.height(), pending);
}

QPointF CeditorView::ImageToWindow(const QPointF& image) {
    const viewlayout::Layout layout = CurrentLayout();
    if (layout.zoom <= 0) return {};
    return {layout.dstX + (image.x() - layout.srcX) * layout.zoom, layout.dstY + (image.y() - layout.srcY) * layout.zoom};
}

QPointF CeditorView::WindowToImage(const QPointF& window) {
    const viewlayout::Layout layout = CurrentLayout();
    if (layout.zoom <= 0) return {};
    return {layout.srcX + (window.x() - layout.dstX) / layout.zoom, layout.srcY + (window.y() - layout.dstY) / layout.zoom};
}

void CeditorView::SetZoom(double zoom, bool fast) {
    m_state.zoom = std::max(0.0, zoom);
    if (fast) m_fastDrawing = true;
    UpdateScrollBars();
    viewport()->update();
    Changed();
}

void CeditorView::ZoomStep(bool in) {
    if (!m_document->CurrentImage().IsValid()) return;
    CurrentLayout(true);  // a pending fit is the factor the step starts from
    const double zoom = in ? viewlayout::ZoomIn(m_state.zoom) : viewlayout::ZoomOut(m_state.zoom);
    m_fastDrawing = true;
    m_state.zoom = zoom;
    UpdateScrollBars();
    viewport()->repaint();
    Changed();
    m_fastDrawing = false;
    RefreshToolPreview();
}

void CeditorView::ZoomTo100() {
    SetZoom(1.0);
    RefreshToolPreview();
}

void CeditorView::ZoomToFit() {
    // The bars go first, so that the fit is computed for the whole client area.
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    SetZoom(0.0);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    RefreshToolPreview();
}

void CeditorView::SetViewCentre(const QPointF& centre) {
    m_state.centreX = static_cast<float>(centre.x());
    m_state.centreY = static_cast<float>(centre.y());
    CurrentLayout();  // moves the centre back inside the image
    UpdateScrollBars();
    viewport()->update();
}

void CeditorView::UpdateScrollBars() {
    m_updatingScrollBars = true;
    const ImagePlane image = m_document->CurrentImage();
    const QSize client = viewport()->size();
    QScrollBar* bars[2] = {horizontalScrollBar(), verticalScrollBar()};
    if (!image.IsValid() || m_state.zoom <= 0) {
        for (QScrollBar* bar : bars) bar->setRange(0, 0);
    } else {
        CurrentLayout();
        const int sizes[2] = {image.width, image.height};
        const int pages[2] = {client.width(), client.height()};
        const float centres[2] = {m_state.centreX, m_state.centreY};
        for (int i = 0; i < 2; ++i) {
            const int total = static_cast<int>(std::lround(sizes[i] * m_state.zoom));
            if (total <= pages[i]) {
                bars[i]->setRange(0, 0);
                continue;
            }
            bars[i]->setRange(0, total - pages[i]);
            bars[i]->setPageStep(pages[i]);
            bars[i]->setSingleStep(std::max(1, pages[i] / 20));
            bars[i]->setValue(static_cast<int>(std::lround(centres[i] * m_state.zoom - pages[i] / 2.0)));
        }
    }
    m_updatingScrollBars = false;
}

void CeditorView::OnScrollBarMoved() {
    if (m_updatingScrollBars || m_state.zoom <= 0) return;
    const QSize client = viewport()->size();
    if (horizontalScrollBar()->maximum() > 0)
        m_state.centreX = static_cast<float>((horizontalScrollBar()->value() + client.width() / 2.0) / m_state.zoom);
    if (verticalScrollBar()->maximum() > 0)
        m_state.centreY = static_cast<float>((verticalScrollBar()->value() + client.height() / 2.0) / m_state.zoom);
    viewport()->update();
    // A dragged bar rebuilds a tool's preview when it is let go; other moves end at once.
    if (!horizontalScrollBar()->isSliderDown() && !verticalScrollBar()->isSliderDown()) RefreshToolPreview();
}

void CeditorView::scrollContentsBy(int, int) {
    // The picture is redrawn from the view centre, never scrolled as pixels.
}

void CeditorView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    m_fastDrawing = true;
    UpdateScrollBars();
    m_resizeEnd.start();
}

void CeditorView::RefreshToolPreview() {
    if (m_tool && m_tool->IsViewDependent()) {
        m_tool->OnViewChanging();
        RebuildDisplayCopies();
        m_tool->OnViewChanged();
    }
    viewport()->update();
}

// ---------------------------------------------------------------- drawing

void CeditorView::Draw(const ImagePlane& target) {
    const int grey = std::clamp<int>(CSettings::Get().WindowColor, 0, 255);
    std::memset(target.data, grey, target.SizeInBytes());
    const viewlayout::Layout layout = CurrentLayout(true);
    const QRect dst(layout.dstX, layout.dstY, layout.dstWidth, layout.dstHeight);
    if (dst.isEmpty()) return;
    if (m_displayMode != kDrawImage && !m_fastDrawing) {
        const ImagePlane copy = m_displayMode == kDrawPreviewCopy ? m_previewCopy.Plane() : m_displayCopy.Plane();
        StretchInto(copy, 0, 0, copy.width, copy.height, target, dst, m_scratch);
    } else if (m_previewImage && m_previewImage->IsValid() &&
               (!m_fastDrawing || !(m_tool && m_tool->IsViewDependent()))) {
        StretchInto(*m_previewImage, layout.srcX, layout.srcY, layout.srcWidth, layout.srcHeight, target, dst,
                    m_scratch);
    } else {
        StretchInto(m_document->CurrentImage(), layout.srcX, layout.srcY, layout.srcWidth, layout.srcHeight, target,
                    dst, m_scratch);
    }
}

QImage CeditorView::RenderImage() {
    const QSize client = viewport()->size();
    if (client.isEmpty() || !m_backBuffer.Create(client.width(), client.height())) return {};
    const ImagePlane plane = m_backBuffer.Plane();
    Draw(plane);
    // The off-screen bitmap is blue-green-red with 4-byte rows: Format_BGR888 over it as is.
    QImage image(plane.data, plane.width, plane.height, plane.stride, QImage::Format_BGR888);
    if (m_tool) {
        QPainter painter(&image);
        m_tool->DrawOverlay(painter);
    }
    return image;
}

void CeditorView::paintEvent(QPaintEvent*) {
    const QImage image = RenderImage();
    if (image.isNull()) return;
    QPainter painter(viewport());
    painter.drawImage(0, 0, image);
}

// ---------------------------------------------------------------- display copies

void CeditorView::RebuildDisplayCopies() {
    const viewlayout::Layout layout = CurrentLayout(true);
    const ImagePlane image = m_document->CurrentImage();
    if (layout.dstWidth <= 0 || layout.dstHeight <= 0 || !image.IsValid() ||
        !m_displayCopy.Create(layout.dstWidth, layout.dstHeight) ||
        !m_previewCopy.Create(layout.dstWidth, layout.dstHeight)) {
        m_displayCopy.Create(0, 0);
        m_previewCopy.Create(0, 0);
        return;
    }
    const ImagePlane display = m_displayCopy.Plane();
    viewlayout::StretchNearest(image, layout.srcX, layout.srcY, layout.srcWidth, layout.srcHeight, display);
    std::memcpy(m_previewCopy.Data(), display.data, display.SizeInBytes());
}

void CeditorView::SetDisplayMode(int mode) {
    m_displayMode = mode;
    viewport()->update();
}

void CeditorView::RequestRepaint() {
    QMetaObject::invokeMethod(viewport(), qOverload<>(&QWidget::update), Qt::QueuedConnection);
}

// ---------------------------------------------------------------- tools

bool CeditorView::StartTool(std::unique_ptr<IGuiItem> tool, bool previewInCopies) {
    if (m_tool || !tool) return false;
    if (previewInCopies) {
        RebuildDisplayCopies();
        m_displayMode = kDrawPreviewCopy;
    }
    if (m_frame) m_frame->SetToolFrame(ChildFrame());
    m_tool = std::move(tool);
    m_tool->Create(nullptr);
    viewport()->update();
    Changed();
    return true;
}

void CeditorView::ApplyToolResult() {
    if (!m_tool) return;
    if (m_frame) m_frame->SetToolFrame(nullptr);
    ApplyResult result = ApplyResult::Ok;
    {
        const CWaitCursor wait;
        const std::vector<geometry::ResultStep> steps = m_tool->ResultSteps();
        if (!steps.empty()) {
            result = m_document->ApplyPlan(steps);
        } else {
            ImagePlane size;
            m_tool->GetResultSize(size);
            IGuiItem* tool = m_tool.get();
            result = m_document->ApplyOperation(size.width, size.height, [tool](const ImagePlane&, const ImagePlane& next) {
                return tool->RenderResult(next);
            });
        }
    }
    if (result != ApplyResult::Ok && m_frame) {
        const char* text = result == ApplyResult::OutOfMemory
                                   ? "The result could not be made: there is not enough memory."
                                   : "The result could not be made.";
        m_frame->Prompt().Message(text, "Lumaret");
    }
    EndTool();
}

void CeditorView::EndTool() {
    if (!m_tool) return;
    if (m_frame && m_frame->ToolFrame() == ChildFrame()) m_frame->SetToolFrame(nullptr);
    m_tool->Close();
    // The tool may be ending from inside one of its own handlers: it is deleted once
    // control is back in the event loop.
    m_retiredTools.push_back(std::move(m_tool));
    QMetaObject::invokeMethod(this, [this] { m_retiredTools.clear(); }, Qt::QueuedConnection);
    m_previewImage = nullptr;
    m_displayMode = kDrawImage;
    UpdateCursor();
    UpdateScrollBars();
    viewport()->update();
    Changed();
}

void CeditorView::SetPreviewImage(const ImagePlane* image) {
    m_previewImage = image;
    viewport()->update();
}

void CeditorView::UpdateAfterEdit() {
    UpdateScrollBars();
    viewport()->update();
    Changed();
}

void CeditorView::Changed() {
    emit stateChanged();
}
