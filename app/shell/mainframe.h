#pragma once
// CMainFrame: the program's multiple-document main window. It holds the editor windows,
// the menus with their enabling, the histogram and help windows, the full-screen toggle,
// and the editor window that hosts the active tool (which cannot be left while it does).
#include <QMainWindow>
#include <QMdiSubWindow>
#include <QMap>
#include <QPointer>
#include <QString>
#include <memory>

#include "shell/recentfiles.h"

class CBrowserFrame;
class CChildFrame;
class CeditorDoc;
class CeditorView;
class CHelpWindow;
class CHistogramDialog;
class CQtPrompt;
class CStatusProgress;
class IImageList;
class IPrompt;
class QAction;
class QKeyEvent;
class QMdiArea;
class QMenu;

class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    explicit CMainFrame(QWidget* parent = nullptr);
    ~CMainFrame() override;

    // Opens a JPEG file in a new editor window and returns its view. A file the codec
    // rejects still opens, with an empty picture; the status bar says so.
    CeditorView* OpenDocument(const QString& path);
    // Shows an opened document in a new editor window sized around its picture.
    CeditorView* AddDocument(std::unique_ptr<CeditorDoc> document);
    // Open: the open dialog with its preview, then OpenDocument on the chosen file.
    void OnFileOpen();

    // The File menu's recent pictures (memory only until UseRecentFileStore).
    const CRecentFiles& RecentFiles() const { return m_recent; }
    // Keeps the recent-file list in the file `path` from now on and shows what it holds.
    void UseRecentFileStore(const QString& path);
    // A file the user opened: to the top of the recent-file list when it opened as a
    // picture, off the list when it did not.
    void NoteOpenedFile(const QString& path, bool opened);
    // Recent entry `index` (0-based): opened as Open does; a file that is gone or cannot
    // be read is reported and taken off the list.
    void OpenRecentFile(int index);
    // Arrange Icons: the minimized editor windows in rows along the bottom of the area,
    // left to right, each new row above the last.
    void ArrangeIcons();

    // Opens an image browser window on `folder` titled `title` and returns it.
    CBrowserFrame* OpenBrowser(const QString& folder, const QString& title);
    // Browser: the first time a browser on the home folder, afterwards that window again.
    void OnBrowser();
    CBrowserFrame* BrowserWindow() const;

    // The area holding the editor windows.
    QMdiArea* MdiArea() const { return m_mdi; }
    // The view of the current editor window, or null.
    CeditorView* ActiveEditorView() const;
    CHistogramDialog* HistogramWindow() const { return m_histogram; }
    // The help window at a context number (help::kContents for the index) or at a page.
    void ShowHelp(int context);
    void ShowHelpPage(const QString& fileName);
    CHelpWindow* HelpWindow() const { return m_help; }
    // Questions and messages of the documents, owned by this window.
    IPrompt& Prompt();
    CStatusProgress& Progress() { return *m_progress; }

    // The list the editor's next and previous commands walk (the image browser registers
    // it); null while there is none.
    IImageList* ImageList() const { return m_imageList; }
    void SetImageList(IImageList* list);

    // The editor window whose view has an active tool, or null.
    QMdiSubWindow* ToolFrame() const { return m_toolFrame; }
    void SetToolFrame(QMdiSubWindow* frame);

    // Full screen: caption and border removed and the window maximised; again to restore.
    void ToggleFullScreen();
    bool IsFullScreen() const { return m_fullScreen; }
    // Shows the histogram window when hidden, hides it when shown.
    void ToggleHistogram();

    // The menu action of a command number, or null.
    QAction* Action(int id) const { return m_actions.value(id, nullptr); }
    // Enables, disables and checks the menu commands for the current state.
    void UpdateCommandUI();
    // Runs the enabled menu command bound to this key, as a key typed in the main window
    // would; true when one ran. Other windows hand keys over through it.
    bool TranslateAccelerator(QKeyEvent* event);

signals:
    // Help > Check for update: the application opens the updater.
    void CheckForUpdateRequested();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateMenus();
    QAction* AddCommand(QMenu* menu, int id, const QString& text, const QString& keys, const QString& hint);
    void OnSubWindowActivated(QMdiSubWindow* window);
    void RunViewCommand(int id);
    void UpdateRecentMenu();

    QMdiArea* m_mdi;
    std::unique_ptr<CQtPrompt> m_prompt;
    std::unique_ptr<CStatusProgress> m_progress;
    CHistogramDialog* m_histogram = nullptr;
    CHelpWindow* m_help = nullptr;
    IImageList* m_imageList = nullptr;
    QPointer<QMdiSubWindow> m_toolFrame;
    QPointer<QMdiSubWindow> m_browser;  // the browser the Browser command opened
    QMap<int, QAction*> m_actions;
    bool m_fullScreen = false;
    Qt::WindowFlags m_savedFlags;
    QRect m_savedGeometry;
    bool m_savedMaximized = false;
    QString m_lastFolder;  // where the open dialog starts
    CRecentFiles m_recent;
    QList<QAction*> m_recentActions;
    QAction* m_recentSeparator = nullptr;
};
