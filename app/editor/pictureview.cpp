#include "editor/pictureview.h"

#include <QLabel>
#include <QPixmap>
#include <mutex>

#include "codec/codeclock.h"
#include "codec/jpegcodec.h"

CPictureView::CPictureView(const QString& path, QWidget* parent) : QScrollArea(parent) {
    const QByteArray local = path.toLocal8Bit();
    {
        std::lock_guard<std::mutex> guard(CodecLock());
        int width = 0, height = 0, components = 0;
        if (getJPEGFileInfo(local.constData(), &width, &height, &components) &&
            m_pixels.Create(width, height)) {
            m_valid = readJPEGfile(m_pixels.Data(), 0) != 0;
        }
    }
    if (!m_valid) return;
    // The buffer is blue-green-red with 4-byte aligned rows: exactly Format_BGR888.
    m_image = QImage(m_pixels.Data(), m_pixels.Width(), m_pixels.Height(), m_pixels.Stride(),
                     QImage::Format_BGR888);
    auto* label = new QLabel;
    label->setPixmap(QPixmap::fromImage(m_image));
    setWidget(label);
    setAlignment(Qt::AlignCenter);
    setWindowTitle(path.section('/', -1));
}
