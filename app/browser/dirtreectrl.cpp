#include "browser/dirtreectrl.h"

#include <QContextMenuEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QHeaderView>
#include <QInputDialog>
#include <QMenu>
#include <QMimeData>
#include <filesystem>
#include <set>

#include "browser/browserdragdrop.h"
#include "browser/browserview.h"
#include "browser/filetransfer.h"
#include "core/prompt.h"
#include "download/downloadhistory.h"
#include "platform/mounts.h"
#include "platform/trash.h"

using browserui::CDVFileDragDrop;
using browserui::DropEffect;

CDirTreeCtrl::CDirTreeCtrl(QWidget* parent) : QTreeWidget(parent) {
    setHeaderHidden(true);
    setColumnCount(1);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);  // drops arrive at the viewport
    setDropIndicatorShown(false);
    setObjectName("dirTree");
    connect(this, &QTreeWidget::itemExpanded, this, &CDirTreeCtrl::ListChildren);
    connect(this, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current, QTreeWidgetItem*) { OnCurrentItemChanged(current); });
}

CDirTreeCtrl::NodeType CDirTreeCtrl::TypeOf(const QTreeWidgetItem* item) {
    return item ? NodeType(item->data(0, kTypeRole).toInt()) : NodeType::Downloads;
}

QString CDirTreeCtrl::PathOf(const QTreeWidgetItem* item) {
    return item ? item->data(0, kPathRole).toString() : QString();
}

std::vector<CDirTreeCtrl::Volume> CDirTreeCtrl::MountedVolumes() {
    std::vector<Volume> volumes;
    std::set<std::string> seen;
    for (const platform::MountEntry& mount : platform::ReadMountTable()) {
        const std::string& point = mount.mountPoint;
        const bool media = point.rfind("/media/", 0) == 0 || point.rfind("/run/media/", 0) == 0 ||
                           point.rfind("/mnt/", 0) == 0;
        const bool device = mount.source.rfind("/dev/", 0) == 0 && point.rfind("/boot", 0) != 0 &&
                            mount.fsType != "squashfs" && point.rfind("/snap/", 0) != 0;
        if (point != "/" && !media && !device) continue;
        if (!seen.insert(point).second || !QFileInfo(QString::fromStdString(point)).isDir()) continue;
        const QString path = QString::fromStdString(point);
        volumes.push_back({point == "/" ? QStringLiteral("File System") : QFileInfo(path).fileName(), path});
    }
    return volumes;
}

QTreeWidgetItem* CDirTreeCtrl::AddFolderNode(QTreeWidgetItem* parent, const QString& name, const QString& path,
                                             const QIcon& icon) {
    auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(this);
    item->setText(0, name);
    item->setIcon(0, icon);
    item->setData(0, kTypeRole, int(NodeType::Folder));
    item->setData(0, kPathRole, path);
    item->setData(0, kListedRole, false);
    // Sub-folders are listed only when the node is opened.
    item->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    return item;
}

void CDirTreeCtrl::Build(CFileBrowserView* view, const QString& photosRoot, const QString& home,
                         const std::vector<Volume>& volumes, IPrompt* prompt, IProgress* progress) {
    m_filling = true;
    clear();
    m_view = view;
    m_prompt = prompt;
    m_progress = progress;
    m_photosRoot = photosRoot;
    QFileIconProvider icons;
    auto* photos = new QTreeWidgetItem(this, {QStringLiteral("Lumaret Photos")});
    photos->setData(0, kTypeRole, int(NodeType::PhotosRoot));
    photos->setIcon(0, icons.icon(QFileIconProvider::Folder));
    photos->setToolTip(0, photosRoot);
    m_downloads = new QTreeWidgetItem(this, {QStringLiteral("Downloads")});
    m_downloads->setData(0, kTypeRole, int(NodeType::Downloads));
    m_downloads->setIcon(0, icons.icon(QFileIconProvider::Folder));
    ReloadHistory();
    AddFolderNode(nullptr, QStringLiteral("Home"), home, QIcon::fromTheme("user-home", icons.icon(QFileIconProvider::Folder)));
    for (const Volume& volume : volumes)
        AddFolderNode(nullptr, volume.name, volume.path, icons.icon(QFileIconProvider::Drive));
    // A tree without a current node takes its first one when it gets the focus, which
    // would browse the download folder: "Downloads", which browses nothing, is current
    // until a folder is chosen.
    setCurrentItem(m_downloads);
    m_filling = false;
}

void CDirTreeCtrl::ListChildren(QTreeWidgetItem* item) {
    if (TypeOf(item) != NodeType::Folder || item->data(0, kListedRole).toBool()) return;
    item->setData(0, kListedRole, true);
    const bool filling = m_filling;
    m_filling = true;
    const QDir folder(PathOf(item));
    const QIcon icon = QFileIconProvider().icon(QFileIconProvider::Folder);
    // Hidden folders and those whose name begins with a full stop are never listed.
    for (const QString& name : folder.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase))
        if (!name.startsWith('.')) AddFolderNode(item, name, folder.filePath(name), icon);
    if (item->childCount() == 0) item->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicatorWhenChildless);
    m_filling = filling;
}

bool CDirTreeCtrl::SelectFolder(const QString& path) {
    const QString target = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    // The top-level folder holding the path most closely.
    QTreeWidgetItem* node = nullptr;
    int best = -1;
    for (int i = 0; i < topLevelItemCount(); ++i) {
        QTreeWidgetItem* top = topLevelItem(i);
        const QString root = PathOf(top);
        if (TypeOf(top) != NodeType::Folder || root.isEmpty()) continue;
        const bool holds = target == root || target.startsWith(root.endsWith('/') ? root : root + '/');
        if (holds && root.size() > best) {
            node = top;
            best = int(root.size());
        }
    }
    if (!node) return false;
    const QString rest = target.mid(PathOf(node).size());
    for (const QString& name : rest.split('/', Qt::SkipEmptyParts)) {
        ListChildren(node);
        QTreeWidgetItem* next = nullptr;
        for (int i = 0; i < node->childCount() && !next; ++i)
            if (node->child(i)->text(0) == name) next = node->child(i);
        if (!next) break;
        node->setExpanded(true);
        node = next;
    }
    setCurrentItem(node);
    scrollToItem(node);
    return true;
}

bool CDirTreeCtrl::SelectChildNamed(const QString& name) {
    QTreeWidgetItem* parent = currentItem();
    if (!parent) return false;
    ListChildren(parent);
    for (int i = 0; i < parent->childCount(); ++i) {
        if (parent->child(i)->text(0).compare(name, Qt::CaseInsensitive) == 0) {
            parent->setExpanded(true);
            setCurrentItem(parent->child(i));
            return true;
        }
    }
    return false;
}

void CDirTreeCtrl::SetHistoryFile(const QString& path) {
    m_historyFile = path;
    ReloadHistory();
}

void CDirTreeCtrl::ReloadHistory() {
    if (!m_downloads) return;
    QTreeWidgetItem* current = currentItem();
    const int shownBatch = TypeOf(current) == NodeType::Batch ? current->data(0, kBatchRole).toInt() : -1;
    const bool filling = m_filling;
    // Rebuilding the nodes must not browse anything.
    m_filling = true;
    if (current && current->parent() == m_downloads) setCurrentItem(m_downloads);
    qDeleteAll(m_downloads->takeChildren());
    CDownloadHistory history(m_historyFile.toStdString());
    if (!m_historyFile.isEmpty()) history.Load();
    const QIcon icon = QFileIconProvider().icon(QFileIconProvider::File);
    int index = 0;
    for (const auto& batch : history.Batches()) {
        auto* node = new QTreeWidgetItem(m_downloads, {QString::fromStdString(batch->name)});
        node->setData(0, kTypeRole, int(NodeType::Batch));
        node->setData(0, kBatchRole, index);
        QStringList files;
        for (const std::string& file : batch->files) files << QString::fromStdString(file);
        node->setData(0, kPathRole, files.join('\n'));
        node->setIcon(0, icon);
        if (index == shownBatch) setCurrentItem(node);
        ++index;
    }
    m_filling = filling;
}

bool CDirTreeCtrl::DeleteHistory(QTreeWidgetItem* item) {
    if (TypeOf(item) != NodeType::Batch || m_historyFile.isEmpty()) return false;
    if (m_prompt && m_prompt->Ask(kDeleteHistoryQuestion, "Delete history", PromptButtons::YesNo) != PromptAnswer::Yes)
        return false;
    CDownloadHistory history(m_historyFile.toStdString());
    history.Load();
    const int index = item->data(0, kBatchRole).toInt();
    // The file may have changed since the tree was built (another window's download):
    // only a batch that is still the one shown is removed.
    const auto& batches = history.Batches();
    if (index < 0 || index >= int(batches.size()) || QString::fromStdString(batches[size_t(index)]->name) != item->text(0)) {
        ReloadHistory();
        return false;
    }
    history.RemoveBatch(size_t(index));
    std::string error;
    if (!history.Save(error)) {
        if (m_prompt) m_prompt->Message("Unable to save download history file!", "Error");
        return false;
    }
    if (currentItem() == item) setCurrentItem(m_downloads);
    ReloadHistory();
    return true;
}

QTreeWidgetItem* CDirTreeCtrl::CameraNode(int slot) const {
    for (int i = 0; i < topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = topLevelItem(i);
        if (TypeOf(item) == NodeType::Camera && item->data(0, kSlotRole).toInt() == slot) return item;
    }
    return nullptr;
}

bool CDirTreeCtrl::SelectCamera(int slot) {
    QTreeWidgetItem* node = CameraNode(slot);
    if (!node) return false;
    setCurrentItem(node);
    return true;
}

void CDirTreeCtrl::AddCamera(const QString& name, int slot) {
    RemoveCamera(slot);
    auto* camera = new QTreeWidgetItem({name});
    camera->setData(0, kTypeRole, int(NodeType::Camera));
    camera->setData(0, kSlotRole, slot);
    camera->setIcon(0, QIcon::fromTheme("camera-photo", QFileIconProvider().icon(QFileIconProvider::Drive)));
    // Cameras come after the downloads and before the file system.
    insertTopLevelItem(indexOfTopLevelItem(m_downloads) + 1, camera);
}

void CDirTreeCtrl::RemoveCamera(int slot) {
    for (int i = topLevelItemCount() - 1; i >= 0; --i) {
        QTreeWidgetItem* item = topLevelItem(i);
        if (TypeOf(item) != NodeType::Camera || item->data(0, kSlotRole).toInt() != slot) continue;
        // The tree would make a neighbour current and browse it: "Downloads" browses nothing.
        if (currentItem() == item) {
            const bool filling = m_filling;
            m_filling = true;
            setCurrentItem(m_downloads);
            m_filling = filling;
        }
        delete takeTopLevelItem(i);
    }
}

void CDirTreeCtrl::OnCurrentItemChanged(QTreeWidgetItem* current) {
    if (m_filling || !current || !m_view) return;
    switch (TypeOf(current)) {
        case NodeType::Folder:
            m_folderHint = CHint::Folder(PathOf(current).toStdString());
            m_view->PostUpdate(kUpdateBrowse, reinterpret_cast<intptr_t>(&m_folderHint));
            break;
        case NodeType::PhotosRoot:
            if (!SelectFolder(m_photosRoot) && m_prompt) m_prompt->Beep();
            break;
        case NodeType::Batch: {
            std::vector<std::string> files;
            for (const QString& file : current->data(0, kPathRole).toString().split('\n', Qt::SkipEmptyParts))
                files.push_back(file.toStdString());
            m_batchHint = CHint::FileList(std::move(files));
            m_view->PostUpdate(kUpdateBrowse, reinterpret_cast<intptr_t>(&m_batchHint));
            break;
        }
        case NodeType::Camera:
            m_cameraHint = CHint{};
            m_cameraHint.sourceKind = CHint::kCamera;
            m_cameraHint.cameraSlot = current->data(0, kSlotRole).toInt();
            m_view->PostUpdate(kUpdateBrowse, reinterpret_cast<intptr_t>(&m_cameraHint));
            break;
        case NodeType::Downloads:
            break;
    }
}

bool CDirTreeCtrl::CanDropOn(const QTreeWidgetItem* item, const std::vector<std::string>& paths) const {
    if (TypeOf(item) != NodeType::Folder || paths.empty()) return false;
    for (const std::string& path : paths)
        if (QFileInfo(QString::fromStdString(path)).isDir()) return false;
    const QString shown = m_view ? m_view->ShownFolder() : QString();
    return QDir::cleanPath(PathOf(item)).compare(QDir::cleanPath(shown), Qt::CaseInsensitive) != 0;
}

QTreeWidgetItem* CDirTreeCtrl::DropNodeAt(QDropEvent* event) const {
    if (CDVFileDragDrop::IsOwnDrag(event->mimeData())) return nullptr;
    QTreeWidgetItem* item = itemAt(event->position().toPoint());
    return CanDropOn(item, CDVFileDragDrop::DroppedPaths(event->mimeData())) ? item : nullptr;
}

void CDirTreeCtrl::SetDropHighlight(QTreeWidgetItem* item) {
    if (m_dropHighlight == item) return;
    if (m_dropHighlight) m_dropHighlight->setBackground(0, QBrush());
    m_dropHighlight = item;
    if (item) item->setBackground(0, palette().highlight());
}

void CDirTreeCtrl::dragEnterEvent(QDragEnterEvent* event) {
    // Accepted as a whole so that move events follow; each position is judged there.
    if (CDVFileDragDrop::IsOwnDrag(event->mimeData()) || !event->mimeData()->hasUrls()) return event->ignore();
    event->acceptProposedAction();
}

void CDirTreeCtrl::dragMoveEvent(QDragMoveEvent* event) {
    QTreeWidgetItem* item = DropNodeAt(event);
    SetDropHighlight(item);
    if (!item) return event->ignore();
    const bool move = CDVFileDragDrop::EffectFor(event->modifiers()) == DropEffect::Move;
    event->setDropAction(move ? Qt::MoveAction : Qt::CopyAction);
    event->accept();
}

void CDirTreeCtrl::dragLeaveEvent(QDragLeaveEvent* event) {
    SetDropHighlight(nullptr);
    event->accept();
}

void CDirTreeCtrl::dropEvent(QDropEvent* event) {
    QTreeWidgetItem* item = DropNodeAt(event);
    SetDropHighlight(nullptr);
    if (!item) return event->ignore();
    const bool move = CDVFileDragDrop::EffectFor(event->modifiers()) == DropEffect::Move;
    const std::vector<std::string> paths = CDVFileDragDrop::DroppedPaths(event->mimeData());
    const TransferReport report = TransferFiles(paths, PathOf(item).toStdString(),
                                                move ? TransferKind::Move : TransferKind::Copy, m_prompt, m_progress);
    if (!report.failed.empty() && m_prompt) {
        std::string text = move ? "These files could not be moved:" : "These files could not be copied:";
        for (const std::string& path : report.failed) text += "\n" + path;
        m_prompt->Message(text, move ? "Moving..." : "Copying...");
    }
    // The files are in place: the origin must not remove them again.
    event->setDropAction(move ? Qt::IgnoreAction : Qt::CopyAction);
    event->accept();
}

void CDirTreeCtrl::contextMenuEvent(QContextMenuEvent* event) {
    QTreeWidgetItem* item = itemAt(event->pos());
    if (TypeOf(item) == NodeType::Batch) {
        QMenu menu(this);
        QAction* remove = menu.addAction(QStringLiteral("Delete history"));
        if (menu.exec(event->globalPos()) == remove) DeleteHistory(item);
        return;
    }
    // Top-level folders are the home folder and the volumes: they are not renamed or deleted.
    if (TypeOf(item) != NodeType::Folder || !item->parent()) return;
    QMenu menu(this);
    QAction* remove = menu.addAction(QStringLiteral("Delete"));
    QAction* rename = menu.addAction(QStringLiteral("Rename"));
    QAction* chosen = menu.exec(event->globalPos());
    if (chosen == remove) DeleteFolder(item);
    else if (chosen == rename) RenameFolder(item);
}

bool CDirTreeCtrl::DeleteFolder(QTreeWidgetItem* item) {
    if (TypeOf(item) != NodeType::Folder || !item->parent()) return false;
    const QString path = PathOf(item);
    if (m_prompt && m_prompt->Ask(tr("Move the folder %1 and everything in it to the trash?").arg(path).toStdString(),
                                  "Delete", PromptButtons::YesNo) != PromptAnswer::Yes)
        return false;
    const platform::TrashOutcome outcome = platform::MoveToTrash(path.toStdString());
    if (!outcome.ok) {
        if (m_prompt)
            m_prompt->Message(
                tr("%1 could not be moved to the trash: %2").arg(path, QString::fromStdString(outcome.error)).toStdString(),
                "Delete");
        return false;
    }
    QTreeWidgetItem* parent = item->parent();
    const bool wasCurrent = currentItem() == item;
    delete item;
    if (wasCurrent) setCurrentItem(parent);
    return true;
}

void CDirTreeCtrl::RenameFolder(QTreeWidgetItem* item) {
    bool ok = false;
    const QString name =
        QInputDialog::getText(this, tr("Rename"), tr("New name:"), QLineEdit::Normal, item->text(0), &ok);
    if (ok && name != item->text(0)) RenameFolderTo(item, name);
}

bool CDirTreeCtrl::RenameFolderTo(QTreeWidgetItem* item, const QString& name) {
    if (TypeOf(item) != NodeType::Folder || !item->parent()) return false;
    const QString path = PathOf(item);
    auto refuse = [this](const QString& text) {
        if (m_prompt) m_prompt->Message(text.toStdString(), "Rename");
        return false;
    };
    if (name.isEmpty() || name == "." || name == ".." || name.contains('/'))
        return refuse(tr("%1 cannot be the name of a folder.").arg(name));
    const QString target = QFileInfo(path).dir().filePath(name);
    // rename() would silently replace an empty folder of that name.
    if (QFileInfo::exists(target)) return refuse(tr("%1 already exists.").arg(target));
    std::error_code ec;
    std::filesystem::rename(path.toStdString(), target.toStdString(), ec);
    if (ec) return refuse(tr("%1 could not be renamed: %2").arg(path, QString::fromStdString(ec.message())));
    item->setText(0, name);
    item->setData(0, kPathRole, target);
    // The sub-folders' paths changed with it: they are listed again when opened.
    qDeleteAll(item->takeChildren());
    item->setData(0, kListedRole, false);
    item->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    item->setExpanded(false);
    // The folder shown is now found under its new name.
    if (item == currentItem() && m_view) {
        m_folderHint = CHint::Folder(target.toStdString());
        m_view->PostUpdate(kUpdateBrowse, reinterpret_cast<intptr_t>(&m_folderHint));
    }
    return true;
}
