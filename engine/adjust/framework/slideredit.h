#pragma once
// CSliderEdit: a number kept in step with a slider and an edit field, without any window
// code. The Qt layer implements ISliderEditView over a real slider and line edit, forwards
// their notifications to OnSliderScroll / OnEditChange and reads value().
#include <cstdint>
#include <functional>
#include <string>

#include "core/operation.h"

// Which control of a pair has the keyboard focus: that side is the master, the pair
// ignores the notifications of the other side while it is being worked.
enum class SliderEditFocus { Neither, Slider, Edit };

// How a pair is set up. `first` and `second` are the bounds in the order given: a pair
// whose first bound is the larger one is reversed (its slider's minimum end, the top of a
// vertical slider, stands for the larger value).
struct SliderRange {
    float first = 0;
    float second = 0;
    float tic = 0;          // tick spacing in value units, 0 for none
    float scale = 1;        // slider positions per value unit
    const char* format = "%.0f";  // "%.Nf": decimals shown in the edit
    float initial = 0;
};

// The two controls of a pair as the model sees them.
class ISliderEditView {
public:
    virtual ~ISliderEditView() = default;
    // Sets the slider range without redrawing.
    virtual void SetSliderRange(int32_t minimum, int32_t maximum) = 0;
    // Moves the slider (the control keeps the position inside its range).
    virtual void SetSliderPosition(int32_t position) = 0;
    virtual int32_t SliderPosition() const = 0;
    virtual void SetTickFrequency(int32_t frequency) = 0;
    // Writes the edit text; the control may report the change at once (re-entering
    // OnEditChange), which the pair recognises while it writes the text itself.
    virtual void SetEditText(const std::string& text) = 0;
    virtual std::string EditText() const = 0;
    virtual SliderEditFocus Focus() const = 0;
    // The default message beep, for a refused typed number.
    virtual void Beep() = 0;
};

class CSliderEdit {
public:
    using Transform = std::function<float(float)>;

    // Sets up the slider range, ticks and position and writes the edit text. The text is
    // written without the updating guard, so the edit's change notification runs the
    // dialog's ordinary change handling (that is how dialogs get their first preview).
    // `display` maps the value to the number shown, `input` maps a typed number back.
    void Init(ISliderEditView* view, const SliderRange& range, Transform display = {}, Transform input = {});

    // Stores a value, moves the slider and rewrites the edit text (guarded).
    void SetValue(float value);
    // The slider moved: true when the value changed (false while the edit is the master).
    bool OnSliderScroll();
    // The edit text changed: true when the value changed. A typed number outside the
    // bounds (compared before the input transform) beeps and changes nothing; so does a
    // number the input transform cannot map to a finite value (e.g. a gamma of 0).
    bool OnEditChange();

    // The current value, in value units.
    float value() const { return m_value; }
    // True when the bounds were given upper first.
    bool reversed() const { return m_reversed; }
    // The shift that makes a negative lower bound 0 (0 otherwise).
    float offset() const { return m_offset; }
    // The bounds after ordering and shifting (lower is 0 when the given lower was negative).
    float lower() const { return m_lower; }
    float upper() const { return m_upper; }
    // The slider position standing for `value` (kept inside the slider range).
    int32_t PositionFor(float value) const;
    // The edit text standing for `value`.
    std::string TextFor(float value) const;

private:
    void WriteText(bool guarded);

    ISliderEditView* m_view = nullptr;
    std::string m_format = "%.0f";
    float m_lower = 0;
    float m_upper = 0;
    float m_tic = 0;
    float m_scale = 1;
    float m_value = 0;
    bool m_reversed = false;
    float m_offset = 0;
    bool m_updating = false;
    Transform m_display;
    Transform m_input;
};

// The pair for a descriptor's parameter: its own slider when it declares one, else its
// bounds with one slider position per `step`, its ticks, format and default.
SliderRange MakeSliderRange(const ops::Param& param);
// Sets up `pair` on `view` for `param`, with the transforms the parameter declares.
void InitSliderEdit(CSliderEdit& pair, ISliderEditView* view, const ops::Param& param);

namespace adjust {

// Formats like printf("%.Nf") with N taken from `format` ("%.0f" .. "%.9f"), in the C
// locale whatever the process locale is.
std::string FormatNumber(const char* format, double value);
// Reads a number like the C library's atof (leading blanks, optional sign, as much of a
// number as there is; 0 when there is none) in the C locale.
double ParseNumber(const std::string& text);

}  // namespace adjust
