#pragma once
// Helpers shared by the Qt tests: a private program folder, generated pictures and JPEG
// files, a scripted tool, and answering the modal dialogs a command opens.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>
#include <QtTest>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "codec/jpegcodec.h"
#include "core/imageplane.h"
#include "editor/editordoc.h"
#include "editor/guiitem.h"

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

// A picture with every pixel different from its neighbours (fixed formula, no randomness).
inline Pixels MakePattern(int32_t width, int32_t height) {
    Pixels p{width, height, std::vector<uint8_t>(ImagePlane::BytesFor(width, height))};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint8_t* px = p.At(x, y);
            px[0] = static_cast<uint8_t>(x * 7 + y * 3);
            px[1] = static_cast<uint8_t>(x * 13 + y * 29);
            px[2] = static_cast<uint8_t>(x * 31 + y * 17 + 5);
        }
    return p;
}

// A picture of one colour.
inline Pixels MakeUniform(int32_t width, int32_t height, uint8_t blue, uint8_t green, uint8_t red) {
    Pixels p{width, height, std::vector<uint8_t>(ImagePlane::BytesFor(width, height))};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint8_t* px = p.At(x, y);
            px[0] = blue;
            px[1] = green;
            px[2] = red;
        }
    return p;
}

// A document holding exactly these pixels.
inline std::unique_ptr<CeditorDoc> MakeDocument(Pixels pixels, IPrompt* prompt = nullptr,
                                                const std::string& path = "/nowhere/picture.jpg") {
    auto doc = std::make_unique<CeditorDoc>(prompt);
    doc->OpenPixels(pixels.Plane(), path);
    return doc;
}

// Writes the pixels as a JPEG file; false when it could not be written.
inline bool WriteJpeg(const QString& path, Pixels pixels, int quality = 92) {
    return writeJPEGfile(QFile::encodeName(path).constData(), pixels.width, pixels.height, pixels.bytes.data(),
                         quality) != 0;
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

// A tool that records what reaches it and renders a fixed result.
class FakeTool : public IGuiItem {
public:
    explicit FakeTool(bool swallowMouse = true) : m_swallow(swallowMouse) {}
    void Create(QWidget*) override { created = true; }
    void Close() override { ++closed; }
    bool OnLButtonDown(unsigned, int x, int y) override {
        ++buttonDowns;
        lastDown = QPoint(x, y);
        return m_swallow;
    }
    bool OnMouseMove(unsigned, int, int) override { return m_swallow; }
    bool OnLButtonUp(unsigned, int, int) override { return m_swallow; }
    bool RenderResult(const ImagePlane& destination) override {
        for (int y = 0; y < destination.height; ++y)
            for (int x = 0; x < destination.width; ++x) {
                uint8_t* px = destination.Row(y) + x * 3;
                px[0] = 10;
                px[1] = 20;
                px[2] = 30;
            }
        return true;
    }
    void GetResultSize(ImagePlane& size) override {
        size.width = resultWidth;
        size.height = resultHeight;
    }
    bool IsViewDependent() override { return viewDependent; }
    bool CanUndo() override { return canUndo; }
    void Undo() override { ++undos; }
    void OnViewChanging() override { ++viewChanges; }

    bool created = false;
    int closed = 0;
    int buttonDowns = 0;
    int undos = 0;
    int viewChanges = 0;
    QPoint lastDown;
    bool canUndo = true;
    bool viewDependent = false;
    int resultWidth = 7;
    int resultHeight = 5;

private:
    bool m_swallow;
};

}  // namespace apptest
