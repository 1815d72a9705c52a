#pragma once
// CSaveFileDialog: the Save As dialog, with the JPEG quality (a slider and an edit,
// 50 to 100, 85 at start) and the "Strip EXIF data" check box.
#include <QFileDialog>

class CQtSliderEdit;
class QCheckBox;
class QLineEdit;
class QSlider;

class CSaveFileDialog : public QFileDialog {
    Q_OBJECT
public:
    // Opens in `folder` proposing `fileName`.
    CSaveFileDialog(QWidget* parent, const QString& folder, const QString& fileName);

    // The chosen file after OK.
    QString SelectedPath() const;
    // The quality as a whole number.
    int Quality() const;
    // Whether "Strip EXIF data" was checked.
    bool StripExif() const { return m_strip; }

    QSlider* QualitySlider() const { return m_slider; }
    QLineEdit* QualityEdit() const { return m_edit; }
    QCheckBox* StripBox() const { return m_stripBox; }

private:
    QSlider* m_slider;
    QLineEdit* m_edit;
    QCheckBox* m_stripBox;
    CQtSliderEdit* m_quality;
    bool m_strip = false;
};
