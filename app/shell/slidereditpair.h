#pragma once
// CQtSliderEdit: a CSliderEdit (a number kept in step with a slider and an edit field)
// over a real QSlider and QLineEdit.
#include <QObject>

#include "adjust/framework/slideredit.h"

class QLineEdit;
class QSlider;

class CQtSliderEdit : public QObject, public ISliderEditView {
    Q_OBJECT
public:
    CQtSliderEdit(QSlider* slider, QLineEdit* edit, QObject* parent = nullptr);

    // Sets the pair up (range, ticks, first value) as CSliderEdit::Init does.
    void Init(const SliderRange& range);
    float Value() const { return m_pair.value(); }
    void SetValue(float value) { m_pair.SetValue(value); }
    CSliderEdit& Pair() { return m_pair; }

    void SetSliderRange(int32_t minimum, int32_t maximum) override;
    void SetSliderPosition(int32_t position) override;
    int32_t SliderPosition() const override;
    void SetTickFrequency(int32_t frequency) override;
    void SetEditText(const std::string& text) override;
    std::string EditText() const override;
    SliderEditFocus Focus() const override;
    void Beep() override;

signals:
    // The value changed through the slider or the edit.
    void valueChanged(float value);

private:
    QSlider* m_slider;
    QLineEdit* m_edit;
    CSliderEdit m_pair;
};
