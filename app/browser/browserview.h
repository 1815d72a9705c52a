#pragma once
// CFileBrowserView: the browser's list, a Qt view over the document's visible list shown
// either as a grid of thumbnails or as a detailed list. It receives the workers' reports
// (IBrowserUpdateSink, queued onto the window thread), keeps the selection in the entries'
// selected flag, tells the source where the visible rows are when the user scrolls, and
// carries files out and in by drag and drop.
#include <QPointer>
#include <QWidget>
#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "browser/browserservices.h"

class CFileBrowserDoc;
struct CHint;
class QAbstractItemView;
class QDragEnterEvent;
class QDragMoveEvent;
class QDropEvent;
class QItemSelection;
class QKeyEvent;
class QStackedWidget;

namespace browserui {
class CBrowserModel;
class CThumbnailGrid;
class CDetailList;
}  // namespace browserui

class CFileBrowserView : public QWidget, public IBrowserUpdateSink {
    Q_OBJECT
public:
    enum class Mode { Thumbnails, List };
    // Listing states as the sources set them.
    enum ListingState { kIdle = 0, kRetrieving = 1, kListedFromCamera = 2 };
    // Commands of the view.
    static constexpr int kCmdThumbnailView = 32838;
    static constexpr int kCmdListView = 32839;
    static constexpr const char* kRetrievingText = "Retrieving data, please wait...";
    static constexpr const char* kNoFilesText = "No files to display.";

    explicit CFileBrowserView(QWidget* parent = nullptr);
    ~CFileBrowserView() override;

    // Shows `doc`'s visible list; the document must outlive the view's use of it (the
    // frame destroys the document first, which stops the workers).
    void SetDocument(CFileBrowserDoc* doc);
    CFileBrowserDoc* Document() const { return m_doc; }

    // ---- IBrowserUpdateSink (any thread) ----
    void PostUpdate(int code, intptr_t param) override;
    void SetListingState(int state) override { m_listingState.store(state); }
    void Repaint() override;
    void UpdateAllViews() override;

    // Handles one WM_BROWSER_UPDATE on the window thread (the directory tree sends code 0
    // with a hint this way).
    void OnBrowserUpdate(int code, intptr_t param);

    // While held (a download reads the document), browse requests and folder changes are
    // dropped; whoever releases the hold refreshes the source.
    void HoldBrowsing(bool hold) { m_held = hold; }
    bool BrowsingHeld() const { return m_held; }

    // Shows the rows as thumbnails or as the detailed list (the selection goes along).
    void SetMode(Mode mode);
    Mode CurrentMode() const { return m_mode; }
    // The listing state as the source last set it.
    int ListingStateValue() const { return m_listingState.load(); }
    // The text the empty view shows for the current listing state.
    QString EmptyText() const;
    // The widget showing the rows in the current mode.
    QAbstractItemView* ActiveView() const;
    // Both widgets, the grid first.
    QList<QAbstractItemView*> InnerViews() const;
    browserui::CBrowserModel* Model() const { return m_model.get(); }
    // The folder the view shows (the last browse request's path).
    const QString& ShownFolder() const { return m_shownFolder; }

    // ---- used by the two inner views ----
    // Delete, Ctrl+A and Ctrl+D; true when the key was taken.
    bool HandleKey(QKeyEvent* event);
    // Starts a drag of the selected files.
    void StartDrag(QWidget* source);
    // Drop handling: accepts or refuses a drag over the view.
    void DragOver(QDropEvent* event);
    void Drop(QDropEvent* event);
    // Double click: opens the row's picture or folder.
    void OpenRow(int row);
    // Tells the source which rows are visible after a vertical scroll.
    void OnScrolled(int value);

signals:
    // The info bar needs new figures (counts, selection, sizes).
    void InfoChanged();
    // A browse request was shown: the folder (or the first file's folder of a list).
    void PathShown(const QString& path);
    // The mode changed.
    void ModeChanged(Mode mode);

private:
    void OnSelectionChanged(const QItemSelection& selected, const QItemSelection& deselected);
    void SyncSelectionFromFlags();
    void SetCount(int count);

    CFileBrowserDoc* m_doc = nullptr;
    std::unique_ptr<browserui::CBrowserModel> m_model;
    QStackedWidget* m_stack = nullptr;
    browserui::CThumbnailGrid* m_grid = nullptr;
    browserui::CDetailList* m_list = nullptr;
    Mode m_mode = Mode::Thumbnails;
    std::atomic<int> m_listingState{kIdle};
    bool m_held = false;
    bool m_syncing = false;   // selection changes made from the flags do not write them back
    int m_lastScroll = 0;
    QString m_shownFolder;
};
