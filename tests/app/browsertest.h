#pragma once
// Helpers of the browser window tests: generated folders, waiting for a listing, drops
// sent as the window system sends them, and a scripted file source.
#include <QDropEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMimeData>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QUrl>
#include <QtTest>
#include <thread>

#include "apptest.h"
#include "browser/browserbars.h"
#include "browser/browserdoc.h"
#include "browser/browserdragdrop.h"
#include "browser/browserframe.h"
#include "browser/browserinnerviews.h"
#include "browser/browsermodel.h"
#include "browser/browserview.h"
#include "browser/dirtreectrl.h"
#include "browser/filecopydialogs.h"
#include "browser/filesystemif.h"
#include "browser/hint.h"
#include "editor/childframe.h"
#include "editor/editorview.h"
#include "settings/settings.h"
#include "shell/editorapp.h"

namespace browsertest {

using namespace apptest;
using namespace browserui;


inline void WriteText(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), qint64(bytes.size()));
}

// A folder with `pictures` JPEG files p00.jpg..., notes.txt and the sub-folder "sub".
inline void MakeFolder(const QTemporaryDir& dir, int pictures) {
    for (int i = 0; i < pictures; ++i)
        QVERIFY(WriteJpeg(dir.filePath(QString::asprintf("p%02d.jpg", i)), MakePattern(64 + i, 48)));
    WriteText(dir.filePath("notes.txt"), QByteArray(1536, 'x'));
    QVERIFY(QDir(dir.path()).mkdir("sub"));
}

// Waits until the browser lists `rows` rows and every one has its thumbnail.
inline bool WaitForListing(CFileBrowserView* view, int rows) {
    CFileBrowserDoc* doc = view->Document();
    return QTest::qWaitFor([&] {
        if (view->Model()->Count() != rows || doc->VisibleCount() != rows) return false;
        for (int row = 0; row < rows; ++row)
            if (!doc->VisibleEntry(row)->Has(kEntryThumbnailReady)) return false;
        return true;
    }, 20000);
}

inline QStringList SelectedNames(CFileBrowserDoc& doc) {
    QStringList names;
    for (int row = 0; row < doc.VisibleCount(); ++row)
        if (doc.VisibleEntry(row)->Has(kEntrySelected))
            names << QFileInfo(QString::fromStdString(doc.EntryPath(row))).fileName();
    return names;
}

// Drags `data` over the widget and drops it there with `modifiers`; true when accepted.
inline bool DropOn(QWidget* target, QPoint at, QMimeData* data, Qt::KeyboardModifiers modifiers) {
    QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, data, Qt::LeftButton, modifiers);
    QApplication::sendEvent(target, &enter);
    QDragMoveEvent move(at, Qt::CopyAction | Qt::MoveAction, data, Qt::LeftButton, modifiers);
    QApplication::sendEvent(target, &move);
    if (!move.isAccepted()) return false;
    QDropEvent drop(at, Qt::CopyAction | Qt::MoveAction, data, Qt::LeftButton, modifiers);
    QApplication::sendEvent(target, &drop);
    return drop.isAccepted();
}

inline QMimeData* UrlData(const QStringList& paths) {
    auto* data = new QMimeData;
    QList<QUrl> urls;
    for (const QString& path : paths) urls << QUrl::fromLocalFile(path);
    data->setUrls(urls);
    return data;
}

// A camera-like source that lists what the test gives it and records the thumbnail cursor.
class ScriptedSource : public CFileSystemIF {
public:
    ScriptedSource(CFileBrowserDoc& doc, const BrowserServices& services) : m_doc(doc), m_services(services) {}
    int32_t GetSourceKind() const override { return CHint::kCamera; }
    void Browse(const CHint*) override {
        m_services.sink->SetListingState(CFileBrowserView::kRetrieving);
        for (int i = 0; i < rows; ++i) m_doc.AppendVisible(m_doc.AddEntry("/camera/IMG_" + std::to_string(1000 + i) + ".JPG"));
        m_services.sink->SetListingState(CFileBrowserView::kListedFromCamera);
        m_services.sink->PostUpdate(kUpdateCount, 0);
        m_services.sink->PostUpdate(kUpdateCount, m_doc.VisibleCount());
    }
    void Refresh() override {}
    void SetThumbnailCursor(int32_t row, int32_t step) override { cursors.emplace_back(row, step); }
    void RestartThumbnails() override {}
    void OnThumbnailsDone() override {}
    void Download() override {}
    bool CanDownload() override { return false; }
    void DeleteSelected() override {}
    bool CanDelete() override { return false; }
    void FlatViewOn() override {}
    bool CanFlatViewOn() override { return false; }
    void FlatViewOff() override {}
    bool IsFlatView() override { return false; }

    static inline int rows = 0;
    static inline std::vector<std::pair<int, int>> cursors;

private:
    CFileBrowserDoc& m_doc;
    BrowserServices m_services;
};


// Points the settings, thumbnail databases, trash and instance lock at `home`, with setup
// done (the wizard has tests of its own).
inline bool UsePrivateHome(const QTemporaryDir& home) {
    if (!UseProgramFolder(home)) return false;
    CSettings::Get().SetupCompleted = 2;
    qputenv("XDG_CACHE_HOME", QFile::encodeName(home.filePath("cache")));
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.filePath("data-home")));
    qputenv("LUMARET_LOCK", QFile::encodeName(home.filePath("instance.lock")));
    return true;
}

}  // namespace browsertest
