// CSliderEdit: bounds ordering, positions, transforms, focus rules and refusals.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "adjust/framework/slideredit.h"
#include "adjust/levels/levels.h"
#include "adjust/tone/brightness.h"

namespace {

// A slider that keeps its position inside its range and an edit that reports every text
// change at once, as the real controls do.
class FakePair : public ISliderEditView {
public:
    CSliderEdit pair;
    int minimum = 0, maximum = 0, position = 0, ticks = 0;
    std::string text;
    SliderEditFocus focus = SliderEditFocus::Neither;
    int beeps = 0;
    int changes = 0;  // edit notifications for which the pair reported a change

    void SetSliderRange(int32_t lo, int32_t hi) override { minimum = lo, maximum = hi; }
    void SetSliderPosition(int32_t p) override { position = std::clamp(p, minimum, maximum); }
    int32_t SliderPosition() const override { return position; }
    void SetTickFrequency(int32_t f) override { ticks = f; }
    void SetEditText(const std::string& t) override {
        text = t;
        if (pair.OnEditChange()) ++changes;
    }
    std::string EditText() const override { return text; }
    SliderEditFocus Focus() const override { return focus; }
    void Beep() override { ++beeps; }

    // The user types into the edit (which then has the focus).
    bool Type(const std::string& t) {
        focus = SliderEditFocus::Edit;
        text = t;
        return pair.OnEditChange();
    }
    // The user drags the slider (which then has the focus).
    bool Drag(int p) {
        focus = SliderEditFocus::Slider;
        position = std::clamp(p, minimum, maximum);
        return pair.OnSliderScroll();
    }
};

}  // namespace

TEST(SliderEdit, NegativeLowerBoundIsShiftedToZero) {
    FakePair v;
    v.pair.Init(&v, adjust::kBrightnessRange);
    EXPECT_EQ(v.minimum, 0);
    EXPECT_EQ(v.maximum, 400);
    EXPECT_EQ(v.position, 200);
    EXPECT_EQ(v.ticks, 1);
    EXPECT_EQ(v.text, "0");
    EXPECT_FLOAT_EQ(v.pair.offset(), 200);
    // Init writes the text unguarded: the dialog's change handling runs once (first preview).
    EXPECT_EQ(v.changes, 1);

    EXPECT_TRUE(v.Drag(250));
    EXPECT_FLOAT_EQ(v.pair.value(), 50);
    EXPECT_EQ(v.text, "50");
    EXPECT_EQ(v.changes, 1) << "the slider's own text rewrite is guarded";

    FakePair angle;
    angle.pair.Init(&angle, SliderRange{-180, 180, 1, 1000, "%.1f", 0});
    EXPECT_EQ(angle.maximum, 360000);
    EXPECT_EQ(angle.position, 180000);
    EXPECT_EQ(angle.text, "0.0");
}

TEST(SliderEdit, ReversedBoundsPutTheUpperBoundAtTheTop) {
    FakePair v;
    v.pair.Init(&v, SliderRange{1, 0, 1, 1000, "%.3f", 0.25f});
    EXPECT_TRUE(v.pair.reversed());
    EXPECT_EQ(v.minimum, 0);
    EXPECT_EQ(v.maximum, 1000);
    EXPECT_EQ(v.position, 750);
    EXPECT_EQ(v.text, "0.250");
    EXPECT_TRUE(v.Drag(0));
    EXPECT_FLOAT_EQ(v.pair.value(), 1.0f);
    EXPECT_EQ(v.text, "1.000");
    EXPECT_TRUE(v.Type("0.1"));
    EXPECT_EQ(v.position, 900);
}

TEST(SliderEdit, TypedNumbersOutsideTheBoundsBeepAndChangeNothing) {
    FakePair v;
    v.pair.Init(&v, adjust::kBrightnessRange);
    EXPECT_FALSE(v.Type("300"));
    EXPECT_EQ(v.beeps, 1);
    EXPECT_FLOAT_EQ(v.pair.value(), 0);
    EXPECT_EQ(v.position, 200);
    EXPECT_EQ(v.text, "300") << "the typed text stays";
    EXPECT_FALSE(v.Type("-200.5"));
    EXPECT_FALSE(v.Type("nan"));
    EXPECT_FALSE(v.Type("1e999"));
    EXPECT_EQ(v.beeps, 4);

    EXPECT_TRUE(v.Type("150"));
    EXPECT_FLOAT_EQ(v.pair.value(), 150);
    EXPECT_EQ(v.position, 350);
    EXPECT_TRUE(v.Type("-200"));
    EXPECT_EQ(v.position, 0);
    // Like atof: text that is not a number reads as 0, a numeric prefix is used.
    EXPECT_TRUE(v.Type("abc"));
    EXPECT_FLOAT_EQ(v.pair.value(), 0);
    EXPECT_TRUE(v.Type("  +12xyz"));
    EXPECT_FLOAT_EQ(v.pair.value(), 12);
    EXPECT_EQ(v.beeps, 4);
}

TEST(SliderEdit, TheFocusedSideIsTheMaster) {
    FakePair v;
    v.pair.Init(&v, adjust::kBoostRange);
    // While the edit has the focus the slider follows the typing; the slider's own
    // notifications do not rewrite the edit.
    EXPECT_TRUE(v.Type("42"));
    EXPECT_EQ(v.position, 42);
    v.position = 42;
    EXPECT_FALSE(v.pair.OnSliderScroll());
    EXPECT_EQ(v.text, "42");
    // While the slider has the focus, edit notifications are ignored.
    v.focus = SliderEditFocus::Slider;
    v.text = "7";
    EXPECT_FALSE(v.pair.OnEditChange());
    EXPECT_FLOAT_EQ(v.pair.value(), 42);
}

TEST(SliderEdit, SetValueMovesBothSidesWithoutAChangeNotification) {
    FakePair v;
    v.pair.Init(&v, adjust::kBrightnessRange);
    int before = v.changes;
    v.pair.SetValue(-50);
    EXPECT_EQ(v.position, 150);
    EXPECT_EQ(v.text, "-50");
    EXPECT_EQ(v.changes, before);
}

TEST(SliderEdit, GammaPairShowsGammaAndTakesTypedGamma) {
    FakePair v;
    v.pair.Init(&v, adjust::kLevelsGammaRange, adjust::GammaFromPosition, adjust::PositionFromGamma);
    EXPECT_EQ(v.text, "1.00");
    EXPECT_EQ(v.maximum, 1000);
    EXPECT_EQ(v.ticks, 100);
    EXPECT_NEAR(v.pair.value(), 500, 1e-3);

    EXPECT_TRUE(v.Type("2"));
    EXPECT_NEAR(v.pair.value(), 349.485f, 1e-2);
    EXPECT_EQ(v.position, 349);
    EXPECT_NEAR(adjust::GammaFromPosition(v.pair.value()), 2.0f, 1e-5);

    // A gamma above 10 is taken; the slider stays at its end.
    EXPECT_TRUE(v.Type("20"));
    EXPECT_EQ(v.position, 0);
    EXPECT_NEAR(adjust::GammaFromPosition(v.pair.value()), 20.0f, 1e-3);

    // A gamma of 0 has no slider position and is refused like an out-of-range number.
    int beeps = v.beeps;
    EXPECT_FALSE(v.Type("0"));
    EXPECT_FALSE(v.Type("1001"));
    EXPECT_EQ(v.beeps, beeps + 2);
    EXPECT_NEAR(adjust::GammaFromPosition(v.pair.value()), 20.0f, 1e-3);

    v.focus = SliderEditFocus::Slider;
    EXPECT_TRUE(v.Drag(1000));
    EXPECT_EQ(v.text, "0.10");
}

TEST(SliderEdit, NumbersAreFormattedAndReadInTheCLocale) {
    EXPECT_EQ(adjust::FormatNumber("%.3f", 0.5), "0.500");
    EXPECT_EQ(adjust::FormatNumber("bogus", 7.6), "8");
    EXPECT_DOUBLE_EQ(adjust::ParseNumber("\t-3.25e1"), -32.5);
    EXPECT_DOUBLE_EQ(adjust::ParseNumber("+-1"), 0);
    EXPECT_DOUBLE_EQ(adjust::ParseNumber("1e-999"), 0);
}
