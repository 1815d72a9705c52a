#include "browser/browserbars.h"

#include <QAction>
#include <QActionGroup>
#include <QIcon>
#include <QMenu>
#include <QStyle>

#include "browser/browserdoc.h"
#include "browser/browserview.h"

QString BrowserInfoText(const CFileBrowserDoc& doc, const QString& folder) {
    auto& document = const_cast<CFileBrowserDoc&>(doc);  // VisibleEntry has no const form
    int files = 0, folders = 0, selected = 0;
    double totalBytes = 0, selectedBytes = 0;
    const int32_t rows = document.VisibleCount();
    for (int32_t row = 0; row < rows; ++row) {
        const FileEntry* entry = document.VisibleEntry(row);
        if (!entry) continue;
        if (entry->IsFolder()) ++folders;
        else ++files;
        totalBytes += entry->size;
        if (entry->Has(kEntrySelected)) {
            ++selected;
            selectedBytes += entry->size;
        }
    }
    return QStringLiteral("%1    %2 files, %3 folders    %4 selected (%5 Mb)    total %6 Mb")
        .arg(folder)
        .arg(files)
        .arg(folders)
        .arg(selected)
        .arg(selectedBytes / 1048576.0, 0, 'f', 2)
        .arg(totalBytes / 1048576.0, 0, 'f', 2);
}

CBrowserToolbar::CBrowserToolbar(CFileBrowserView& view, QWidget* parent) : QToolBar(parent), m_view(view) {
    setObjectName("browserToolbar");
    setToolButtonStyle(Qt::ToolButtonTextOnly);
    QStyle* s = style();
    auto* modes = new QActionGroup(this);
    modes->addAction(Add(CFileBrowserView::kCmdThumbnailView, "Thumbnails", "Thumbnail view", {}, true));
    modes->addAction(Add(CFileBrowserView::kCmdListView, "List", "List view", {}, true));
    addSeparator();
    Add(CFileBrowserDoc::kCmdSortByName, "Name", "Sort by Name", {}, true);
    Add(CFileBrowserDoc::kCmdSortByDate, "Date", "Sort by Date", {}, true);
    Add(CFileBrowserDoc::kCmdSortBySize, "Size", "Sort by Size", {}, true);
    Add(CFileBrowserDoc::kCmdAscending, "Asc", "Ascending", {}, true);
    Add(CFileBrowserDoc::kCmdDescending, "Desc", "Descending", {}, true);
    addSeparator();
    Add(CFileBrowserDoc::kCmdShowNonImageFiles, "Other files", "Show non-image files", {}, true);
    Add(CFileBrowserDoc::kCmdShowFolders, "Folders", "Show folders", {}, true);
    Add(kCmdFlatView, "Flat", "Show the pictures of every sub-folder at once", {}, true);
    addSeparator();
    Add(CFileBrowserDoc::kCmdDownload, "Download", "Download images from the camera or card reader",
        s->standardIcon(QStyle::SP_ArrowDown), false);
    Add(CFileBrowserDoc::kCmdDelete, "Delete", "Delete selected images.", s->standardIcon(QStyle::SP_TrashIcon), false);
    Add(CFileBrowserDoc::kCmdSelectAll, "Select all", "Select all images.", {}, false);
    Add(CFileBrowserDoc::kCmdDeselectAll, "Deselect all", "Clears current selection.", {}, false);
    Add(kCmdRefresh, "Refresh", "List the folder again", s->standardIcon(QStyle::SP_BrowserReload), false);
    UpdateState();
}

QAction* CBrowserToolbar::Add(int id, const QString& text, const QString& tip, const QIcon& icon, bool checkable) {
    QAction* action = addAction(icon, text);
    action->setToolTip(tip);
    action->setStatusTip(tip);
    action->setCheckable(checkable);
    action->setObjectName(QStringLiteral("browserCommand%1").arg(id));
    connect(action, &QAction::triggered, this, [this, id] { Run(id); });
    m_actions.insert(id, action);
    return action;
}

void CBrowserToolbar::Run(int id) {
    CFileBrowserDoc* doc = m_view.Document();
    if (!doc) return;
    CFileSystemIF* source = doc->Source();
    switch (id) {
        case CFileBrowserView::kCmdThumbnailView: m_view.SetMode(CFileBrowserView::Mode::Thumbnails); break;
        case CFileBrowserView::kCmdListView: m_view.SetMode(CFileBrowserView::Mode::List); break;
        case kCmdFlatView:
            if (source && source->IsFlatView()) source->FlatViewOff();
            else if (source && source->CanFlatViewOn()) source->FlatViewOn();
            break;
        case kCmdRefresh:
            if (source) source->Refresh();
            break;
        default:
            if (doc->QueryCommand(id).enabled) doc->OnCommand(id);
            break;
    }
    UpdateState();
}

void CBrowserToolbar::UpdateState() {
    CFileBrowserDoc* doc = m_view.Document();
    for (auto it = m_actions.cbegin(); it != m_actions.cend(); ++it) {
        const int id = it.key();
        QAction* action = it.value();
        if (id == CFileBrowserView::kCmdThumbnailView || id == CFileBrowserView::kCmdListView) {
            action->setChecked((id == CFileBrowserView::kCmdThumbnailView) ==
                               (m_view.CurrentMode() == CFileBrowserView::Mode::Thumbnails));
        } else if (id == kCmdFlatView) {
            CFileSystemIF* source = doc ? doc->Source() : nullptr;
            const bool on = source && source->IsFlatView();
            action->setChecked(on);
            action->setEnabled(source && (on || source->CanFlatViewOn()));
        } else if (id == kCmdRefresh) {
            action->setEnabled(doc != nullptr);
        } else if (doc) {
            const CFileBrowserDoc::CommandState state = doc->QueryCommand(id);
            action->setEnabled(state.enabled);
            if (action->isCheckable()) action->setChecked(state.checked);
        }
    }
}

void CBrowserToolbar::FillMenu(QMenu& menu) {
    UpdateState();
    struct Item {
        int id;  // 0: a separator
        const char* text;
    };
    static constexpr Item kItems[] = {
        {CFileBrowserView::kCmdThumbnailView, "Thumbnail view"},
        {CFileBrowserView::kCmdListView, "List view"},
        {0, nullptr},
        {CFileBrowserDoc::kCmdSortByName, "Sort by Name"},
        {CFileBrowserDoc::kCmdSortByDate, "Sort by Date"},
        {CFileBrowserDoc::kCmdSortBySize, "Sort by Size"},
        {0, nullptr},
        {CFileBrowserDoc::kCmdAscending, "Ascending"},
        {CFileBrowserDoc::kCmdDescending, "Descending"},
        {0, nullptr},
        {CFileBrowserDoc::kCmdShowNonImageFiles, "Show non-image files"},
        {CFileBrowserDoc::kCmdShowFolders, "Show folders"},
        {kCmdFlatView, "Flat view"},
        {0, nullptr},
        {CFileBrowserDoc::kCmdSelectAll, "Select all\tCtrl+A"},
        {CFileBrowserDoc::kCmdDeselectAll, "Deselect all\tCtrl+D"},
        {CFileBrowserDoc::kCmdDelete, "Delete\tDel"},
        {0, nullptr},
        {CFileBrowserDoc::kCmdDownload, "Download"},
        {kCmdRefresh, "Refresh"},
    };
    for (const Item& item : kItems) {
        if (item.id == 0) {
            menu.addSeparator();
            continue;
        }
        QAction* command = Command(item.id);
        QAction* entry = menu.addAction(QString::fromLatin1(item.text));
        entry->setEnabled(command->isEnabled());
        entry->setCheckable(command->isCheckable());
        entry->setChecked(command->isChecked());
        entry->setStatusTip(command->statusTip());
        entry->setData(item.id);
        connect(entry, &QAction::triggered, command, [command] {
            // The toolbar's checkable buttons flip themselves; Run sets the real state after.
            command->trigger();
        });
    }
}
