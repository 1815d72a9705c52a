#pragma once
// CBrowserFrame: the image browser's window in the main window: the browser view with the
// directory tree docked beside it, the toolbar and the information bar. It owns the
// browser document and everything the document's file sources use (thumbnails, icons,
// questions, the copy progress dialog).
#include <QMdiSubWindow>
#include <memory>
#include <vector>

#include "browser/browserservices.h"
#include "browser/hint.h"
#include "editor/imagelist.h"

class CBrowserInfoBar;
class CCameraWatch;
class CDownloadRunner;
class CWorkerPrompt;
class CBrowserPrompt;
class CBrowserToolbar;
class CDirTreeCtrl;
class CFileBrowserDoc;
class CFileBrowserView;
class CFileCopyProgress;
class CMainFrame;
class CQtIconProvider;
class CQueuedProgress;
class CThumbnailService;
class QDockWidget;
class QMainWindow;

class CBrowserFrame : public QMdiSubWindow, public IBrowserHost {
    Q_OBJECT
public:
    // The path that opens the browser on the first connected camera.
    static constexpr const char* kCameraPath = "*WIA*";
    // A browser on `path` (a folder, or kCameraPath) titled `title`; `main` opens pictures
    // and walks them.
    CBrowserFrame(CMainFrame* main, const QString& path, const QString& title);
    ~CBrowserFrame() override;

    CFileBrowserDoc* Document() const { return m_doc.get(); }
    CFileBrowserView* View() const { return m_view; }
    CDirTreeCtrl* Tree() const { return m_tree; }
    CBrowserToolbar* Toolbar() const { return m_toolbar; }
    CBrowserInfoBar* InfoBar() const { return m_info; }
    CFileCopyProgress* CopyProgress() const { return m_copyProgress; }
    CDownloadRunner* Downloader() const { return m_download; }
    CCameraWatch* Cameras() const { return m_cameras.get(); }
    // The download history file shown under "Downloads".
    static QString HistoryFile();
    // Marks the window as opened for a card or camera the system announced: the first
    // thumbnail pass then starts the download by itself when ClicklessDownload is on.
    void SetStartedByDevice(bool started) { m_startedByDevice = started; }
    // The browser's visible list as the editor's next and previous commands walk it.
    IImageList& ImageList() { return m_imageList; }

    // ---- IBrowserHost ----
    bool StartedByDevice() const override { return m_startedByDevice; }
    void ClearStartedByDevice() override { m_startedByDevice = false; }
    bool ClicklessDownload() const override;
    void OpenImage(const std::string& path) override;
    void SelectFolderNode(const std::string& name) override;
    void StartDownload(CFileSystemIF& source) override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // IImageList over the document's visible list.
    class CVisibleList : public IImageList {
    public:
        explicit CVisibleList(CBrowserFrame& frame) : m_frame(frame) {}
        int CurrentIndex() const override;
        std::string PathAt(int index) const override;
        void SetCurrentIndex(int index) override;

    private:
        CBrowserFrame& m_frame;
    };

    void UpdateBars();
    void OnCameraArrived(int slot, const QString& name);
    void OnCameraGone(int slot, const CHint& hint);
    void OnDownloadFinished();

    CMainFrame* m_main;
    QMainWindow* m_inner;
    CFileBrowserView* m_view;
    CDirTreeCtrl* m_tree;
    QDockWidget* m_treeBar;
    CBrowserToolbar* m_toolbar = nullptr;
    CBrowserInfoBar* m_info;
    CFileCopyProgress* m_copyProgress;
    std::unique_ptr<CBrowserPrompt> m_prompt;
    std::unique_ptr<CWorkerPrompt> m_sourcePrompt;  // the sources' questions, from any thread
    std::unique_ptr<CQtIconProvider> m_icons;
    std::unique_ptr<CQueuedProgress> m_thumbnailProgress;  // to the main window's status bar
    std::unique_ptr<CThumbnailService> m_thumbnails;
    CVisibleList m_imageList{*this};
    QString m_shownFolder;
    CHint m_startHint;  // the browse request of a folder the tree does not hold
    bool m_startedByDevice = false;
    CDownloadRunner* m_download = nullptr;
    // A camera that went during a download leaves the list only when the download ended.
    std::vector<CHint> m_goneDuringDownload;
    std::unique_ptr<CCameraWatch> m_cameras;  // before the document, whose camera source uses it
    // Last: destroyed first, which stops the workers before anything they use goes.
    std::unique_ptr<CFileBrowserDoc> m_doc;
};
