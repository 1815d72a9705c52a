// CeditorView: mouse, wheel and keys — panning, the popup menu, next and previous image,
// and handing events to the active tool first.
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QScrollBar>
#include <QWheelEvent>

#include "editor/commandtable.h"
#include "editor/editordoc.h"
#include "editor/editorview.h"
#include "editor/guiitem.h"

namespace {

unsigned MouseFlags(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers) {
    unsigned flags = 0;
    if (buttons & Qt::LeftButton) flags |= guiflags::kLeftButton;
    if (buttons & Qt::RightButton) flags |= guiflags::kRightButton;
    if (buttons & Qt::MiddleButton) flags |= guiflags::kMiddleButton;
    if (modifiers & Qt::ShiftModifier) flags |= guiflags::kShift;
    if (modifiers & Qt::ControlModifier) flags |= guiflags::kControl;
    if (modifiers & Qt::AltModifier) flags |= guiflags::kAlt;
    return flags;
}

unsigned KeyFlags(const QKeyEvent* event) {
    return MouseFlags(Qt::NoButton, event->modifiers());
}

}  // namespace

void CeditorView::UpdateCursor() {
    if (m_panning) {
        viewport()->setCursor(Qt::ClosedHandCursor);
    } else if (m_spaceHeld) {
        viewport()->setCursor(Qt::OpenHandCursor);
    } else if (!(m_tool && m_tool->OnSetCursor())) {
        viewport()->unsetCursor();
    }
}

void CeditorView::HandleSpaceKey(bool down) {
    m_spaceHeld = down;
    UpdateCursor();
}

void CeditorView::mousePressEvent(QMouseEvent* event) {
    const unsigned flags = MouseFlags(event->buttons(), event->modifiers());
    const QPoint pos = event->position().toPoint();
    if (event->button() == Qt::LeftButton) {
        // Space held means panning, whatever the tool would do with the click.
        if (!m_spaceHeld && m_tool && m_tool->OnLButtonDown(flags, pos.x(), pos.y())) return;
        m_panning = true;
        m_dragStart = pos;
        UpdateCursor();
    } else if (event->button() == Qt::RightButton) {
        if (m_tool && m_tool->OnRButtonDown(flags, pos.x(), pos.y())) return;
        ShowPopupMenu(event->globalPosition().toPoint());
    }
}

void CeditorView::mouseMoveEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    if (m_panning) {
        const QPoint delta = pos - m_dragStart;
        m_dragStart = pos;
        if (m_state.zoom > 0) {
            // The image follows the pointer.
            m_state.centreX -= static_cast<float>(delta.x() / m_state.zoom);
            m_state.centreY -= static_cast<float>(delta.y() / m_state.zoom);
        }
        m_fastDrawing = true;
        UpdateScrollBars();
        viewport()->repaint();
        return;
    }
    if (m_tool) {
        if (m_tool->OnMouseMove(MouseFlags(event->buttons(), event->modifiers()), pos.x(), pos.y())) return;
        if (!m_spaceHeld) m_tool->OnSetCursor();
    }
}

void CeditorView::mouseReleaseEvent(QMouseEvent* event) {
    const unsigned flags = MouseFlags(event->buttons(), event->modifiers());
    const QPoint pos = event->position().toPoint();
    if (event->button() == Qt::LeftButton) {
        // A pan always ends with its own button: a tool that swallows every release would
        // otherwise leave the view panning with the button up.
        if (!m_panning) {
            if (m_tool) m_tool->OnLButtonUp(flags, pos.x(), pos.y());
            return;
        }
        m_panning = false;
        m_fastDrawing = false;
        UpdateCursor();
        RefreshToolPreview();
    } else if (event->button() == Qt::RightButton) {
        if (m_tool) m_tool->OnRButtonUp(flags, pos.x(), pos.y());
    }
}

void CeditorView::mouseDoubleClickEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    if (event->button() == Qt::LeftButton && m_tool &&
        m_tool->OnLButtonDblClk(MouseFlags(event->buttons(), event->modifiers()), pos.x(), pos.y()))
        return;
    // Otherwise a double click is a press like any other.
    mousePressEvent(event);
}

void CeditorView::wheelEvent(QWheelEvent* event) {
    // One notch (120) is one picture; finer wheels add up to notches.
    m_wheelRemainder += event->angleDelta().y();
    event->accept();
    while (m_wheelRemainder <= -120) {
        m_wheelRemainder += 120;
        if (IsCommandEnabled(cmd::ShowNextImage)) OnCommand(cmd::ShowNextImage);
    }
    while (m_wheelRemainder >= 120) {
        m_wheelRemainder -= 120;
        if (IsCommandEnabled(cmd::ShowPreviousImage)) OnCommand(cmd::ShowPreviousImage);
    }
}

bool CeditorView::event(QEvent* event) {
    // Space is the view's before any menu shortcut can claim it.
    if (event->type() == QEvent::ShortcutOverride && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Space) {
        event->accept();
        return true;
    }
    return QAbstractScrollArea::event(event);
}

void CeditorView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space) {
        if (!event->isAutoRepeat()) HandleSpaceKey(true);
        return;
    }
    if (m_tool && m_tool->OnKeyDown(event->key(), event->isAutoRepeat() ? event->count() : 0, KeyFlags(event)))
        return;
    QAbstractScrollArea::keyPressEvent(event);
}

void CeditorView::keyReleaseEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Space) {
        if (!event->isAutoRepeat()) HandleSpaceKey(false);
        return;
    }
    if (m_tool && m_tool->OnKeyUp(event->key(), event->isAutoRepeat() ? event->count() : 0, KeyFlags(event)))
        return;
    QAbstractScrollArea::keyReleaseEvent(event);
}

void CeditorView::focusOutEvent(QFocusEvent* event) {
    // The space bar's release goes to whichever window has the focus by then.
    if (m_spaceHeld && QApplication::focusWidget() == nullptr) HandleSpaceKey(false);
    QAbstractScrollArea::focusOutEvent(event);
}

void CeditorView::ShowPopupMenu(const QPoint& global) {
    QMenu menu(this);
    menu.addAction(tr("Zoom to 100%"), this, [this] { OnCommand(cmd::Zoom100); });
    menu.addAction(tr("Zoom to fit"), this, [this] { OnCommand(cmd::ZoomFit); });
    menu.exec(global);
}
