#pragma once
// Helpers shared by the Qt tests: a private program folder, generated pictures and JPEG
// files, a scripted tool and picture list, and answering the modal dialogs a command opens.
#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QString>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <QtTest>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "codec/codeclock.h"
#include "codec/jpegcodec.h"
#include "core/imageplane.h"
#include "editor/editordoc.h"
#include "editor/editorview.h"
#include "editor/guiitem.h"
#include "editor/imagelist.h"
#include "shell/mainframe.h"

namespace apptest {

// Points LUMARET_HOME at `folder`, with the program's data/ pages linked into it, before
// anything reads the settings.
inline bool UseProgramFolder(const QTemporaryDir& folder) {
    if (!folder.isValid()) return false;
    qputenv("LUMARET_HOME", QFile::encodeName(folder.path()));
    return QFile::link(QStringLiteral(LUMARET_SOURCE_DIR "/data"), folder.filePath(QStringLiteral("data")));
}

// Pixels as the documents keep them: blue, green, red, 4-byte rows.
struct Pixels {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> bytes;
    ImagePlane Plane() { return ImagePlane::Make(bytes.data(), width, height); }
    uint8_t* At(int x, int y) { return bytes.data() + static_cast<size_t>(y) * ImagePlane::StrideFor(width) + x * 3; }
};

// A picture whose pixel (x, y) is bgr(x, y).
inline Pixels MakePixels(int32_t width, int32_t height, const std::function<std::array<int, 3>(int, int)>& bgr) {
    Pixels p{width, height, std::vector<uint8_t>(ImagePlane::BytesFor(width, height))};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const std::array<int, 3> c = bgr(x, y);
            for (int i = 0; i < 3; ++i) p.At(x, y)[i] = static_cast<uint8_t>(c[i]);
        }
    return p;
}

// A picture with every pixel different from its neighbours (fixed formula, no randomness).
inline Pixels MakePattern(int32_t width, int32_t height) {
    return MakePixels(width, height, [](int x, int y) {
        return std::array<int, 3>{x * 7 + y * 3, x * 13 + y * 29, x * 31 + y * 17 + 5};
    });
}

// A picture of one colour.
inline Pixels MakeUniform(int32_t width, int32_t height, int blue, int green, int red) {
    return MakePixels(width, height, [=](int, int) { return std::array<int, 3>{blue, green, red}; });
}

// A document holding exactly these pixels.
inline std::unique_ptr<CeditorDoc> MakeDocument(Pixels pixels, const std::string& path = "/nowhere/picture.jpg") {
    auto doc = std::make_unique<CeditorDoc>(nullptr);
    doc->OpenPixels(pixels.Plane(), path);
    return doc;
}

// A standalone view on `pixels` whose client area is exactly `client`, without scroll bars,
// fitted and drawn once; null when the window could not be shown.
inline std::unique_ptr<CeditorView> MakeFittedView(Pixels pixels, QSize client) {
    auto view = std::make_unique<CeditorView>(nullptr, MakeDocument(std::move(pixels)));
    const int border = 2 * view->frameWidth();
    view->resize(client + QSize(border, border));
    view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view->show();
    if (!QTest::qWaitForWindowExposed(view.get())) return nullptr;
    view->SetFastDrawing(false);
    view->RenderImage();  // stores the fit
    return view;
}

// The size of the document's current picture.
inline QSize ImageSize(const CeditorDoc* doc) { return {doc->CurrentImage().width, doc->CurrentImage().height}; }

// The texts of those commands among `ids` whose enabled state is not `enabled`.
inline QStringList NotInState(const CMainFrame& frame, std::initializer_list<int> ids, bool enabled) {
    QStringList wrong;
    for (int id : ids)
        if (frame.Action(id)->isEnabled() != enabled) wrong << frame.Action(id)->text();
    return wrong;
}

// Writes the pixels as a JPEG file; false when it could not be written.
inline bool WriteJpeg(const QString& path, Pixels pixels, int quality = 92) {
    return writeJPEGfile(QFile::encodeName(path).constData(), pixels.width, pixels.height, pixels.bytes.data(),
                         quality) != 0;
}

// Decodes a JPEG file; an empty result when it cannot be read.
inline Pixels Decode(const QString& path) {
    std::lock_guard<std::mutex> guard(CodecLock());
    int width = 0, height = 0, components = 0;
    if (!getJPEGFileInfo(QFile::encodeName(path).constData(), &width, &height, &components)) return {};
    Pixels pixels{width, height, std::vector<uint8_t>(ImagePlane::BytesFor(width, height))};
    if (!readJPEGfile(pixels.bytes.data(), 0)) return {};
    return pixels;
}

// Runs `action` on the next modal dialog once it is up (the command that opens it runs a
// nested event loop, in which this timer fires).
inline void WhenModal(std::function<void(QWidget*)> action) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, action] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible()) return;
        timer->stop();
        timer->deleteLater();
        action(modal);
    });
    timer->start();
}

// Answers the next message box with `button`, handing its text to `text` when given.
inline void AnswerMessage(QMessageBox::StandardButton button, QString* text = nullptr) {
    WhenModal([button, text](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        QVERIFY(box);
        if (text) *text = box->text();
        box->button(button)->click();
    });
}

// Answers the next file dialog (of type Dialog) by typing `path` and pressing OK, as a
// user would; `before` may set the dialog's other controls first.
template <class Dialog>
void ChooseFile(const QString& path, std::function<void(Dialog*)> before = {}) {
    WhenModal([path, before](QWidget* modal) {
        auto* dialog = qobject_cast<Dialog*>(modal);
        QVERIFY(dialog);
        if (before) before(dialog);
        // The proposed file is selected in the list; typing a name replaces that selection.
        for (QAbstractItemView* list : dialog->template findChildren<QAbstractItemView*>())
            if (list->selectionModel()) list->selectionModel()->clearSelection();
        auto* name = dialog->template findChild<QLineEdit*>("fileNameEdit");
        QVERIFY(name);
        name->setFocus();
        name->setText(path);
        static_cast<QDialog*>(dialog)->accept();
    });
}

// The browser's list as the editor walks it.
struct FakeList : IImageList {
    int CurrentIndex() const override { return index; }
    std::string PathAt(int i) const override { return i >= 0 && i < int(paths.size()) ? paths[i] : std::string(); }
    void SetCurrentIndex(int i) override { index = i; }
    std::vector<std::string> paths;
    int index = -1;
};

// A tool that records what reaches it and renders a fixed result of 10, 20, 30.
class FakeTool : public IGuiItem {
public:
    void Create(QWidget*) override { created = true; }
    void Close() override { ++closed; }
    bool OnLButtonDown(unsigned, int x, int y) override {
        ++buttonDowns;
        lastDown = QPoint(x, y);
        return true;
    }
    bool RenderResult(const ImagePlane& destination) override {
        for (int y = 0; y < destination.height; ++y)
            for (int x = 0; x < destination.width * 3; ++x) destination.Row(y)[x] = uint8_t(10 + x % 3 * 10);
        return true;
    }
    void GetResultSize(ImagePlane& size) override {
        size.width = resultWidth;
        size.height = resultHeight;
    }
    bool IsViewDependent() override { return viewDependent; }
    bool CanUndo() override { return canUndo; }
    void Undo() override { ++undos; }

    bool created = false, canUndo = true, viewDependent = false;
    int closed = 0, buttonDowns = 0, undos = 0, resultWidth = 7, resultHeight = 5;
    QPoint lastDown;
};

}  // namespace apptest
