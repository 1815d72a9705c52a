#pragma once
// CResize: the "Resize" dialog. Its numbers follow the engine's CResizeModel: width and
// height in pixels or percent, proportions kept or not, the 10,000-pixel limit.
#include <QDialog>

#include "geometry/resizemodel.h"

class CMainFrame;
class QCheckBox;
class QComboBox;
class QLineEdit;

class CResize : public QDialog {
    Q_OBJECT
public:
    // For a picture of this size; `frame` opens the help (may be null).
    CResize(int32_t width, int32_t height, CMainFrame* frame, QWidget* parent = nullptr);

    // The new size and method, valid after OK.
    geometry::CResizeModel::Result GetResult() const { return m_result; }

    QLineEdit* WidthEdit() const { return m_width; }
    QLineEdit* HeightEdit() const { return m_height; }
    QComboBox* UnitsBox() const { return m_units; }
    QComboBox* MethodBox() const { return m_method; }
    QCheckBox* PreserveBox() const { return m_preserve; }

public slots:
    void accept() override;

private:
    void Edited(bool width);
    // Writes the model's numbers into the edits whose text says otherwise.
    void ShowNumbers();

    geometry::CResizeModel m_model;
    geometry::CResizeModel::Result m_result;
    QLineEdit* m_width;
    QLineEdit* m_height;
    QComboBox* m_units;
    QComboBox* m_method;
    QCheckBox* m_preserve;
    bool m_updating = false;
};
