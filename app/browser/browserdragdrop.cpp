#include "browser/browserdragdrop.h"

#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

#include "browser/filesystemif.h"

namespace browserui {

QMimeData* CDVFileDragDrop::MakeDragData(const std::vector<std::string>& paths) {
    auto* data = new QMimeData;
    QList<QUrl> urls;
    urls.reserve(int(paths.size()));
    for (const std::string& path : paths) urls << QUrl::fromLocalFile(QString::fromStdString(path));
    data->setUrls(urls);
    data->setData(QString::fromLatin1(kPrivateDragFormat), QByteArray("1"));
    return data;
}

bool CDVFileDragDrop::IsOwnDrag(const QMimeData* data) {
    return data && data->hasFormat(QString::fromLatin1(kPrivateDragFormat));
}

std::vector<std::string> CDVFileDragDrop::DroppedPaths(const QMimeData* data) {
    std::vector<std::string> paths;
    if (!data || !data->hasUrls()) return paths;
    for (const QUrl& url : data->urls()) {
        // A web address or other remote item cannot be copied by a file operation.
        if (!url.isLocalFile()) return {};
        paths.push_back(url.toLocalFile().toStdString());
    }
    return paths;
}

DropEffect CDVFileDragDrop::EffectFor(Qt::KeyboardModifiers modifiers) {
    return modifiers.testFlag(Qt::ShiftModifier) ? DropEffect::Move : DropEffect::Copy;
}

bool CDVFileDragDrop::AcceptableFiles(const QMimeData* data, const std::vector<std::string>& paths,
                                      CFileSystemIF& source) {
    return !IsOwnDrag(data) && !paths.empty() && source.AreAllFiles(paths);
}

bool CDVFileDragDrop::DragChangedFiles(Qt::DropAction action, const std::vector<std::string>& paths) {
    if (action == Qt::CopyAction || action == Qt::MoveAction) return true;
    for (const std::string& path : paths)
        if (!QFileInfo::exists(QString::fromStdString(path))) return true;
    return false;
}

}  // namespace browserui
