#include "shell/mainframe.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QStatusBar>
#include <algorithm>

#include "browser/browserframe.h"
#include "editor/childframe.h"
#include "editor/commandtable.h"
#include "editor/editordoc.h"
#include "editor/editorview.h"
#include "editor/histogramdialog.h"
#include "editor/previewfiledialog.h"
#include "settings/settingssheet.h"
#include "shell/helpwindow.h"
#include "shell/qtprompt.h"
#include "shell/waitcursor.h"
#include "updater/updaterdialog.h"

namespace {
constexpr int kCmdBrowser = 32805;
}  // namespace

CMainFrame::CMainFrame(QWidget* parent)
    : QMainWindow(parent), m_mdi(new QMdiArea(this)), m_prompt(std::make_unique<CQtPrompt>(this)) {
    setWindowTitle(QStringLiteral("Lumaret"));
    setCentralWidget(m_mdi);
    resize(1100, 750);
    m_progress = std::make_unique<CStatusProgress>(statusBar());
    m_histogram = new CHistogramDialog(this);
    CreateMenus();
    connect(m_mdi, &QMdiArea::subWindowActivated, this, &CMainFrame::OnSubWindowActivated);
    UpdateCommandUI();
}

CMainFrame::~CMainFrame() {
    // The editor windows go first: their views still talk to this window while they close.
    for (QMdiSubWindow* window : m_mdi->subWindowList()) delete window;
}

QAction* CMainFrame::AddCommand(QMenu* menu, int id, const QString& text, const QString& keys, const QString& hint) {
    QAction* action = menu->addAction(text);
    QList<QKeySequence> shortcuts;
    for (const QString& key : keys.split('|', Qt::SkipEmptyParts)) shortcuts << QKeySequence(key, QKeySequence::PortableText);
    action->setShortcuts(shortcuts);
    action->setStatusTip(hint);
    action->setData(id);
    action->setObjectName(QStringLiteral("command%1").arg(id));
    m_actions.insert(id, action);
    return action;
}

void CMainFrame::CreateMenus() {
    auto viewCommand = [this](QMenu* menu, int id) {
        const CommandInfo* info = FindViewCommand(id);
        QAction* action = AddCommand(menu, id, QString::fromUtf8(info->text), QString::fromUtf8(info->keys),
                                     QString::fromUtf8(info->hint));
        connect(action, &QAction::triggered, this, [this, id] { RunViewCommand(id); });
    };

    QMenu* file = menuBar()->addMenu(tr("&File"));
    connect(AddCommand(file, cmd::FileOpen, tr("&Open..."), "Ctrl+O", tr("Open an existing picture.")),
            &QAction::triggered, this, &CMainFrame::OnFileOpen);
    connect(AddCommand(file, kCmdBrowser, tr("&Browser"), "", tr("Browse the pictures of a folder.")),
            &QAction::triggered, this, &CMainFrame::OnBrowser);
    viewCommand(file, cmd::FileSave);
    viewCommand(file, cmd::FileSaveAs);
    viewCommand(file, cmd::FileClose);
    file->addSeparator();
    static_assert(cmd::FileRecent4 - cmd::FileRecent1 + 1 == CRecentFiles::kMaxEntries);
    for (int i = 0; i < CRecentFiles::kMaxEntries; ++i) {
        QAction* recent = AddCommand(file, cmd::FileRecent1 + i, QString(), "", QString());
        connect(recent, &QAction::triggered, this, [this, i] { OpenRecentFile(i); });
        m_recentActions << recent;
    }
    m_recentSeparator = file->addSeparator();
    connect(AddCommand(file, cmd::Settings, tr("&Settings..."), "", tr("Change the program's settings.")),
            &QAction::triggered, this, [this] {
                CSettingsUI sheet(CSettings::Get(), setup::AutoplayLocations::FromEnvironment(platform::ProcessEnvironment()),
                                  setup::ProgramExecutable(), this);
                sheet.exec();
            });
    connect(AddCommand(file, cmd::AppExit, tr("E&xit"), "", tr("Quit the program.")), &QAction::triggered, this,
            &QWidget::close);

    QMenu* edit = menuBar()->addMenu(tr("&Edit"));
    viewCommand(edit, cmd::EditUndo);
    viewCommand(edit, cmd::EditRedo);

    QMenu* image = menuBar()->addMenu(tr("&Image"));
    for (int id : {cmd::Rotate90Clockwise, cmd::Rotate90CounterClockwise, cmd::Rotate180, cmd::FlipHorizontal,
                   cmd::FlipVertical})
        viewCommand(image, id);
    image->addSeparator();
    viewCommand(image, cmd::Resize);
    viewCommand(image, cmd::Crop);
    viewCommand(image, cmd::ArbitraryRotation);
    image->addSeparator();
    viewCommand(image, cmd::WhiteBalance);
    viewCommand(image, cmd::PhotographicFilters);
    viewCommand(image, cmd::RedEyeRemoval);
    image->addSeparator();
    // --- Adjustment dialogs ---
    for (int id : {cmd::Brightness, cmd::Boost, cmd::BlackAndWhite}) viewCommand(image, id);
    QMenu* advanced = image->addMenu(tr("Advanced"));
    for (int id : {cmd::Levels, cmd::Curves, cmd::ChannelMixer, cmd::HueSaturation}) viewCommand(advanced, id);
    advanced->addSeparator();
    for (int id : {cmd::Sharpen, cmd::ShadowControl, cmd::HighlightControl, cmd::IrFilm}) viewCommand(advanced, id);
    connect(advanced, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommandUI);
    image->addSeparator();
    // --- end of adjustment dialogs ---
    viewCommand(image, cmd::ShowExifInfo);
    viewCommand(image, cmd::ImprovementWizard);

    QMenu* view = menuBar()->addMenu(tr("&View"));
    QAction* histogram = AddCommand(view, cmd::Histogram, tr("Histogram"), "", tr("Show or hide histogram."));
    histogram->setCheckable(true);
    connect(histogram, &QAction::triggered, this, &CMainFrame::ToggleHistogram);
    QAction* fullScreen = AddCommand(view, cmd::FullScreen, tr("Full screen"), "", tr("Toggle full-screen mode."));
    fullScreen->setCheckable(true);
    connect(fullScreen, &QAction::triggered, this, &CMainFrame::ToggleFullScreen);
    view->addSeparator();
    connect(AddCommand(view, cmd::ZoomIn, tr("Zoom in"), "Ctrl++|Ctrl+=", tr("Show the image larger.")),
            &QAction::triggered, this, [this] { m_histogram->OnPlus(); });
    connect(AddCommand(view, cmd::ZoomOut, tr("Zoom out"), "Ctrl+-", tr("Show the image smaller.")),
            &QAction::triggered, this, [this] { m_histogram->OnMinus(); });
    viewCommand(view, cmd::Zoom100);
    viewCommand(view, cmd::ZoomFit);
    view->addSeparator();
    viewCommand(view, cmd::ShowNextImage);
    viewCommand(view, cmd::ShowPreviousImage);

    QMenu* window = menuBar()->addMenu(tr("&Window"));
    connect(AddCommand(window, cmd::WindowCascade, tr("&Cascade"), "", tr("Arrange windows so they overlap.")),
            &QAction::triggered, m_mdi, &QMdiArea::cascadeSubWindows);
    connect(AddCommand(window, cmd::WindowTile, tr("&Tile"), "", tr("Arrange windows as non-overlapping tiles.")),
            &QAction::triggered, m_mdi, &QMdiArea::tileSubWindows);
    connect(AddCommand(window, cmd::WindowArrange, tr("&Arrange Icons"), "",
                       tr("Arrange icons at the bottom of the window.")),
            &QAction::triggered, this, &CMainFrame::ArrangeIcons);

    QMenu* helpMenu = menuBar()->addMenu(tr("&Help"));
    connect(AddCommand(helpMenu, cmd::Help, tr("&Help"), "F1", tr("Show the program's help.")), &QAction::triggered,
            this, [this] { ShowHelp(help::kContents); });
    connect(AddCommand(helpMenu, updaterui::kCheckForUpdateCommand, tr("Check for &update"), "",
                       tr("Download the newest version of the program's files.")),
            &QAction::triggered, this, &CMainFrame::CheckForUpdateRequested);

    for (QMenu* menu : {file, edit, image, view, window, helpMenu})
        connect(menu, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommandUI);
    UpdateRecentMenu();
}

void CMainFrame::UpdateRecentMenu() {
    const QStringList& entries = m_recent.Entries();
    for (int i = 0; i < m_recentActions.size(); ++i) {
        QAction* action = m_recentActions[i];
        // Unused entries are hidden, never shown empty or disabled.
        action->setVisible(i < entries.size());
        if (i >= entries.size()) continue;
        action->setText(CRecentFiles::MenuText(i, entries[i]));
        action->setStatusTip(tr("Open %1.").arg(entries[i]));
    }
    m_recentSeparator->setVisible(!entries.isEmpty());
}

void CMainFrame::UseRecentFileStore(const QString& path) {
    m_recent.SetStorePath(path);
    UpdateRecentMenu();
}

void CMainFrame::NoteOpenedFile(const QString& path, bool opened) {
    // An entry that leads to an empty window is of no use, so such a file leaves the list.
    const bool changed = opened ? m_recent.Add(path) : m_recent.Remove(path);
    if (changed) UpdateRecentMenu();
}

void CMainFrame::OpenRecentFile(int index) {
    if (m_toolFrame || index < 0 || index >= m_recent.Count()) return;
    const QString path = m_recent.Entries()[index];
    const QFileInfo info(path);
    if (!info.isFile() || !info.isReadable()) {
        m_recent.Remove(path);
        UpdateRecentMenu();
        Prompt().Message(tr("%1\n\nThis picture cannot be opened: the file no longer exists or cannot be read. "
                            "It has been removed from the list of recent files.")
                             .arg(path)
                             .toStdString(),
                         tr("Open").toStdString());
        return;
    }
    OpenDocument(path);
}

void CMainFrame::ArrangeIcons() {
    if (m_toolFrame) return;
    const QRect area = m_mdi->viewport()->rect();
    int x = 0;
    int rowBottom = area.height();
    int rowHeight = 0;
    for (QMdiSubWindow* window : m_mdi->subWindowList(QMdiArea::CreationOrder)) {
        if (!window->isVisible() || !window->isMinimized()) continue;
        const QSize size = window->size();
        // A full row: the next one goes on top of it. A window wider than the area still
        // gets a row of its own.
        if (x > 0 && x + size.width() > area.width()) {
            rowBottom -= rowHeight;
            x = 0;
            rowHeight = 0;
        }
        window->move(x, rowBottom - size.height());
        x += size.width();
        rowHeight = std::max(rowHeight, size.height());
    }
}

void CMainFrame::RunViewCommand(int id) {
    if (CeditorView* view = ActiveEditorView()) view->OnCommand(id);
    UpdateCommandUI();
}

void CMainFrame::UpdateCommandUI() {
    CeditorView* view = ActiveEditorView();
    const bool toolActive = m_toolFrame != nullptr;
    for (const CommandInfo& info : EditorViewCommands())
        if (QAction* action = Action(info.id)) action->setEnabled(view && view->IsCommandEnabled(info.id));
    const bool hasImage = view && view->GetDocument()->CurrentImage().IsValid();
    Action(cmd::FileOpen)->setEnabled(!toolActive);
    Action(cmd::Settings)->setEnabled(!toolActive);
    Action(cmd::WindowCascade)->setEnabled(!toolActive);
    Action(cmd::WindowTile)->setEnabled(!toolActive);
    Action(cmd::WindowArrange)->setEnabled(!toolActive);
    for (QAction* recent : std::as_const(m_recentActions)) recent->setEnabled(!toolActive);
    Action(cmd::ZoomIn)->setEnabled(hasImage);
    Action(cmd::ZoomOut)->setEnabled(hasImage);
    Action(cmd::Histogram)->setChecked(m_histogram->isVisible());
    Action(cmd::FullScreen)->setChecked(m_fullScreen);
}

bool CMainFrame::TranslateAccelerator(QKeyEvent* event) {
    const QKeySequence typed(event->keyCombination());
    for (QAction* action : std::as_const(m_actions)) {
        for (const QKeySequence& shortcut : action->shortcuts()) {
            if (shortcut.matches(typed) == QKeySequence::ExactMatch) {
                UpdateCommandUI();
                if (!action->isEnabled()) return false;
                action->trigger();
                return true;
            }
        }
    }
    return false;
}

CeditorView* CMainFrame::ActiveEditorView() const {
    auto* child = qobject_cast<CChildFrame*>(m_mdi->currentSubWindow());
    return child ? child->View() : nullptr;
}

IPrompt& CMainFrame::Prompt() {
    return *m_prompt;
}

void CMainFrame::SetImageList(IImageList* list) {
    m_imageList = list;
    UpdateCommandUI();
}

void CMainFrame::SetToolFrame(QMdiSubWindow* frame) {
    m_toolFrame = frame;
    UpdateCommandUI();
}

void CMainFrame::OnSubWindowActivated(QMdiSubWindow* window) {
    // Null means the main window lost the focus (to a tool's panel, say): nothing moved.
    if (window && m_toolFrame && window != m_toolFrame) {
        QApplication::beep();
        QApplication::alert(this);
        QMetaObject::invokeMethod(this, [this] {
            if (m_toolFrame) m_mdi->setActiveSubWindow(m_toolFrame);
        }, Qt::QueuedConnection);
        return;
    }
    m_histogram->Refresh();
    UpdateCommandUI();
}

CeditorView* CMainFrame::OpenDocument(const QString& path) {
    auto document = std::make_unique<CeditorDoc>(m_prompt.get());
    {
        const CWaitCursor wait;
        document->OnOpenDocument(QFileInfo(path).absoluteFilePath().toStdString());
    }
    const bool empty = !document->CurrentImage().IsValid();
    CeditorView* view = AddDocument(std::move(document));
    if (empty) statusBar()->showMessage(tr("%1 could not be read as a JPEG picture.").arg(path), 10000);
    m_lastFolder = QFileInfo(path).absolutePath();
    NoteOpenedFile(QFileInfo(path).absoluteFilePath(), !empty);
    return view;
}

CeditorView* CMainFrame::AddDocument(std::unique_ptr<CeditorDoc> document) {
    auto* view = new CeditorView(this, std::move(document));
    auto* child = new CChildFrame(view);
    m_mdi->addSubWindow(child);
    connect(view, &CeditorView::stateChanged, this, [this, view] {
        if (view == ActiveEditorView()) m_histogram->Refresh();
        UpdateCommandUI();
    });
    child->show();
    child->SizeToView();
    m_mdi->setActiveSubWindow(child);
    view->setFocus();
    m_histogram->Refresh();
    UpdateCommandUI();
    return view;
}

void CMainFrame::OnFileOpen() {
    if (m_toolFrame) return;
    CPreviewFileDialog dialog(this, m_lastFolder.isEmpty() ? QDir::homePath() : m_lastFolder);
    if (dialog.exec() != QDialog::Accepted) return;
    const QString path = dialog.SelectedPath();
    if (!path.isEmpty()) OpenDocument(path);
}

CBrowserFrame* CMainFrame::OpenBrowser(const QString& folder, const QString& title) {
    auto* browser = new CBrowserFrame(this, folder, title);
    m_mdi->addSubWindow(browser);
    browser->show();
    // The browser is the main view of a folder: it takes the whole area at first.
    browser->setGeometry(QRect(QPoint(0, 0), m_mdi->viewport()->size()));
    m_mdi->setActiveSubWindow(browser);
    UpdateCommandUI();
    return browser;
}

CBrowserFrame* CMainFrame::BrowserWindow() const {
    return qobject_cast<CBrowserFrame*>(m_browser.data());
}

void CMainFrame::OnBrowser() {
    if (m_toolFrame) return;
    if (m_browser) {
        m_mdi->setActiveSubWindow(m_browser);
        m_browser->raise();
        return;
    }
    m_browser = OpenBrowser(QDir::homePath(), QStringLiteral("Browser"));
}

void CMainFrame::ShowHelp(int context) {
    if (!m_help) m_help = new CHelpWindow(this);
    m_help->ShowContext(context);
}

void CMainFrame::ShowHelpPage(const QString& fileName) {
    if (!m_help) m_help = new CHelpWindow(this);
    m_help->ShowPage(fileName);
}

void CMainFrame::ToggleHistogram() {
    m_histogram->setVisible(!m_histogram->isVisible());
    UpdateCommandUI();
}

void CMainFrame::ToggleFullScreen() {
    if (!m_fullScreen) {
        m_savedFlags = windowFlags();
        m_savedMaximized = isMaximized();
        m_savedGeometry = m_savedMaximized ? normalGeometry() : geometry();
        setWindowFlags(m_savedFlags | Qt::FramelessWindowHint);
        showMaximized();
        m_fullScreen = true;
    } else {
        setWindowFlags(m_savedFlags);
        showNormal();
        setGeometry(m_savedGeometry);
        m_fullScreen = false;
    }
    UpdateCommandUI();
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    m_mdi->closeAllSubWindows();
    for (QMdiSubWindow* window : m_mdi->subWindowList()) {
        if (window->isVisible()) {  // it refused: a tool is active or the user cancelled
            event->ignore();
            return;
        }
    }
    m_histogram->hide();
    QMainWindow::closeEvent(event);
}
