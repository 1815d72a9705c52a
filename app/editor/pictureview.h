#pragma once
// CPictureView: a scrollable window showing one decoded picture at 1:1.
#include <QImage>
#include <QScrollArea>

#include "core/imagebuffer.h"

class CPictureView : public QScrollArea {
    Q_OBJECT
public:
    // Decodes `path` through the codec component; IsValid() tells whether it worked.
    explicit CPictureView(const QString& path, QWidget* parent = nullptr);
    bool IsValid() const { return m_valid; }
    QSize PictureSize() const { return m_image.size(); }

private:
    CImageBuffer m_pixels;
    QImage m_image;  // wraps m_pixels without copying
    bool m_valid = false;
};
