#include "tools/toolbase.h"

#include <QApplication>
#include <QBoxLayout>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <algorithm>

#include "editor/commandtable.h"
#include "editor/editordoc.h"
#include "editor/editorview.h"
#include "shell/mainframe.h"
#include "shell/qtprompt.h"

CToolPanel::CToolPanel(CeditorView* view, const QString& title, std::function<void()> cancel)
    : QWidget(view->window(), Qt::Tool), m_view(view), m_cancel(std::move(cancel)) {
    setWindowTitle(title);
    setAttribute(Qt::WA_DeleteOnClose, false);
    // The panel is a window of its own: the main window's Undo and Redo keys do not reach
    // it, so it hands them to the view, which gives them to the tool.
    auto forward = [this](int command) {
        if (m_view && m_view->IsCommandEnabled(command)) m_view->OnCommand(command);
    };
    connect(new QShortcut(QKeySequence(QStringLiteral("Ctrl+Z")), this), &QShortcut::activated, this,
            [forward] { forward(cmd::EditUndo); });
    connect(new QShortcut(QKeySequence(QStringLiteral("Ctrl+Y")), this), &QShortcut::activated, this,
            [forward] { forward(cmd::EditRedo); });
}

void CToolPanel::ShowBesideView() {
    adjustSize();
    if (m_view) {
        const QRect view(m_view->mapToGlobal(QPoint(0, 0)), m_view->size());
        const QScreen* screen = m_view->screen();
        const QRect room = screen ? screen->availableGeometry() : QRect();
        QPoint at(view.right() + 8, view.top());
        if (!room.isEmpty() && at.x() + width() > room.right()) at.setX(std::max(room.left(), view.left() - width() - 8));
        if (!room.isEmpty()) at.setY(std::clamp(at.y(), room.top(), std::max(room.top(), room.bottom() - height())));
        move(at);
    }
    show();
    raise();
}

std::pair<QPushButton*, QPushButton*> CToolPanel::AddButtons(QBoxLayout* layout, const QString& ok,
                                                             const QString& cancel, int helpContext) {
    auto* row = new QHBoxLayout;
    if (m_view && m_view->MainFrame()) {
        auto* help = new QPushButton(QStringLiteral("?"), this);
        help->setObjectName(QStringLiteral("help"));
        help->setFixedWidth(help->sizeHint().height());
        connect(help, &QPushButton::clicked, this, [this, helpContext] {
            if (m_view && m_view->MainFrame()) m_view->MainFrame()->ShowHelp(helpContext);
        });
        row->addWidget(help);
    }
    auto* okButton = new QPushButton(ok, this);
    auto* cancelButton = new QPushButton(cancel, this);
    okButton->setObjectName(QStringLiteral("ok"));
    cancelButton->setObjectName(QStringLiteral("cancel"));
    okButton->setDefault(true);
    row->addStretch();
    row->addWidget(okButton);
    row->addWidget(cancelButton);
    layout->addLayout(row);
    return {okButton, cancelButton};
}

void CToolPanel::Detach() {
    m_cancel = nullptr;
}

void CToolPanel::closeEvent(QCloseEvent* event) {
    event->accept();
    if (m_cancel) {
        // Cancelling ends the tool, which detaches and deletes this panel.
        const std::function<void()> cancel = m_cancel;
        cancel();
    }
}

void CToolPanel::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && m_cancel) {
        const std::function<void()> cancel = m_cancel;
        cancel();
        return;
    }
    QWidget::keyPressEvent(event);
}

// ---------------------------------------------------------------- CToolBase

CToolBase::CToolBase(CeditorView* view) : m_view(view) {}

CToolBase::~CToolBase() {
    CToolBase::Close();
}

void CToolBase::Close() {
    if (m_closing) return;
    m_closing = true;
    if (m_panel) {
        m_panel->Detach();
        m_panel->hide();
        // Close may run inside one of the panel's own handlers.
        m_panel->deleteLater();
        m_panel = nullptr;
    }
}

bool CToolBase::OnKeyDown(int key, int, unsigned) {
    if (key == Qt::Key_Escape) Cancel();
    return true;
}

void CToolBase::Confirm() {
    if (!m_closing) m_view->ApplyToolResult();
}

void CToolBase::Cancel() {
    if (!m_closing) m_view->EndTool();
}

CToolPanel* CToolBase::MakePanel(const QString& title) {
    m_panel = new CToolPanel(m_view, title, [this] { Cancel(); });
    m_prompt = std::make_unique<CQtPrompt>(m_panel);
    return m_panel;
}

geometry::CropRect CToolBase::VisibleImageRect() const {
    const viewlayout::Layout layout = m_view->CurrentLayout(true);
    const ImagePlane image = m_view->GetDocument()->CurrentImage();
    geometry::CropRect r{layout.srcX, layout.srcY, layout.srcX + layout.srcWidth, layout.srcY + layout.srcHeight};
    r.left = std::clamp(r.left, 0, image.width);
    r.top = std::clamp(r.top, 0, image.height);
    r.right = std::clamp(r.right, r.left, image.width);
    r.bottom = std::clamp(r.bottom, r.top, image.height);
    if (r.IsEmpty()) r = {0, 0, image.width, image.height};
    return r;
}

QPointF CToolBase::ToImage(int x, int y) const {
    return m_view->WindowToImage(QPointF(x, y));
}

QPointF CToolBase::ToWindow(double x, double y) const {
    return m_view->ImageToWindow(QPointF(x, y));
}

double CToolBase::Zoom() const {
    const double zoom = m_view->CurrentLayout().zoom;
    return zoom > 0 ? zoom : 1.0;
}

void CToolBase::Repaint() const {
    m_view->viewport()->update();
}

CQtPrompt& CToolBase::Prompt() {
    if (!m_prompt) m_prompt = std::make_unique<CQtPrompt>(m_panel);
    return *m_prompt;
}
