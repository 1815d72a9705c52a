// CSliderEdit: bounds ordering, slider positions, edit text and the focus rules.
#include "adjust/framework/slideredit.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <utility>

namespace adjust {

std::string FormatNumber(const char* format, double value) {
    int decimals = 0;
    // Only "%.Nf" is ever used; anything else shows whole numbers.
    if (format && std::strlen(format) == 4 && format[0] == '%' && format[1] == '.' && format[3] == 'f' &&
        format[2] >= '0' && format[2] <= '9')
        decimals = format[2] - '0';
    char buffer[400];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    if (result.ec != std::errc()) return "0";
    return std::string(buffer, result.ptr);
}

double ParseNumber(const std::string& text) {
    const char* p = text.c_str();
    const char* end = p + text.size();
    while (p < end && (*p == ' ' || (*p >= '\t' && *p <= '\r'))) ++p;
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-')) {
        negative = *p == '-';
        ++p;
    }
    if (p < end && (*p == '+' || *p == '-')) return 0;  // "+-1" is no number
    double value = 0;
    auto result = std::from_chars(p, end, value, std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range) {
        // Like atof: huge numbers become infinite, tiny ones zero.
        bool tiny = false;
        for (const char* q = p; q < result.ptr; ++q)
            if (*q == 'e' || *q == 'E') tiny = q + 1 < result.ptr && q[1] == '-';
        value = tiny ? 0.0 : HUGE_VAL;
    } else if (result.ec != std::errc()) {
        return 0;
    }
    return negative ? -value : value;
}

}  // namespace adjust

void CSliderEdit::Init(ISliderEditView* view, const SliderRange& range, Transform display, Transform input) {
    m_view = view;
    m_format = range.format ? range.format : "%.0f";
    m_lower = range.first;
    m_upper = range.second;
    m_tic = range.tic;
    m_scale = range.scale;
    m_value = range.initial;
    m_display = std::move(display);
    m_input = std::move(input);
    m_reversed = false;
    if (m_lower > m_upper) {
        m_reversed = true;
        std::swap(m_lower, m_upper);
    }
    m_offset = 0;
    if (m_lower < 0) {
        m_offset = -m_lower;
        m_lower += m_offset;
        m_upper += m_offset;
    }
    if (!m_view) return;
    m_view->SetSliderRange(static_cast<int32_t>(m_lower * m_scale), static_cast<int32_t>(m_upper * m_scale));
    m_view->SetSliderPosition(PositionFor(m_value));
    if (m_tic != 0) m_view->SetTickFrequency(static_cast<int32_t>(m_tic * m_scale));
    WriteText(false);
}

int32_t CSliderEdit::PositionFor(float value) const {
    float position = m_reversed ? (m_upper - value - m_offset) * m_scale : (value + m_offset) * m_scale;
    float low = std::trunc(m_lower * m_scale);
    float high = std::trunc(m_upper * m_scale);
    // A slider cannot go past its ends; clamping first also keeps the conversion defined.
    if (!(position >= low)) position = low;
    if (position > high) position = high;
    return static_cast<int32_t>(position);
}

std::string CSliderEdit::TextFor(float value) const {
    double shown = m_display ? static_cast<double>(m_display(value)) : static_cast<double>(value);
    return adjust::FormatNumber(m_format.c_str(), shown);
}

void CSliderEdit::WriteText(bool guarded) {
    if (!m_view) return;
    std::string text = TextFor(m_value);
    if (guarded) m_updating = true;
    m_view->SetEditText(text);
    if (guarded) m_updating = false;
}

void CSliderEdit::SetValue(float value) {
    m_value = value;
    if (!m_view) return;
    m_view->SetSliderPosition(PositionFor(m_value));
    WriteText(true);
}

bool CSliderEdit::OnSliderScroll() {
    if (!m_view || m_view->Focus() == SliderEditFocus::Edit) return false;
    float p = static_cast<float>(m_view->SliderPosition());
    m_value = m_reversed ? m_upper - p / m_scale - m_offset : p / m_scale - m_offset;
    WriteText(true);
    return true;
}

bool CSliderEdit::OnEditChange() {
    if (!m_view || m_view->Focus() == SliderEditFocus::Slider || m_updating) return false;
    double typed = adjust::ParseNumber(m_view->EditText());
    // NaN would slip through the comparisons below, so non-finite numbers are refused too.
    if (!std::isfinite(typed) || typed < m_lower - m_offset || typed > m_upper - m_offset) {
        m_view->Beep();
        return false;
    }
    float v = static_cast<float>(typed);
    if (m_input) {
        v = m_input(v);
        if (!std::isfinite(v)) {
            m_view->Beep();
            return false;
        }
    }
    m_value = v;
    m_view->SetSliderPosition(PositionFor(m_value));
    return true;
}

SliderRange MakeSliderRange(const ops::Param& param) {
    SliderRange range;
    range.tic = static_cast<float>(param.tic);
    range.format = param.format;
    if (param.slider) {
        range.first = static_cast<float>(param.slider->first);
        range.second = static_cast<float>(param.slider->second);
        range.scale = static_cast<float>(param.slider->scale);
        range.initial = static_cast<float>(param.slider->initial);
        return range;
    }
    range.first = static_cast<float>(param.min);
    range.second = static_cast<float>(param.max);
    range.scale = param.step > 0 ? static_cast<float>(1 / param.step) : 1.0f;
    range.initial = static_cast<float>(param.def);
    return range;
}

void InitSliderEdit(CSliderEdit& pair, ISliderEditView* view, const ops::Param& param) {
    CSliderEdit::Transform display, input;
    if (param.slider && param.slider->display) display = param.slider->display;
    if (param.slider && param.slider->input) input = param.slider->input;
    pair.Init(view, MakeSliderRange(param), std::move(display), std::move(input));
}
