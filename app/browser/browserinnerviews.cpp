#include "browser/browserinnerviews.h"

#include <QDragEnterEvent>
#include <QHeaderView>
#include <QImage>
#include <QKeyEvent>
#include <QPainter>

#include "browser/browserdoc.h"
#include "browser/browsermodel.h"
#include "browser/browserview.h"

namespace browserui {
namespace {

// Writes the empty-view text, centred and word-wrapped, over the whole client area.
void PaintEmptyText(QWidget* viewport, const QString& text) {
    if (text.isEmpty()) return;
    QPainter painter(viewport);
    painter.drawText(viewport->rect(), Qt::AlignCenter | Qt::TextWordWrap, text);
}

}  // namespace

void DrawThumbnail(QPainter& painter, const FileEntry& entry, const QRect& square) {
    if (!entry.Has(kEntryThumbnailReady) || entry.thumbWidth == 0 || entry.thumbHeight == 0) return;
    // The size comes from a database file too: never read past the record's pixels.
    const int stride = (entry.thumbWidth * 3 + 3) & ~3;
    if (size_t(stride) * entry.thumbHeight > FileEntry::kPixelBytes) return;
    // The image only wraps the entry's pixels: nothing is copied for the drawing.
    const QImage image(entry.pixels, entry.thumbWidth, entry.thumbHeight, stride, QImage::Format_BGR888);
    const QPoint topLeft(square.x() + (square.width() - entry.thumbWidth) / 2,
                         square.y() + (square.height() - entry.thumbHeight) / 2);
    painter.drawImage(topLeft, image);
}

void CThumbnailDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    const FileEntry* entry = m_doc.VisibleEntry(index.row());
    if (!entry) return;
    const QRect cell = option.rect.adjusted(kCellMargin, kCellMargin, -kCellMargin, -kCellMargin);
    const bool selected = entry->Has(kEntrySelected);
    painter->save();
    painter->fillRect(cell, selected ? option.palette.highlight() : QBrush(Qt::white));
    painter->setPen(QColor(150, 150, 150));
    painter->drawRect(cell.adjusted(0, 0, -1, -1));
    DrawThumbnail(*painter, *entry, QRect(cell.x(), cell.y(), kCellWidth, kThumbSquare));
    const QString path = QString::fromStdString(m_doc.EntryPath(index.row()));
    painter->setPen(selected ? option.palette.color(QPalette::HighlightedText) : QColor(Qt::black));
    int y = cell.y() + kThumbSquare;
    bool first = true;
    // The detail lines are low: they take a smaller font than the name.
    QFont small = painter->font();
    small.setPixelSize(10);
    for (const QString& line : ThumbnailLines(*entry, path, kDetailAll)) {
        const int height = first ? kFirstLineHeight : kLineHeight;
        if (!first) painter->setFont(small);
        const QRect box(cell.x() + 3, y, cell.width() - 6, height);
        painter->drawText(box, Qt::AlignHCenter | Qt::AlignVCenter,
                          painter->fontMetrics().elidedText(line, Qt::ElideMiddle, box.width()));
        y += height;
        first = false;
    }
    if (option.state & QStyle::State_HasFocus) {
        painter->setPen(QPen(option.palette.color(QPalette::Highlight), 1, Qt::DotLine));
        painter->drawRect(cell.adjusted(1, 1, -2, -2));
    }
    painter->restore();
}

QSize CThumbnailDelegate::sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const {
    // Cells fill the grid completely, so any point of the grid belongs to a cell.
    return {kCellWidth + 2 * kCellMargin, CellHeight(kDetailAll) + 2 * kCellMargin};
}

void CListThumbnailDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                   const QModelIndex& index) const {
    QStyledItemDelegate::paint(painter, option, index);  // background and selection
    if (const FileEntry* entry = m_doc.VisibleEntry(index.row())) DrawThumbnail(*painter, *entry, option.rect);
}

CThumbnailGrid::CThumbnailGrid(CFileBrowserView* owner) : QListView(owner), m_owner(owner) {
    setViewMode(QListView::IconMode);
    setFlow(QListView::LeftToRight);
    setWrapping(true);
    setResizeMode(QListView::Adjust);
    setMovement(QListView::Static);
    setUniformItemSizes(true);
    setSpacing(0);
    setGridSize({kCellWidth + 2 * kCellMargin, CellHeight(kDetailAll) + 2 * kCellMargin});
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionRectVisible(true);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    viewport()->setAcceptDrops(true);
    setObjectName("thumbnailGrid");
}

void CThumbnailGrid::keyPressEvent(QKeyEvent* event) {
    if (!m_owner->HandleKey(event)) QListView::keyPressEvent(event);
}
void CThumbnailGrid::startDrag(Qt::DropActions) { m_owner->StartDrag(this); }
void CThumbnailGrid::dragEnterEvent(QDragEnterEvent* event) { m_owner->DragOver(event); }
void CThumbnailGrid::dragMoveEvent(QDragMoveEvent* event) { m_owner->DragOver(event); }
void CThumbnailGrid::dropEvent(QDropEvent* event) { m_owner->Drop(event); }
void CThumbnailGrid::paintEvent(QPaintEvent* event) {
    if (model() && model()->rowCount() == 0) return PaintEmptyText(viewport(), m_owner->EmptyText());
    QListView::paintEvent(event);
}

CDetailList::CDetailList(CFileBrowserView* owner) : QTableView(owner), m_owner(owner) {
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setShowGrid(true);
    setWordWrap(false);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(kListRowHeight);
    horizontalHeader()->setSectionsMovable(true);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontalHeader()->setStretchLastSection(false);
    viewport()->setAcceptDrops(true);
    setObjectName("detailList");
}

void CDetailList::keyPressEvent(QKeyEvent* event) {
    if (!m_owner->HandleKey(event)) QTableView::keyPressEvent(event);
}
void CDetailList::startDrag(Qt::DropActions) { m_owner->StartDrag(this); }
void CDetailList::dragEnterEvent(QDragEnterEvent* event) { m_owner->DragOver(event); }
void CDetailList::dragMoveEvent(QDragMoveEvent* event) { m_owner->DragOver(event); }
void CDetailList::dropEvent(QDropEvent* event) { m_owner->Drop(event); }
void CDetailList::paintEvent(QPaintEvent* event) {
    if (model() && model()->rowCount() == 0) return PaintEmptyText(viewport(), m_owner->EmptyText());
    QTableView::paintEvent(event);
}

}  // namespace browserui
