#pragma once
// CPreviewFileDialog: the open dialog of the editor, with a "Preview" check box and a
// frame showing the selected picture decoded at half size.
#include <QFileDialog>
#include <QImage>

#include "core/imagebuffer.h"

class QCheckBox;

class CPreviewFileDialog : public QFileDialog {
    Q_OBJECT
public:
    CPreviewFileDialog(QWidget* parent, const QString& folder);

    // The chosen file after OK.
    QString SelectedPath() const;
    // Decodes `path` at half size and shows it; false (and an empty frame) when it cannot
    // be read.
    bool LoadPreview(const QString& path);
    // The half-size picture shown, null when none.
    const QImage& PreviewImage() const { return m_preview; }
    QCheckBox* PreviewCheck() const { return m_check; }
    QWidget* PreviewFrame() const { return m_frame; }

private:
    void OnCurrentChanged(const QString& path);

    QCheckBox* m_check;
    QWidget* m_frame;
    CImageBuffer m_block;  // kept between files; grows when a picture needs more
    QImage m_preview;      // over m_block
};
