// The slider's answers to pointer and keys, handler by handler: the end
// zones step, the track pages, the thumb drags with Scroll and one Change,
// the navigation keys move it after the host has seen them, and overflow is
// error 6 for the host. Positions are control twips turned into the
// constituent's own, as the constituents report them.
#include <gtest/gtest.h>

#include <climits>

#include "SliderHost.h"
#include "forms/InputCodes.h"

using quillet::NewHscrollbar;
namespace key = forms::keycode;

namespace {
// A pointer on the thumb: pressed at a place inside it, then moved to
// places along the control, in the thumb's coordinates of the moment.
struct ThumbDrag {
    NewHscrollbar& s;
    float grab;

    ThumbDrag(NewHscrollbar& slider, float grabAt) : s(slider), grab(grabAt) {
        s.picCur_MouseDown(1, 0, grab, 90);
    }
    // Moves the pointer so that the thumb's left edge would go to left.
    void leftEdgeTo(float left) { s.picCur_MouseMove(1, 0, left - s.picCur.Left() + grab, 90); }
    void release() { s.picCur_MouseUp(1, 0, grab, 90); }
};

void keyDown(NewHscrollbar& s, int16_t code) {
    int16_t shift = 0;
    s.picCur_KeyDown(code, shift);
}
}  // namespace

TEST(SliderEndZones, StepOncePerPressAndTwiceForADoubleClick) {
    TempConfig config;
    SliderHost host;
    NewHscrollbar& s = *host.slider;
    host.forget();

    // At Min a step down is clamped away: no Change, but the host is told.
    s.picArrUp_MouseDown(1, 0, 50, 100);
    s.picArrUp_MouseUp(1, 0, 50, 100);
    EXPECT_EQ(s.Value(), 0);
    EXPECT_EQ(host.changes, 0);
    EXPECT_EQ(host.valueNotices(), 1);

    // A double-click: press, release, the second press as the double-click,
    // release.
    s.picArrDn_MouseDown(1, 0, 60, 60);
    s.picArrDn_MouseUp(1, 0, 60, 60);
    s.picArrDn_DblClick();
    s.picArrDn_MouseUp(1, 0, 60, 60);
    EXPECT_EQ(s.Value(), 2);
    EXPECT_EQ(host.changes, 2);

    s.setSmallChange(5);
    s.picArrUp_DblClick();
    EXPECT_EQ(s.Value(), 0);
    // Any button acts.
    s.picArrDn_MouseDown(2, 3, 0, 0);
    EXPECT_EQ(s.Value(), 5);
}

TEST(SliderTrack, PagesOneLargeChangeTowardThePointerPerPress) {
    TempConfig config;
    SliderHost host;
    NewHscrollbar& s = *host.slider;
    s.setLargeChange(1000);
    host.forget();

    // The thumb spans 105..345 at 0; a press just right of it pages the full
    // 1000 although the pointer is far nearer than that.
    const float justRight = 346 - s.picBar.Left();
    s.picBar_MouseDown(1, 0, justRight, 30);
    s.picBar_MouseUp(1, 0, justRight, 30);
    EXPECT_EQ(s.Value(), 1000);
    EXPECT_EQ(host.changes, 1);

    // Far right is still one page; holding does not repeat.
    s.picBar_MouseDown(1, 0, 1500, 30);
    EXPECT_EQ(s.Value(), 2000);

    // A press on the part the thumb covers does nothing; left of it pages
    // down.
    const float onThumb = s.picCur.Left() + 10 - s.picBar.Left();
    s.picBar_MouseDown(1, 0, onThumb, 30);
    EXPECT_EQ(s.Value(), 2000);
    s.picBar_MouseDown(1, 0, 0, 30);
    EXPECT_EQ(s.Value(), 1000);

    // The double-click pages again toward where the pointer last was, which
    // hovering keeps up to date.
    s.picBar_MouseMove(0, 0, 1500, 30);
    s.picBar_DblClick();
    EXPECT_EQ(s.Value(), 2000);
}

TEST(SliderDrag, FarPastTheEndStopsAtMaxWithScrollsThenOneChange) {
    TempConfig config;
    SliderHost host;
    NewHscrollbar& s = *host.slider;
    host.forget();

    ThumbDrag drag(s, 60);
    EXPECT_TRUE(s.thumbPressed());
    int valueChanges = 0;
    for (float left = 105; left <= 3000; left += 150) {
        const int32_t before = s.Value();
        drag.leftEdgeTo(left);
        valueChanges += s.Value() != before;
    }
    EXPECT_TRUE(s.dragging());
    EXPECT_EQ(s.Value(), 32767);
    EXPECT_FLOAT_EQ(s.picCur.Left() + s.picCur.Width(), s.picBar.Left() + s.picBar.Width());
    EXPECT_EQ(host.count("Scroll"), valueChanges);
    EXPECT_GT(valueChanges, 5);
    EXPECT_EQ(host.changes, 0) << "no Change while dragging";
    EXPECT_TRUE(host.notified.isEmpty()) << "the drag itself does not notify the host";

    drag.release();
    EXPECT_FALSE(s.thumbPressed());
    EXPECT_FALSE(s.dragging());
    EXPECT_EQ(host.changes, 1);
    EXPECT_EQ(host.events.last(), "Change");
    EXPECT_EQ(host.valueNotices(), 1) << "the release runs the Value setter";
    EXPECT_EQ(s.Value(), 32767);
}

TEST(SliderDrag, ChangeAtReleaseComesWhileTheDragIsStillOn) {
    TempConfig config;
    SliderHost host;
    NewHscrollbar& s = *host.slider;
    // A host that answers Change by setting Value raises no Change of its
    // own, since the drag has not ended when Change goes out.
    host.onEvent = [&](com::DispId id, std::span<com::Variant>) {
        if (id == quillet::eventid::Change) {
            EXPECT_TRUE(s.dragging());
            s.setValue(7);
        }
    };
    host.forget();
    ThumbDrag drag(s, 60);
    drag.leftEdgeTo(500);
    drag.release();
    EXPECT_EQ(host.changes, 1);
    EXPECT_EQ(s.Value(), 7);
    EXPECT_FALSE(s.dragging());

    // Dragging back to where it started still ends with one Change.
    host.onEvent = nullptr;
    s.setValue(0);
    host.forget();
    ThumbDrag back(s, 60);
    back.leftEdgeTo(400);
    back.leftEdgeTo(105);
    back.release();
    EXPECT_EQ(s.Value(), 0);
    EXPECT_EQ(host.events, (QStringList{"Scroll", "Scroll", "Change"}));
}

TEST(SliderDrag, ToTheMiddleOfARangeGivesItsMiddleAndStaysThere) {
    TempConfig config;
    SliderHost host;
    NewHscrollbar& s = *host.slider;
    s.setMax(200);
    s.setMin(100);
    ASSERT_EQ(s.thumbTravel(), 1335);

    ThumbDrag drag(s, 120);
    drag.leftEdgeTo(s.picBar.Left() + 1335 / 2);
    EXPECT_EQ(s.Value(), 150);
    drag.release();
    EXPECT_EQ(s.Value(), 150);
    // Snapped to where 150 goes, which is within a twip of where it was let go.
    EXPECT_FLOAT_EQ(s.picCur.Left(), float(105 + 50 * 1335.0 / 100));
}

TEST(SliderDrag, NothingHappensWithoutARangeOrWithoutMovement) {
    TempConfig config;
    SliderHost host;
    NewHscrollbar& s = *host.slider;
    s.setMin(5);
    s.setMax(5);
    host.forget();
    const float thumb = s.picCur.Left();

    ThumbDrag drag(s, 60);
    drag.leftEdgeTo(900);
    EXPECT_FALSE(s.dragging());
    EXPECT_FLOAT_EQ(s.picCur.Left(), thumb);
    drag.release();
    EXPECT_EQ(s.Value(), 5);
    EXPECT_TRUE(host.events.isEmpty());

    // With a range, a press and release that never moved sideways raises
    // neither Scroll nor Change.
    s.setMax(100);
    host.forget();
    ThumbDrag still(s, 60);
    s.picCur_MouseMove(1, 0, 60, 150);  // straight down
    still.release();
    EXPECT_TRUE(host.events.isEmpty());

    // Hovering over the thumb with no press drags nothing.
    s.picCur_MouseMove(0, 0, 200, 90);
    EXPECT_FLOAT_EQ(s.picCur.Left(), thumb);
}

TEST(SliderDrag, DisablingMidDragEndsItAsAReleaseWould) {
    TempConfig config;
    SliderHost host;
    NewHscrollbar& s = *host.slider;
    ThumbDrag drag(s, 60);
    drag.leftEdgeTo(700);
    ASSERT_TRUE(s.dragging());
    ASSERT_EQ(QWidget::mouseGrabber(), s.picCur.widget());
    const int32_t dragged = s.Value();
    host.forget();

    s.setEnabled(false);
    EXPECT_FALSE(s.thumbPressed());
    EXPECT_FALSE(s.dragging());
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
    EXPECT_EQ(host.events, QStringList{"Change"});
    EXPECT_EQ(host.notified, (QStringList{"Value", "Enabled"}));
    EXPECT_EQ(s.Value(), dragged);
    EXPECT_FLOAT_EQ(s.picCur.Left(), float(105 + dragged * 1335.0 / 32767));

    // Enabled again, hovering drags nothing and a put raises its Change.
    s.setEnabled(true);
    host.forget();
    s.picCur_MouseMove(0, 0, 900, 90);
    EXPECT_EQ(s.Value(), dragged);
    EXPECT_TRUE(host.events.isEmpty());
    s.setValue(dragged + 1);
    EXPECT_EQ(host.changes, 1);

    // A press that never moved ends without a Change.
    ThumbDrag pressed(s, 60);
    host.forget();
    s.setEnabled(false);
    EXPECT_FALSE(s.thumbPressed());
    EXPECT_TRUE(host.events.isEmpty());
    EXPECT_EQ(host.notified, (QStringList{"Value", "Enabled"}));
}

TEST(SliderDrag, InADesignerDisablingLeavesTheDragOn) {
    TempConfig config;
    SliderHost host(hosting::PropertyBag::withExtent(1815, 240), 1815, 240, false);
    NewHscrollbar& s = *host.slider;
    ThumbDrag drag(s, 60);
    drag.leftEdgeTo(700);
    host.forget();
    s.setEnabled(false);
    EXPECT_TRUE(s.thumbPressed());
    EXPECT_TRUE(s.dragging());
    EXPECT_TRUE(host.events.isEmpty());
    drag.release();
    EXPECT_EQ(host.changes, 1);
}

TEST(SliderKeys, NavigationKeysAfterTheHostHasSeenThem) {
    TempConfig config;
    SliderHost host;
    NewHscrollbar& s = *host.slider;
    s.setLargeChange(100);
    s.setSmallChange(3);
    host.forget();

    keyDown(s, key::PageDown);
    EXPECT_EQ(s.Value(), 100);
    keyDown(s, key::Down);
    EXPECT_EQ(s.Value(), 103);
    keyDown(s, key::Up);
    EXPECT_EQ(s.Value(), 100);
    keyDown(s, key::PageUp);
    EXPECT_EQ(s.Value(), 0);
    keyDown(s, key::End);
    EXPECT_EQ(s.Value(), 32767);
    keyDown(s, key::Home);
    EXPECT_EQ(s.Value(), 0);
    EXPECT_EQ(host.changes, 6);

    // Left and Right, and any other key, leave it where it is.
    s.setValue(50);
    host.forget();
    for (int16_t code : {key::Left, key::Right, int16_t('A'), key::Space}) keyDown(s, code);
    EXPECT_EQ(s.Value(), 50);
    EXPECT_EQ(host.changes, 0);

    // The track answers the keys the same way.
    int16_t code = key::PageDown, shift = 0;
    s.picBar_KeyDown(code, shift);
    EXPECT_EQ(s.Value(), 150);
}

TEST(SliderKeys, AHostCanCancelAKeyAndTabStopOffKeepsOnlyTheEvents) {
    TempConfig config;
    SliderHost host;
    NewHscrollbar& s = *host.slider;
    s.setLargeChange(100);
    host.onEvent = [](com::DispId id, std::span<com::Variant> args) {
        if (id == quillet::eventid::KeyDown) *args[0].refInt16() = 0;
    };
    host.forget();
    keyDown(s, key::PageDown);
    EXPECT_EQ(s.Value(), 0);
    EXPECT_EQ(host.events, (QStringList{"KeyDown 34 0"}));

    host.onEvent = nullptr;
    host.site->setTabStop(false);
    host.forget();
    int16_t code = key::Down, shift = forms::shift::Shift, ascii = 'x';
    s.picCur_KeyDown(code, shift);
    s.picCur_KeyPress(ascii);
    s.picCur_KeyUp(code, shift);
    code = key::Up;
    s.picBar_KeyDown(code, shift);
    s.picBar_KeyPress(ascii);
    s.picBar_KeyUp(code, shift);
    EXPECT_EQ(s.Value(), 0);
    EXPECT_EQ(host.events, (QStringList{"KeyDown 40 1", "KeyPress 120", "KeyUp 40 1",
                                        "KeyDown 38 1", "KeyPress 120", "KeyUp 38 1"}));

    // What a host's handler writes reaches the code that raised the event.
    host.onEvent = [](com::DispId id, std::span<com::Variant> args) {
        if (id == quillet::eventid::KeyPress) *args[0].refInt16() = 'Y';
    };
    s.picCur_KeyPress(ascii);
    EXPECT_EQ(ascii, 'Y');
}

TEST(SliderOverflow, AStepOutOfRangeIsError6AndLeavesValue) {
    TempConfig config;
    SliderHost host;
    NewHscrollbar& s = *host.slider;
    s.setMax(INT_MAX);
    // Up there the track colour overflows too: the setter stores the value
    // and fails placing it.
    EXPECT_EQ(errorOf([&] { s.setValue(INT_MAX - 1); }), 6);
    s.setSmallChange(5);
    s.setLargeChange(INT_MAX);
    host.forget();

    EXPECT_EQ(errorOf([&] { s.picArrDn_MouseDown(1, 0, 0, 0); }), 6);
    EXPECT_EQ(errorOf([&] { s.picArrDn_DblClick(); }), 6);
    EXPECT_EQ(errorOf([&] { keyDown(s, key::Down); }), 6);
    EXPECT_EQ(errorOf([&] { keyDown(s, key::PageDown); }), 6);
    EXPECT_EQ(errorOf([&] { s.picBar_MouseDown(1, 0, 1500, 30); }), 6);
    EXPECT_EQ(s.Value(), INT_MAX - 1);
    EXPECT_TRUE(host.notified.isEmpty());
    EXPECT_EQ(host.changes, 0);
    EXPECT_EQ(host.events, (QStringList{"KeyDown 40 0", "KeyDown 34 0"}));

    // Below: Value - SmallChange leaves the range the other way.
    EXPECT_EQ(errorOf([&] { s.setMin(INT_MIN); }), 6);  // Max - Min, until Max comes down
    s.setMax(-1);
    EXPECT_EQ(errorOf([&] { s.setValue(INT_MIN); }), 6);
    host.forget();
    EXPECT_EQ(errorOf([&] { s.picArrUp_MouseDown(1, 0, 0, 0); }), 6);
    EXPECT_EQ(s.Value(), INT_MIN);
    EXPECT_TRUE(host.notified.isEmpty());

    // A drag over a range wider than 32 bits fails before Value moves.
    EXPECT_EQ(errorOf([&] { s.setMax(INT_MAX); }), 6);
    host.forget();
    const int32_t before = s.Value();
    ThumbDrag drag(s, 60);
    EXPECT_EQ(errorOf([&] { drag.leftEdgeTo(600); }), 6);
    EXPECT_EQ(s.Value(), before);
    EXPECT_EQ(host.count("Scroll"), 0);
}
