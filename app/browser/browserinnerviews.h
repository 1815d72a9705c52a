#pragma once
// The two widgets CFileBrowserView switches between: the thumbnail grid and the detailed
// list. Both hand keys, drags, drops and double clicks to the owning view, and both write
// the empty-view text when there are no rows.
#include <QListView>
#include <QStyledItemDelegate>
#include <QTableView>

class CFileBrowserView;
class CFileBrowserDoc;
struct FileEntry;

namespace browserui {

// Draws an entry's thumbnail pixels centred in `square` (nothing when it has none yet).
void DrawThumbnail(QPainter& painter, const FileEntry& entry, const QRect& square);

// Paints one thumbnail cell: frame, selection, picture and text lines, all read from the
// entry at paint time.
class CThumbnailDelegate : public QStyledItemDelegate {
public:
    CThumbnailDelegate(CFileBrowserDoc& doc, QObject* parent) : QStyledItemDelegate(parent), m_doc(doc) {}
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    CFileBrowserDoc& m_doc;
};

// The Thumbnail column of the detailed list.
class CListThumbnailDelegate : public QStyledItemDelegate {
public:
    CListThumbnailDelegate(CFileBrowserDoc& doc, QObject* parent) : QStyledItemDelegate(parent), m_doc(doc) {}
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    CFileBrowserDoc& m_doc;
};

class CThumbnailGrid : public QListView {
    Q_OBJECT
public:
    explicit CThumbnailGrid(CFileBrowserView* owner);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void startDrag(Qt::DropActions actions) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    CFileBrowserView* m_owner;
};

class CDetailList : public QTableView {
    Q_OBJECT
public:
    explicit CDetailList(CFileBrowserView* owner);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void startDrag(Qt::DropActions actions) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    CFileBrowserView* m_owner;
};

}  // namespace browserui
