#pragma once
// The browser window's toolbar (view mode, sorting, filters, flat view, download, delete,
// selection, refresh) and its information bar (folder, counts, selection, sizes).
#include <QLabel>
#include <QMap>
#include <QToolBar>

class CFileBrowserDoc;
class CFileBrowserView;
class QAction;
class QMenu;

// The information bar's text for the document's visible list shown from `folder`.
QString BrowserInfoText(const CFileBrowserDoc& doc, const QString& folder);

class CBrowserToolbar : public QToolBar {
    Q_OBJECT
public:
    // Toolbar-only commands (the others are the document's and the view's command ids).
    static constexpr int kCmdFlatView = 1;
    static constexpr int kCmdRefresh = 2;

    CBrowserToolbar(CFileBrowserView& view, QWidget* parent);
    // Enables and checks every button for the document's current state.
    void UpdateState();
    QAction* Command(int id) const { return m_actions.value(id, nullptr); }
    // The same commands as a menu with their menu texts (the view's context menu).
    void FillMenu(QMenu& menu);

private:
    QAction* Add(int id, const QString& text, const QString& tip, const QIcon& icon, bool checkable);
    void Run(int id);

    CFileBrowserView& m_view;
    QMap<int, QAction*> m_actions;
};

class CBrowserInfoBar : public QLabel {
    Q_OBJECT
public:
    explicit CBrowserInfoBar(QWidget* parent) : QLabel(parent) {
        setObjectName("browserInfoBar");
        setMargin(3);
    }
    // Shows the figures of `doc` for `folder`.
    void UpdateInfo(const CFileBrowserDoc& doc, const QString& folder) { setText(BrowserInfoText(doc, folder)); }
};
