#include "editor/previewfiledialog.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QPainter>
#include <QVBoxLayout>
#include <mutex>

#include "codec/codeclock.h"
#include "codec/jpegcodec.h"

namespace {

// The preview frame: the picture scaled to fit with its proportions kept, centred.
class CPreviewFrame : public QWidget {
public:
    CPreviewFrame(const QImage* image, QWidget* parent) : QWidget(parent), m_image(image) {
        setMinimumSize(220, 220);
        setObjectName("previewFrame");
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), palette().window());
        painter.setPen(palette().mid().color());
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
        if (m_image->isNull()) return;
        const QRect inner = rect().adjusted(2, 2, -2, -2);
        QSize size = m_image->size();
        size.scale(inner.size(), Qt::KeepAspectRatio);
        const QRect target(inner.x() + (inner.width() - size.width()) / 2,
                           inner.y() + (inner.height() - size.height()) / 2, size.width(), size.height());
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(target, *m_image);
    }

private:
    const QImage* m_image;
};

}  // namespace

CPreviewFileDialog::CPreviewFileDialog(QWidget* parent, const QString& folder) : QFileDialog(parent) {
    setWindowTitle(tr("Open"));
    setOption(QFileDialog::DontUseNativeDialog);
    setAcceptMode(QFileDialog::AcceptOpen);
    setFileMode(QFileDialog::ExistingFile);
    setNameFilter(QStringLiteral("Digital camera files (*.jpg)"));
    setDefaultSuffix(QStringLiteral("jpg"));
    setDirectory(folder);

    auto* side = new QWidget(this);
    auto* column = new QVBoxLayout(side);
    column->setContentsMargins(0, 0, 0, 0);
    m_check = new QCheckBox(QStringLiteral("Preview"), side);
    m_check->setChecked(true);
    m_frame = new CPreviewFrame(&m_preview, side);
    column->addWidget(m_check);
    column->addWidget(m_frame, 1);
    if (auto* grid = qobject_cast<QGridLayout*>(layout()))
        grid->addWidget(side, 0, grid->columnCount(), grid->rowCount(), 1);

    connect(this, &QFileDialog::currentChanged, this, &CPreviewFileDialog::OnCurrentChanged);
    connect(m_check, &QCheckBox::toggled, this, [this](bool on) {
        const QStringList selected = selectedFiles();
        if (on && !selected.isEmpty()) {
            LoadPreview(selected.first());
        } else {
            m_preview = QImage();
            m_frame->update();
        }
    });
}

QString CPreviewFileDialog::SelectedPath() const {
    return selectedFiles().value(0);
}

void CPreviewFileDialog::OnCurrentChanged(const QString& path) {
    if (m_check->isChecked()) LoadPreview(path);
}

bool CPreviewFileDialog::LoadPreview(const QString& path) {
    m_preview = QImage();
    bool shown = false;
    if (QFileInfo(path).isFile()) {
        const QByteArray name = QFile::encodeName(path);
        std::lock_guard<std::mutex> guard(CodecLock());
        int width = 0, height = 0, components = 0;
        if (getJPEGFileInfo(name.constData(), &width, &height, &components)) {
            const int halfWidth = (width + 1) / 2;
            const int halfHeight = (height + 1) / 2;
            // The block only grows: a smaller picture reuses it.
            const size_t needed = ImagePlane::BytesFor(halfWidth + 1, halfHeight + 1);
            const bool room = m_block.Capacity() >= needed || m_block.Create(halfWidth + 1, halfHeight + 1);
            if (room) {
                if (readJPEGfile(m_block.Data(), 2) != kJpegReadFailed) {
                    m_preview = QImage(m_block.Data(), halfWidth, halfHeight, ImagePlane::StrideFor(halfWidth),
                                       QImage::Format_BGR888);
                    shown = true;
                }
            } else {
                readJPEGfile(nullptr, 2);  // no memory: the codec still forgets the file
            }
        }
    }
    m_frame->update();
    return shown;
}
