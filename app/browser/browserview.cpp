#include "browser/browserview.h"

#include <QDrag>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QTimer>
#include <QDropEvent>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMimeData>
#include <QScrollBar>
#include <QStackedWidget>
#include <QVBoxLayout>

#include "browser/browserdoc.h"
#include "browser/browserdragdrop.h"
#include "browser/browserinnerviews.h"
#include "browser/browsermodel.h"
#include "browser/hint.h"

using namespace browserui;

CFileBrowserView::CFileBrowserView(QWidget* parent) : QWidget(parent) {
    m_stack = new QStackedWidget(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_stack);
    setObjectName("fileBrowserView");
}

CFileBrowserView::~CFileBrowserView() = default;

void CFileBrowserView::SetDocument(CFileBrowserDoc* doc) {
    m_doc = doc;
    m_model = std::make_unique<CBrowserModel>(*doc);
    m_grid = new CThumbnailGrid(this);
    m_grid->setItemDelegate(new CThumbnailDelegate(*doc, m_grid));
    m_grid->setModel(m_model.get());
    m_list = new CDetailList(this);
    m_list->setModel(m_model.get());
    m_list->setItemDelegateForColumn(int(Column::Thumbnail), new CListThumbnailDelegate(*doc, m_list));
    static constexpr int kWidths[] = {160, 160, 160, 80, 80, 100};
    for (int column = 0; column < int(Column::Count); ++column) m_list->setColumnWidth(column, kWidths[column]);
    m_stack->addWidget(m_grid);
    m_stack->addWidget(m_list);
    for (QAbstractItemView* view : {static_cast<QAbstractItemView*>(m_grid), static_cast<QAbstractItemView*>(m_list)}) {
        connect(view->selectionModel(), &QItemSelectionModel::selectionChanged, this,
                &CFileBrowserView::OnSelectionChanged);
        connect(view->verticalScrollBar(), &QScrollBar::valueChanged, this, &CFileBrowserView::OnScrolled);
        connect(view, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) { OpenRow(index.row()); });
    }
    SetMode(Mode::Thumbnails);
}

void CFileBrowserView::PostUpdate(int code, intptr_t param) {
    // Workers call this from their threads: the update runs later on the window thread,
    // and is dropped if the view has gone by then.
    QMetaObject::invokeMethod(this, [this, code, param] { OnBrowserUpdate(code, param); }, Qt::QueuedConnection);
}

void CFileBrowserView::Repaint() {
    QMetaObject::invokeMethod(this, [this] {
        if (QAbstractItemView* view = ActiveView()) view->viewport()->update();
    }, Qt::QueuedConnection);
}

void CFileBrowserView::UpdateAllViews() {
    if (!m_doc) return;
    SetCount(m_doc->VisibleCount());
    SyncSelectionFromFlags();
    m_model->AllChanged();
    emit InfoChanged();
}

void CFileBrowserView::OnBrowserUpdate(int code, intptr_t param) {
    if (!m_doc) return;
    if (m_held && (code == kUpdateBrowse || code == kUpdateFolderChanged)) return;
    switch (code) {
        case kUpdateBrowse: {
            const auto* hint = reinterpret_cast<const CHint*>(param);
            if (!hint || (hint->mode != CHint::kFolder && hint->mode != CHint::kFileList)) return;
            SetCount(0);
            m_shownFolder = QString::fromStdString(hint->path);
            if (hint->mode == CHint::kFileList)
                m_shownFolder = hint->files.empty() ? QString()
                                                    : QFileInfo(QString::fromStdString(hint->files.front())).path();
            emit PathShown(m_shownFolder);
            m_lastScroll = 0;
            m_doc->Browse(*hint);
            SetCount(0);
            emit InfoChanged();
            break;
        }
        case kUpdateFolderChanged:
            if (m_doc->Source()) m_doc->Source()->Refresh();
            SetCount(m_doc->VisibleCount());
            break;
        case kUpdateThumbnail:
            m_model->RowChanged(int(param));
            break;
        case kUpdateCount:
            SetCount(int(param));
            break;
        case kUpdateListed:
            ActiveView()->viewport()->update();
            emit InfoChanged();
            break;
        case kUpdateThumbnailsDone:
            // Thumbnails bring the dates taken, which change a sort by date.
            if (m_doc->SortMode() & CFileBrowserDoc::kSortByDate) {
                m_doc->Sort(m_doc->SortMode());
                m_model->AllChanged();
                SyncSelectionFromFlags();
            }
            ActiveView()->viewport()->update();
            emit InfoChanged();
            if (m_doc->Source()) m_doc->Source()->OnThumbnailsDone();
            break;
        default:
            break;
    }
}

void CFileBrowserView::SetCount(int count) {
    if (count == m_model->Count()) return;
    m_model->SetCount(count);
    // A reset empties the selection models; the flags still hold the selection.
    SyncSelectionFromFlags();
}

void CFileBrowserView::SetMode(Mode mode) {
    m_mode = mode;
    m_stack->setCurrentWidget(mode == Mode::Thumbnails ? static_cast<QWidget*>(m_grid) : m_list);
    SyncSelectionFromFlags();
    m_lastScroll = ActiveView()->verticalScrollBar()->value();
    emit ModeChanged(mode);
}

QAbstractItemView* CFileBrowserView::ActiveView() const {
    if (m_mode == Mode::Thumbnails) return m_grid;
    return m_list;
}

QList<QAbstractItemView*> CFileBrowserView::InnerViews() const {
    return {m_grid, m_list};
}

QString CFileBrowserView::EmptyText() const {
    switch (m_listingState.load()) {
        case kRetrieving: return QString::fromLatin1(kRetrievingText);
        case kListedFromCamera: return QString::fromLatin1(kNoFilesText);
        default: return {};  // an empty disk folder shows a blank view
    }
}

void CFileBrowserView::OnSelectionChanged(const QItemSelection& selected, const QItemSelection& deselected) {
    if (m_syncing || !m_doc) return;
    auto apply = [this](const QItemSelection& ranges, bool on) {
        for (const QItemSelectionRange& range : ranges) {
            for (int row = range.top(); row <= range.bottom(); ++row) {
                FileEntry* entry = m_doc->VisibleEntry(row);
                if (!entry) continue;
                if (on) SetEntryFlags(*entry, kEntrySelected);
                else ClearEntryFlags(*entry, kEntrySelected);
            }
        }
    };
    apply(deselected, false);
    apply(selected, true);
    ActiveView()->viewport()->update();
    emit InfoChanged();
}

void CFileBrowserView::SyncSelectionFromFlags() {
    if (!m_doc || !m_grid) return;
    QItemSelection selection;
    const int rows = m_model->Count();
    const int lastColumn = int(Column::Count) - 1;
    for (int row = 0; row < rows;) {
        const FileEntry* entry = m_doc->VisibleEntry(row);
        if (!entry || !entry->Has(kEntrySelected)) {
            ++row;
            continue;
        }
        int end = row;
        while (end + 1 < rows) {
            const FileEntry* next = m_doc->VisibleEntry(end + 1);
            if (!next || !next->Has(kEntrySelected)) break;
            ++end;
        }
        selection.select(m_model->index(row, 0), m_model->index(end, lastColumn));
        row = end + 1;
    }
    m_syncing = true;
    for (QAbstractItemView* view : {static_cast<QAbstractItemView*>(m_grid), static_cast<QAbstractItemView*>(m_list)})
        view->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
    m_syncing = false;
}

bool CFileBrowserView::HandleKey(QKeyEvent* event) {
    if (!m_doc) return false;
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    if (event->key() == Qt::Key_Delete && mods == Qt::NoModifier) {
        if (m_doc->QueryCommand(CFileBrowserDoc::kCmdDelete).enabled) m_doc->OnCommand(CFileBrowserDoc::kCmdDelete);
        return true;
    }
    if (mods == Qt::ControlModifier && event->key() == Qt::Key_A) {
        m_doc->OnCommand(CFileBrowserDoc::kCmdSelectAll);
        return true;
    }
    if (mods == Qt::ControlModifier && event->key() == Qt::Key_D) {
        m_doc->OnCommand(CFileBrowserDoc::kCmdDeselectAll);
        return true;
    }
    return false;
}

void CFileBrowserView::StartDrag(QWidget* source) {
    CFileSystemIF* files = m_doc ? m_doc->Source() : nullptr;
    std::vector<std::string> paths;
    if (!files || !files->GetSelectedFiles(paths)) return;
    auto* drag = new QDrag(source);
    drag->setMimeData(CDVFileDragDrop::MakeDragData(paths));
    // The first selected thumbnail goes along under the cursor.
    for (int row = 0; row < m_model->Count(); ++row) {
        const FileEntry* entry = m_doc->VisibleEntry(row);
        if (!entry || !entry->Has(kEntrySelected) || !entry->Has(kEntryThumbnailReady)) continue;
        QImage image(kThumbSquare, kThumbSquare, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        {
            QPainter painter(&image);
            DrawThumbnail(painter, *entry, image.rect());
        }
        drag->setPixmap(QPixmap::fromImage(image.scaled(96, 96, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
        drag->setHotSpot({48, 48});
        break;
    }
    const Qt::DropAction result = drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::CopyAction);
    // A target may still be moving the files when the drag ends: look a little later
    // whether they went, and let the source drop the entries whose files have gone (a
    // folder's watcher does it for a folder).
    QTimer::singleShot(300, this, [this, result, paths] {
        if (CDVFileDragDrop::DragChangedFiles(result, paths) && m_doc && m_doc->Source()) m_doc->Source()->Revalidate();
    });
}

void CFileBrowserView::DragOver(QDropEvent* event) {
    CFileSystemIF* files = m_doc ? m_doc->Source() : nullptr;
    const std::vector<std::string> paths = CDVFileDragDrop::DroppedPaths(event->mimeData());
    if (!files || !CDVFileDragDrop::AcceptableFiles(event->mimeData(), paths, *files)) {
        event->ignore();
        return;
    }
    const DropEffect effect = CDVFileDragDrop::EffectFor(event->modifiers());
    event->setDropAction(effect == DropEffect::Move ? Qt::MoveAction : Qt::CopyAction);
    event->accept();
}

void CFileBrowserView::Drop(QDropEvent* event) {
    DragOver(event);
    if (!event->isAccepted()) return;
    const std::vector<std::string> paths = CDVFileDragDrop::DroppedPaths(event->mimeData());
    const bool move = CDVFileDragDrop::EffectFor(event->modifiers()) == DropEffect::Move;
    m_doc->Source()->CopyOrMove(paths, move ? CFileSystemIF::kMove : CFileSystemIF::kCopy);
    // The source has moved the files itself: the drag's origin must not delete them too.
    if (move) event->setDropAction(Qt::IgnoreAction);
}

void CFileBrowserView::OpenRow(int row) {
    if (!m_doc || !m_doc->Source() || row < 0 || row >= m_doc->VisibleCount()) return;
    const FileEntry* entry = m_doc->VisibleEntry(row);
    // The editor's next and previous commands go on from the picture opened here.
    if (entry && entry->IsJpeg()) m_doc->SetCurrentImageIndex(row);
    m_doc->Source()->OpenEntry(row);
}

void CFileBrowserView::OnScrolled(int value) {
    QAbstractItemView* view = ActiveView();
    if (!m_doc || !m_doc->Source() || sender() != view->verticalScrollBar() || m_model->Count() == 0) return;
    const bool up = value < m_lastScroll;
    m_lastScroll = value;
    const QRect area = view->viewport()->rect();
    int row = -1;
    if (m_mode == Mode::Thumbnails) {
        if (up) {
            // Of the bottom line of cells, the one nearest the bottom-right corner; the
            // last line may not reach the corner, or the list may end above the bottom.
            for (int x = area.right(); row < 0 && x >= 0; x -= kCellWidth / 2)
                row = view->indexAt({x, area.bottom()}).row();
            if (row < 0) row = m_model->Count() - 1;
        } else {
            row = std::max(view->indexAt(area.topLeft()).row(), 0);
        }
    } else {
        auto* table = static_cast<QTableView*>(view);
        const int top = std::max(table->rowAt(0), 0);
        row = up ? std::min(top + area.height() / kListRowHeight, m_model->Count() - 1) : top;
    }
    m_doc->Source()->SetThumbnailCursor(row, up ? -1 : +1);
}
