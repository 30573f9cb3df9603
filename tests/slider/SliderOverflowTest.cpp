// Overflow (6), the one error of the slider: what was assigned before the
// failing step stays, the host hears nothing and no Change is raised.
#include <climits>

#include "SliderHost.h"
#include "forms/InputCodes.h"

using SliderOverflow = SliderTest;

TEST_F(SliderOverflow, APropertyPutKeepsWhatWasAssignedBeforeTheFailure) {
    s.setValue(100);
    const float thumb = s.picCur.Left();
    host.forget();
    // Max - Min leaves the 32-bit range: Min is stored, the thumb stays.
    EXPECT_EQ(errorOf([&] { s.setMin(INT32_MIN); }), 6);
    EXPECT_EQ(s.Min(), INT32_MIN);
    EXPECT_EQ(s.Value(), 100);
    EXPECT_FLOAT_EQ(s.picCur.Left(), thumb);
    EXPECT_TRUE(host.notified.isEmpty());

    // The track's green term leaves 16 bits above 4,188,714 (and below
    // -4,232,532): Value is stored, the thumb stays where it was. Through the
    // accessor table the failure is the status of error 6.
    s.setMin(0);
    s.setMax(5000000);
    s.setValue(4188714);
    const float placed = s.picCur.Left();
    host.forget();
    EXPECT_EQ(errorOf([&] { host.site->put(quillet::dispid::Value, com::Variant(4188715)); }), 6);
    EXPECT_EQ(s.Value(), 4188715);
    EXPECT_FLOAT_EQ(s.picCur.Left(), placed);
    EXPECT_TRUE(host.notified.isEmpty() && host.events.isEmpty());
    EXPECT_EQ(errorOf([] { quillet::NewHscrollbar::trackColour(-4232533); }), 6);
    EXPECT_EQ(s.put_Value(4200000), com::hr::fromError(6));
}

TEST_F(SliderOverflow, AStepOutOfRangeFailsBeforeValueMoves) {
    namespace key = forms::keycode;
    int16_t down = key::Down, pageDown = key::PageDown, up = key::Up, shift = 0;
    s.setMax(INT_MAX);
    EXPECT_EQ(errorOf([&] { s.setValue(INT_MAX - 1); }), 6);  // the track colour, as above
    s.setSmallChange(5);
    s.setLargeChange(INT_MAX);
    host.forget();
    EXPECT_EQ(errorOf([&] { s.picArrDn_MouseDown(1, 0, 0, 0); }), 6);
    EXPECT_EQ(errorOf([&] { s.picArrDn_DblClick(); }), 6);
    EXPECT_EQ(errorOf([&] { s.picCur_KeyDown(down, shift); }), 6);
    EXPECT_EQ(errorOf([&] { s.picCur_KeyDown(pageDown, shift); }), 6);
    EXPECT_EQ(errorOf([&] { s.picBar_MouseDown(1, 0, 1500, 30); }), 6);
    EXPECT_EQ(s.Value(), INT_MAX - 1);
    EXPECT_TRUE(host.notified.isEmpty());
    EXPECT_EQ(host.events, (QStringList{"KeyDown 40 0", "KeyDown 34 0"}));

    // Below: Value - SmallChange leaves the range the other way.
    EXPECT_EQ(errorOf([&] { s.setMin(INT_MIN); }), 6);  // Max - Min, until Max comes down
    s.setMax(-1);
    EXPECT_EQ(errorOf([&] { s.setValue(INT_MIN); }), 6);
    host.forget();
    EXPECT_EQ(errorOf([&] { s.picArrUp_MouseDown(1, 0, 0, 0); }), 6);
    EXPECT_EQ(errorOf([&] { s.picCur_KeyDown(up, shift); }), 6);
    EXPECT_EQ(s.Value(), INT_MIN);
    EXPECT_TRUE(host.notified.isEmpty());

    // A drag over a range wider than 32 bits fails before Value moves.
    EXPECT_EQ(errorOf([&] { s.setMax(INT_MAX); }), 6);
    host.forget();
    ThumbDrag drag(s);
    EXPECT_EQ(errorOf([&] { drag.leftEdgeTo(600); }), 6);
    EXPECT_EQ(s.Value(), INT_MIN);
    EXPECT_FALSE(host.events.contains("Scroll"));
}
