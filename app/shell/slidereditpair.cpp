#include "shell/slidereditpair.h"

#include <QApplication>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QSlider>

CQtSliderEdit::CQtSliderEdit(QSlider* slider, QLineEdit* edit, QObject* parent)
    : QObject(parent), m_slider(slider), m_edit(edit) {
    connect(m_slider, &QSlider::valueChanged, this, [this] {
        if (m_pair.OnSliderScroll()) emit valueChanged(m_pair.value());
    });
    connect(m_edit, &QLineEdit::textChanged, this, [this] {
        if (m_pair.OnEditChange()) emit valueChanged(m_pair.value());
    });
}

void CQtSliderEdit::Init(const SliderRange& range) {
    m_pair.Init(this, range);
}

void CQtSliderEdit::SetSliderRange(int32_t minimum, int32_t maximum) {
    const QSignalBlocker block(m_slider);
    m_slider->setRange(minimum, maximum);
}

void CQtSliderEdit::SetSliderPosition(int32_t position) {
    // Moving the slider from the pair is no user scroll: the pair must not hear of it.
    const QSignalBlocker block(m_slider);
    m_slider->setValue(position);
}

int32_t CQtSliderEdit::SliderPosition() const {
    return m_slider->value();
}

void CQtSliderEdit::SetTickFrequency(int32_t frequency) {
    m_slider->setTickInterval(frequency);
    m_slider->setTickPosition(QSlider::TicksBelow);
}

void CQtSliderEdit::SetEditText(const std::string& text) {
    m_edit->setText(QString::fromStdString(text));
}

std::string CQtSliderEdit::EditText() const {
    return m_edit->text().toStdString();
}

SliderEditFocus CQtSliderEdit::Focus() const {
    if (m_edit->hasFocus()) return SliderEditFocus::Edit;
    if (m_slider->hasFocus()) return SliderEditFocus::Slider;
    return SliderEditFocus::Neither;
}

void CQtSliderEdit::Beep() {
    QApplication::beep();
}
