// CSliderEdit: bounds ordering, positions and refusals of typed numbers.
#include <gtest/gtest.h>

#include <algorithm>

#include "adjust/framework/slideredit.h"
#include "adjust/levels/levels.h"
#include "adjust/tone/brightness.h"

namespace {

// A slider that keeps its position inside its range and an edit that reports every text
// change at once, as the real controls do.
class FakePair : public ISliderEditView {
public:
    CSliderEdit pair;
    int minimum = 0, maximum = 0, position = 0, beeps = 0;
    int changes = 0;  // edit notifications for which the pair reported a change
    std::string text;
    SliderEditFocus focus = SliderEditFocus::Neither;

    void SetSliderRange(int32_t lo, int32_t hi) override { minimum = lo, maximum = hi; }
    void SetSliderPosition(int32_t p) override { position = std::clamp(p, minimum, maximum); }
    int32_t SliderPosition() const override { return position; }
    void SetTickFrequency(int32_t) override {}
    void SetEditText(const std::string& t) override {
        text = t;
        if (pair.OnEditChange()) ++changes;
    }
    std::string EditText() const override { return text; }
    SliderEditFocus Focus() const override { return focus; }
    void Beep() override { ++beeps; }

    // The user types into the edit or drags the slider, giving it the focus.
    bool Type(const std::string& t) {
        focus = SliderEditFocus::Edit;
        text = t;
        return pair.OnEditChange();
    }
    bool Drag(int p) {
        focus = SliderEditFocus::Slider;
        position = std::clamp(p, minimum, maximum);
        return pair.OnSliderScroll();
    }
};

}  // namespace

// A negative lower bound is shifted to zero; reversed bounds put the upper one at the top.
TEST(SliderEdit, BoundsMapOntoSliderPositions) {
    FakePair v;
    v.pair.Init(&v, adjust::kBrightnessRange);
    EXPECT_EQ(v.position, 200);
    EXPECT_EQ(v.changes, 1) << "Init writes the text unguarded: the first preview runs";
    EXPECT_TRUE(v.Drag(250));
    EXPECT_FLOAT_EQ(v.pair.value(), 50);
    EXPECT_EQ(v.text, "50");
    EXPECT_EQ(v.changes, 1) << "the slider's own text rewrite is guarded";
    v.pair.SetValue(-50);  // both sides, no change notification
    EXPECT_EQ(v.position, 150);
    EXPECT_EQ(v.text, "-50");
    EXPECT_EQ(v.changes, 1);

    FakePair r;
    r.pair.Init(&r, SliderRange{1, 0, 1, 1000, "%.3f", 0.25f});
    EXPECT_EQ(r.position, 750);
    EXPECT_TRUE(r.Drag(0));
    EXPECT_EQ(r.text, "1.000");
}

TEST(SliderEdit, TypedNumbersOutsideTheBoundsBeepAndChangeNothing) {
    FakePair v;
    v.pair.Init(&v, adjust::kBrightnessRange);
    for (const char* bad : {"300", "-200.5", "nan", "1e999"}) EXPECT_FALSE(v.Type(bad)) << bad;
    EXPECT_EQ(v.beeps, 4);
    EXPECT_FLOAT_EQ(v.pair.value(), 0);
    EXPECT_EQ(v.position, 200);
    EXPECT_EQ(v.text, "1e999") << "the typed text stays";
    // Like atof: text that is not a number reads as 0, a numeric prefix is used.
    EXPECT_TRUE(v.Type("abc"));
    EXPECT_FLOAT_EQ(v.pair.value(), 0);
    EXPECT_TRUE(v.Type("  +12xyz"));
    EXPECT_FLOAT_EQ(v.pair.value(), 12);
    EXPECT_EQ(v.beeps, 4);
}

// The gamma pair holds a slider position and shows a gamma: the transforms come with it.
TEST(SliderEdit, DescriptorPairsCarryTheirTransforms) {
    FakePair v;
    InitSliderEdit(v.pair, &v, *ops::FindParam(adjust::LevelsOperation(), "GAMMA"));
    EXPECT_EQ(v.text, "1.00");
    EXPECT_EQ(v.position, 500);
    EXPECT_TRUE(v.Type("10"));
    EXPECT_NEAR(v.pair.value(), 0, 1e-3);
    EXPECT_TRUE(v.Drag(1000));
    EXPECT_EQ(v.text, "0.10");
}
