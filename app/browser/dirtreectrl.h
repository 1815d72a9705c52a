#pragma once
// CDirTreeCtrl: the browser's directory tree. From the top: "Lumaret Photos" (the download
// root), "Downloads" (one child per download batch), one node per connected camera, then
// the home folder and the mounted volumes with their folders, listed when expanded.
// Selecting a node makes the browser view show it; files dropped on a folder node are
// copied (Shift: moved) into that folder.
#include <QTreeWidget>
#include <vector>

#include "browser/hint.h"

class CFileBrowserView;
class IPrompt;
class IProgress;

class CDirTreeCtrl : public QTreeWidget {
    Q_OBJECT
public:
    // Node types.
    enum class NodeType { Folder = 1, PhotosRoot = 2, Downloads = 3, Batch = 4, Camera = 5 };
    static constexpr int kTypeRole = Qt::UserRole;
    static constexpr int kPathRole = Qt::UserRole + 1;       // folder nodes: the folder
    static constexpr int kListedRole = Qt::UserRole + 2;     // folder nodes: children listed
    static constexpr int kSlotRole = Qt::UserRole + 3;       // camera nodes: slot index
    static constexpr int kBatchRole = Qt::UserRole + 4;      // batch nodes: index in the history
    static constexpr const char* kDeleteHistoryQuestion = "Are you sure ?";

    // A volume shown under the home folder.
    struct Volume {
        QString name;
        QString path;
    };

    explicit CDirTreeCtrl(QWidget* parent = nullptr);

    // Fills the tree: the download root `photosRoot`, the home folder and `volumes`.
    // Browse requests go to `view`; drops use `prompt` and `progress` (either may be null).
    void Build(CFileBrowserView* view, const QString& photosRoot, const QString& home,
               const std::vector<Volume>& volumes, IPrompt* prompt, IProgress* progress);
    // The mounted volumes worth showing: the root file system and the mounts of real devices.
    static std::vector<Volume> MountedVolumes();

    // Expands the tree down to `path` and selects its node (the deepest existing one).
    // False when no top-level folder holds the path.
    bool SelectFolder(const QString& path);
    // Selects the child of the selected node named `name`, without regard to case.
    bool SelectChildNamed(const QString& name);
    // The node of a connected camera: added on arrival (replacing an older node of the
    // slot), removed when it goes.
    void AddCamera(const QString& name, int slot);
    void RemoveCamera(int slot);
    // The node of a camera slot, or null.
    QTreeWidgetItem* CameraNode(int slot) const;
    // Selects the node of a camera slot (which browses the camera); false when it has none.
    bool SelectCamera(int slot);

    // The download history shown under "Downloads" is read from `path`.
    void SetHistoryFile(const QString& path);
    // Reads the history file again and makes one child of "Downloads" per batch.
    void ReloadHistory();
    QTreeWidgetItem* DownloadsNode() const { return m_downloads; }
    // Removes a batch node's batch from the history after asking "Are you sure ?"; true
    // when it went.
    bool DeleteHistory(QTreeWidgetItem* item);

    // The node's type (a null node counts as "Downloads", which does nothing).
    static NodeType TypeOf(const QTreeWidgetItem* item);
    // A folder node's folder.
    static QString PathOf(const QTreeWidgetItem* item);
    // Lists a folder node's sub-folders (once).
    void ListChildren(QTreeWidgetItem* item);
    // Renames a folder node's folder to `name` in the same parent folder; an existing name,
    // an empty one or one with a slash is refused (the user is told). True when renamed.
    bool RenameFolderTo(QTreeWidgetItem* item, const QString& name);
    // Moves a folder node's folder to the trash after asking; true when it went.
    bool DeleteFolder(QTreeWidgetItem* item);
    // True when `paths` may be dropped on `item`.
    bool CanDropOn(const QTreeWidgetItem* item, const std::vector<std::string>& paths) const;

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    QTreeWidgetItem* AddFolderNode(QTreeWidgetItem* parent, const QString& name, const QString& path,
                                   const QIcon& icon);
    void OnCurrentItemChanged(QTreeWidgetItem* current);
    QTreeWidgetItem* DropNodeAt(QDropEvent* event) const;
    void SetDropHighlight(QTreeWidgetItem* item);
    void RenameFolder(QTreeWidgetItem* item);

    CFileBrowserView* m_view = nullptr;
    IPrompt* m_prompt = nullptr;
    IProgress* m_progress = nullptr;
    QString m_photosRoot;
    QString m_historyFile;
    QTreeWidgetItem* m_downloads = nullptr;
    QTreeWidgetItem* m_dropHighlight = nullptr;
    bool m_filling = false;
    // The browse requests the tree sends, one per node type (sent by address).
    CHint m_folderHint;
    CHint m_batchHint;
    CHint m_cameraHint;
};
