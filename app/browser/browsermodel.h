#pragma once
// CBrowserModel: the browser document's visible list as a Qt item model. It holds only a
// row count; every text and thumbnail is read from the document when a view asks for it.
#include <QAbstractTableModel>
#include <QString>
#include <QStringList>
#include <cstdint>

#include "browser/fileentry.h"

class CFileBrowserDoc;

namespace browserui {

// Columns of the detailed list.
enum class Column { Thumbnail, Filename, Path, Size, Date, Resolution, Count };

// Which of the four text lines under a thumbnail cell are shown (the details mask).
enum DetailBits : uint32_t {
    kDetailName = 0x1,
    kDetailSize = 0x2,
    kDetailResolution = 0x4,
    kDetailDate = 0x8,
    kDetailAll = 0xF,
};

// Cell geometry of the thumbnail grid.
constexpr int kCellWidth = 150;
constexpr int kThumbSquare = 150;
constexpr int kCellMargin = 4;          // the 8-pixel spacing, half on each side
constexpr int kListRowHeight = 140;
constexpr int kFirstLineHeight = 22;    // the first text line under a thumbnail
constexpr int kLineHeight = 13;         // each further line

// Height of a thumbnail cell: the square, 22 for the first text line and 13 for each other.
int CellHeight(uint32_t detailMask);

// An entry's date (a FILETIME) in local time with "%c"; empty before 1970.
QString DateText(FileTime date);
// The text lines under a thumbnail, in order, as chosen by `detailMask`.
QStringList ThumbnailLines(const FileEntry& entry, const QString& path, uint32_t detailMask);
// The text of one detailed-list column.
QString ColumnText(const FileEntry& entry, const QString& path, Column column);

class CBrowserModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit CBrowserModel(CFileBrowserDoc& doc, QObject* parent = nullptr);

    // Sets the number of rows (the document's visible count as last reported).
    void SetCount(int count);
    int Count() const { return m_count; }
    // Tells the views that one row's picture or texts changed.
    void RowChanged(int row);
    // Tells the views that every row may have changed (sort, flags, thumbnails).
    void AllChanged();
    CFileBrowserDoc& Document() const { return m_doc; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    CFileBrowserDoc& m_doc;
    int m_count = 0;
};

}  // namespace browserui
