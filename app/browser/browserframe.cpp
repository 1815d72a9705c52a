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
#include "download/camerawatch.h"
#include "download/downloadprompts.h"
#include "download/downloadrunner.h"
#include "download/wiafilesystem.h"
#include "platform/programfolder.h"
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
    m_sourcePrompt = std::make_unique<CWorkerPrompt>(this, *m_prompt);
    m_icons = std::make_unique<CQtIconProvider>();
    CThumbnailService::Options options;
    options.icons = m_icons.get();
    m_thumbnailProgress = std::make_unique<CQueuedProgress>(this, m_main ? &m_main->Progress() : nullptr);
    options.progress = m_thumbnailProgress.get();
    m_thumbnails = std::make_unique<CThumbnailService>(options);

    m_cameras = std::make_unique<CCameraWatch>();
    connect(m_cameras.get(), &CCameraWatch::Arrived, this, &CBrowserFrame::OnCameraArrived);
    connect(m_cameras.get(), &CCameraWatch::Gone, this, &CBrowserFrame::OnCameraGone);
    m_download = new CDownloadRunner(this, *m_prompt, *m_copyProgress);
    connect(m_download, &CDownloadRunner::Finished, this, &CBrowserFrame::OnDownloadFinished);

    BrowserServices services;
    services.cameraSource = [this](CFileBrowserDoc& doc, const BrowserServices& with) {
        return std::make_unique<CWIAFileSystem>(doc, with, m_cameras->Table());
    };
    services.sink = m_view;
    services.host = this;
    // The camera source reports a camera it cannot open from its listing thread.
    services.prompt = m_sourcePrompt.get();
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

    m_tree->SetHistoryFile(HistoryFile());
    m_tree->Build(m_view, PhotosRoot(), QDir::homePath(), CDirTreeCtrl::MountedVolumes(), m_prompt.get(),
                  m_copyProgress);
    for (const auto& [slot, camera] : m_cameras->Table().Cameras())
        m_tree->AddCamera(QString::fromStdString(camera.model), slot);
    resize(1000, 680);
    if (path == QLatin1String(kCameraPath)) {
        // The first camera is browsed; without one the list stays empty.
        const int first = m_cameras->FirstSlot();
        if (first >= 0) m_tree->SelectCamera(first);
        return;
    }
    // Browsing starts when the tree reports its selection. A file given stands for its
    // folder; a folder that does not exist (a card taken out) or lies outside the tree's
    // folders is browsed directly, as given, and shows an empty list.
    const QFileInfo given(path);
    const QString folder = QDir::cleanPath(given.isFile() ? given.absolutePath() : given.absoluteFilePath());
    if (!QFileInfo(folder).isDir() || !m_tree->SelectFolder(folder)) {
        m_startHint = CHint::Folder(folder.toStdString());
        m_view->PostUpdate(kUpdateBrowse, reinterpret_cast<intptr_t>(&m_startHint));
    }
}

CBrowserFrame::~CBrowserFrame() {
    if (m_main && m_main->ImageList() == &m_imageList) m_main->SetImageList(nullptr);
    // A running download reads the document and the camera: it ends first.
    delete m_download;
    m_download = nullptr;
    // A worker waiting for an answer is not joined forever.
    m_sourcePrompt->Abort();
    m_doc.reset();  // stops every worker before the services they report to go
    // A report cut short leaves no progress bar behind in the main window.
    if (m_main && m_thumbnailProgress->Running()) m_main->Progress().End();
}

void CBrowserFrame::closeEvent(QCloseEvent* event) {
    // The window stays until its download has stopped; closing asks it to stop.
    if (m_download && m_download->Running()) {
        m_download->Cancel();
        event->ignore();
        return;
    }
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

QString CBrowserFrame::HistoryFile() {
    return QString::fromStdString(platform::UserFile("download.history").string());
}

void CBrowserFrame::StartDownload(CFileSystemIF& source) {
    if (m_download->Running()) return;
    DownloadSettings settings = DownloadSettingsFrom(CSettings::Get(), m_startedByDevice, PhotosRoot().toStdString());
    // The history records full paths.
    settings.root = QDir::cleanPath(QDir(QString::fromStdString(settings.root)).absolutePath()).toStdString();
    // The download reads the entries: nothing may list the source again meanwhile.
    m_view->HoldBrowsing(true);
    m_inner->setEnabled(false);
    if (!m_download->Start(*m_doc, source, settings, HistoryFile().toStdString())) {
        m_inner->setEnabled(true);
        m_view->HoldBrowsing(false);
        m_prompt->Beep();
        // The source stopped its thumbnails for the download: they go on now.
        source.RestartThumbnails();
    }
}

void CBrowserFrame::OnDownloadFinished() {
    m_inner->setEnabled(true);
    m_view->HoldBrowsing(false);
    m_tree->ReloadHistory();
    CFileSystemIF* source = m_doc->Source();
    if (!m_goneDuringDownload.empty()) {
        for (const CHint& hint : m_goneDuringDownload) m_doc->Browse(hint);
        m_goneDuringDownload.clear();
    } else if (source && source->GetSourceKind() == CHint::kCamera) {
        // Pictures deleted on the camera leave the list; otherwise the downloaded marks show.
        if (m_download->LastSummary().deleted > 0) source->Browse(nullptr);
    } else {
        m_view->OnBrowserUpdate(kUpdateFolderChanged, 0);
    }
    m_view->UpdateAllViews();
    UpdateBars();
}

void CBrowserFrame::OnCameraArrived(int slot, const QString& name) { m_tree->AddCamera(name, slot); }

void CBrowserFrame::OnCameraGone(int slot, const CHint& hint) {
    m_tree->RemoveCamera(slot);
    CFileSystemIF* source = m_doc->Source();
    if (!source || source->GetSourceKind() != CHint::kCamera) return;
    if (m_download->Running()) {
        // The download holds the camera's session: it stops, and the list empties after.
        m_download->Cancel();
        m_goneDuringDownload.push_back(hint);
        return;
    }
    m_doc->Browse(hint);
    m_view->UpdateAllViews();
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
