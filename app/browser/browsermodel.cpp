#include "browser/browsermodel.h"

#include <QFileInfo>
#include <algorithm>
#include <ctime>

#include "browser/browserdoc.h"

namespace browserui {

int CellHeight(uint32_t detailMask) {
    int height = kThumbSquare;
    if (detailMask & 1u) height += kFirstLineHeight;
    for (int bit = 1; bit < 32; ++bit)
        if (detailMask & (1u << bit)) height += kLineHeight;
    return height;
}

QString DateText(FileTime date) {
    constexpr uint64_t kTicksPerSecond = 10000000ULL, kEpochDifference = 11644473600ULL;
    const uint64_t seconds = date.Ticks() / kTicksPerSecond;
    if (seconds < kEpochDifference) return {};
    const std::time_t t = static_cast<std::time_t>(seconds - kEpochDifference);
    std::tm local{};
    char text[96];
    if (!localtime_r(&t, &local) || std::strftime(text, sizeof text, "%c", &local) == 0) return {};
    return QString::fromLocal8Bit(text);
}

QStringList ThumbnailLines(const FileEntry& entry, const QString& path, uint32_t detailMask) {
    QStringList lines;
    if (detailMask & kDetailName) lines << QFileInfo(path).fileName();
    if (detailMask & kDetailSize) lines << QString::asprintf("%.02f Mb", entry.size / 1048576.0);
    if ((detailMask & kDetailResolution) && entry.IsJpeg())
        lines << QString::asprintf("%d x %d x %d (%.02f MP)", entry.imageWidth, entry.imageHeight, entry.bitsPerPixel,
                                   double(entry.imageWidth) * entry.imageHeight / 1000000.0);
    if (detailMask & kDetailDate) lines << DateText(entry.date);
    return lines;
}

QString ColumnText(const FileEntry& entry, const QString& path, Column column) {
    switch (column) {
        case Column::Thumbnail: return {};
        case Column::Filename: return QFileInfo(path).fileName();
        case Column::Path: return QFileInfo(path).path();
        case Column::Size:
            if (entry.IsJpeg())
                return QString::asprintf("%0.2fKb (%0.2f Mp)", entry.size / 1024.0,
                                         double(entry.imageWidth) * entry.imageHeight / 1000000.0);
            return QString::asprintf("%0.2fKb", static_cast<uint32_t>(entry.size) / 1024.0);
        case Column::Date: return DateText(entry.date);
        case Column::Resolution:
            if (entry.IsJpeg())
                return QString::asprintf("%d x %d x %d", entry.imageWidth, entry.imageHeight, entry.bitsPerPixel);
            return QStringLiteral("n/a");
        case Column::Count: break;
    }
    return {};
}

CBrowserModel::CBrowserModel(CFileBrowserDoc& doc, QObject* parent) : QAbstractTableModel(parent), m_doc(doc) {}

void CBrowserModel::SetCount(int count) {
    count = std::max(count, 0);
    if (count == m_count) return;
    // Rows exist only as a number, so a new count is a reset: nothing to move or keep.
    beginResetModel();
    m_count = count;
    endResetModel();
}

void CBrowserModel::RowChanged(int row) {
    if (row < 0 || row >= m_count) return;
    emit dataChanged(index(row, 0), index(row, int(Column::Count) - 1));
}

void CBrowserModel::AllChanged() {
    if (m_count > 0) emit dataChanged(index(0, 0), index(m_count - 1, int(Column::Count) - 1));
}

int CBrowserModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_count;
}

int CBrowserModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(Column::Count);
}

QVariant CBrowserModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::ToolTipRole)) return {};
    const FileEntry* entry = m_doc.VisibleEntry(index.row());
    if (!entry) return {};
    const QString path = QString::fromStdString(m_doc.EntryPath(index.row()));
    if (role == Qt::ToolTipRole) return path;
    return ColumnText(*entry, path, Column(index.column()));
}

QVariant CBrowserModel::headerData(int section, Qt::Orientation orientation, int role) const {
    static const char* const kTitles[] = {"Thumbnail", "Filename", "Path", "Size", "Date", "Resolution"};
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= int(Column::Count))
        return QAbstractTableModel::headerData(section, orientation, role);
    return QString::fromLatin1(kTitles[section]);
}

Qt::ItemFlags CBrowserModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled;
}

}  // namespace browserui
