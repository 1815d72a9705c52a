#include "browser/browserframe.h"

#include <QCloseEvent>
#include <QDir>
#include <QDockWidget>
#include <QAbstractItemView>
#include <QMainWindow>
#include <QMenu>
#include <QStatusBar>

#include "browser/browserbars.h"
#include "browser/browserdoc.h"
#include "browser/browserview.h"
#include "browser/dirtreectrl.h"
#include "browser/filecopydialogs.h"
#include "browser/hint.h"
#include "browser/qticonprovider.h"
#include "browser/queuedprogress.h"
#include "browser/thumbnails/thumbnailservice.h"
#include "settings/settings.h"
#include "shell/mainframe.h"

namespace {

// The folder downloads go to: the ImageDownloadDir setting, or "Lumaret Photos" in the
// home folder when it is empty.
QString PhotosRoot() {
    const std::string& setting = CSettings::Get().ImageDownloadDir;
    if (!setting.empty()) return QString::fromStdString(setting);
    return QDir::home().filePath(QStringLiteral("Lumaret Photos"));
}

}  // namespace

CBrowserFrame::CBrowserFrame(CMainFrame* main, const QString& path, const QString& title)
    : m_main(main), m_inner(new QMainWindow), m_view(new CFileBrowserView), m_tree(new CDirTreeCtrl),
      m_treeBar(new QDockWidget(QStringLiteral("Folders"))), m_info(new CBrowserInfoBar(nullptr)),
      m_copyProgress(new CFileCopyProgress(this)) {
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName("browserFrame");
    setWindowTitle(title);
    m_inner->setWindowFlags(Qt::Widget);
    setWidget(m_inner);
    m_inner->setCentralWidget(m_view);
    m_treeBar->setObjectName("directoryTreeBar");
    m_treeBar->setWidget(m_tree);
    m_treeBar->setFeatures(QDockWidget::DockWidgetMovable);
    m_inner->addDockWidget(Qt::LeftDockWidgetArea, m_treeBar);
    m_inner->statusBar()->addWidget(m_info, 1);
    m_inner->statusBar()->setSizeGripEnabled(false);

    m_prompt = std::make_unique<CBrowserPrompt>(this);
    m_icons = std::make_unique<CQtIconProvider>();
    CThumbnailService::Options options;
    options.icons = m_icons.get();
    m_thumbnailProgress = std::make_unique<CQueuedProgress>(this, m_main ? &m_main->Progress() : nullptr);
    options.progress = m_thumbnailProgress.get();
    m_thumbnails = std::make_unique<CThumbnailService>(options);

    BrowserServices services;
    services.sink = m_view;
    services.host = this;
    services.prompt = m_prompt.get();
    services.progress = m_copyProgress;
    services.thumbnails = m_thumbnails.get();
    m_doc = std::make_unique<CFileBrowserDoc>(services);
    m_doc->SetPath(path.toStdString());
    m_view->SetDocument(m_doc.get());
    m_toolbar = new CBrowserToolbar(*m_view, m_inner);
    m_inner->addToolBar(m_toolbar);

    connect(m_view, &CFileBrowserView::InfoChanged, this, &CBrowserFrame::UpdateBars);
    connect(m_view, &CFileBrowserView::ModeChanged, this, &CBrowserFrame::UpdateBars);
    connect(m_view, &CFileBrowserView::PathShown, this, [this](const QString& folder) {
        m_shownFolder = folder;
        UpdateBars();
    });

    for (QAbstractItemView* inner : m_view->InnerViews()) {
        inner->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(inner, &QWidget::customContextMenuRequested, this, [this, inner](const QPoint& at) {
            QMenu menu(this);
            m_toolbar->FillMenu(menu);
            menu.exec(inner->viewport()->mapToGlobal(at));
        });
    }

    m_tree->Build(m_view, PhotosRoot(), QDir::homePath(), CDirTreeCtrl::MountedVolumes(), m_prompt.get(),
                  m_copyProgress);
    // Browsing starts when the tree reports its selection. A file given stands for its
    // folder; a folder that does not exist (a card taken out) or lies outside the tree's
    // folders is browsed directly, as given, and shows an empty list.
    const QFileInfo given(path);
    const QString folder = QDir::cleanPath(given.isFile() ? given.absolutePath() : given.absoluteFilePath());
    if (!QFileInfo(folder).isDir() || !m_tree->SelectFolder(folder)) {
        m_startHint = CHint::Folder(folder.toStdString());
        m_view->PostUpdate(kUpdateBrowse, reinterpret_cast<intptr_t>(&m_startHint));
    }
    resize(1000, 680);
}

CBrowserFrame::~CBrowserFrame() {
    if (m_main && m_main->ImageList() == &m_imageList) m_main->SetImageList(nullptr);
    m_doc.reset();  // stops every worker before the services they report to go
    // A report cut short leaves no progress bar behind in the main window.
    if (m_main && m_thumbnailProgress->Running()) m_main->Progress().End();
}

void CBrowserFrame::closeEvent(QCloseEvent* event) {
    if (m_main && m_main->ImageList() == &m_imageList) m_main->SetImageList(nullptr);
    QMdiSubWindow::closeEvent(event);
}

void CBrowserFrame::UpdateBars() {
    m_info->UpdateInfo(*m_doc, m_shownFolder);
    if (m_toolbar) m_toolbar->UpdateState();
}

bool CBrowserFrame::ClicklessDownload() const {
    return CSettings::Get().ClicklessDownload != 0;
}

void CBrowserFrame::OpenImage(const std::string& path) {
    if (!m_main) return;
    m_main->SetImageList(&m_imageList);
    m_main->OpenDocument(QString::fromStdString(path));
}

void CBrowserFrame::SelectFolderNode(const std::string& name) {
    if (!m_tree->SelectChildNamed(QString::fromStdString(name))) {
        // The tree may show another folder than the list (a folder opened from a flat
        // list): go to the entry's folder by its full path instead.
        m_tree->SelectFolder(QDir(m_shownFolder).filePath(QString::fromStdString(name)));
    }
}

void CBrowserFrame::StartDownload(CFileSystemIF& source) {
    // The downloader is not part of the program yet; the source stopped its thumbnails
    // for the download, so they go on now.
    m_prompt->Message("Downloading is not available in this version yet.", "Download");
    source.RestartThumbnails();
}

int CBrowserFrame::CVisibleList::CurrentIndex() const {
    return m_frame.m_doc ? m_frame.m_doc->CurrentImageIndex() : -1;
}

std::string CBrowserFrame::CVisibleList::PathAt(int index) const {
    if (!m_frame.m_doc) return {};
    // Only pictures are walked: a folder or another file is no next picture.
    const FileEntry* entry = m_frame.m_doc->VisibleEntry(index);
    if (!entry || !entry->IsJpeg()) return {};
    return m_frame.m_doc->EntryPath(index);
}

void CBrowserFrame::CVisibleList::SetCurrentIndex(int index) {
    if (m_frame.m_doc) m_frame.m_doc->SetCurrentImageIndex(index);
}
