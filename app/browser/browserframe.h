#pragma once
// CBrowserFrame: the image browser's window in the main window: the browser view with the
// directory tree docked beside it, the toolbar and the information bar. It owns the
// browser document and everything the document's file sources use (thumbnails, icons,
// questions, the copy progress dialog).
#include <QMdiSubWindow>
#include <memory>

#include "browser/browserservices.h"
#include "browser/hint.h"
#include "editor/imagelist.h"

class CBrowserInfoBar;
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
    // A browser on `path` (a folder) titled `title`; `main` opens pictures and walks them.
    CBrowserFrame(CMainFrame* main, const QString& path, const QString& title);
    ~CBrowserFrame() override;

    CFileBrowserDoc* Document() const { return m_doc.get(); }
    CFileBrowserView* View() const { return m_view; }
    CDirTreeCtrl* Tree() const { return m_tree; }
    CBrowserToolbar* Toolbar() const { return m_toolbar; }
    CBrowserInfoBar* InfoBar() const { return m_info; }
    CFileCopyProgress* CopyProgress() const { return m_copyProgress; }
    // The browser's visible list as the editor's next and previous commands walk it.
    IImageList& ImageList() { return m_imageList; }

    // ---- IBrowserHost ----
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

    CMainFrame* m_main;
    QMainWindow* m_inner;
    CFileBrowserView* m_view;
    CDirTreeCtrl* m_tree;
    QDockWidget* m_treeBar;
    CBrowserToolbar* m_toolbar = nullptr;
    CBrowserInfoBar* m_info;
    CFileCopyProgress* m_copyProgress;
    std::unique_ptr<CBrowserPrompt> m_prompt;
    std::unique_ptr<CQtIconProvider> m_icons;
    std::unique_ptr<CQueuedProgress> m_thumbnailProgress;  // to the main window's status bar
    std::unique_ptr<CThumbnailService> m_thumbnails;
    CVisibleList m_imageList{*this};
    QString m_shownFolder;
    CHint m_startHint;  // the browse request of a folder the tree does not hold
    // Last: destroyed first, which stops the workers before anything they use goes.
    std::unique_ptr<CFileBrowserDoc> m_doc;
};
