// The pointer handler by handler, in the constituents' own twips: the end
// zones step, the track pages, the thumb drags. What only real input shows
// (the grab, the double-click, the key codes, the event order) is in the
// test container's scripts.
#include "SliderHost.h"

using SliderEndZones = SliderTest;
using SliderTrack = SliderTest;
using SliderDrag = SliderTest;
using SliderKeys = SliderTest;

TEST_F(SliderEndZones, StepOncePerPressAndTwiceForADoubleClick) {
    host.forget();
    // At Min a step down is clamped away: no Change, but the host is told.
    s.picArrUp_MouseDown(1, 0, 50, 100);
    EXPECT_EQ(s.Value(), 0);
    EXPECT_EQ(host.changes(), 0);
    EXPECT_EQ(host.notified, QStringList{"Value"});
    // A double-click: press, release, the second press as the double-click.
    s.picArrDn_MouseDown(1, 0, 60, 60);
    s.picArrDn_MouseUp(1, 0, 60, 60);
    s.picArrDn_DblClick();
    s.picArrDn_MouseUp(1, 0, 60, 60);
    EXPECT_EQ(s.Value(), 2);
    EXPECT_EQ(host.changes(), 2);

    s.setSmallChange(5);
    s.picArrUp_DblClick();
    EXPECT_EQ(s.Value(), 0);
    s.picArrDn_MouseDown(2, 3, 0, 0);  // any button, any shift state
    EXPECT_EQ(s.Value(), 5);
}

TEST_F(SliderTrack, PagesOneLargeChangeTowardThePointerPerPress) {
    s.setLargeChange(1000);
    host.forget();
    // The thumb spans 105..345 at 0; a press just right of it pages the full
    // 1000 although the pointer is far nearer than that.
    s.picBar_MouseDown(1, 0, 346 - s.picBar.Left(), 30);
    s.picBar_MouseUp(1, 0, 346 - s.picBar.Left(), 30);
    EXPECT_EQ(s.Value(), 1000);
    EXPECT_EQ(host.changes(), 1);
    s.picBar_MouseDown(1, 0, 1500, 30);  // far right is still one page
    EXPECT_EQ(s.Value(), 2000);
    // A press on the part the thumb covers does nothing; left of it pages
    // down.
    s.picBar_MouseDown(1, 0, s.picCur.Left() + 10 - s.picBar.Left(), 30);
    EXPECT_EQ(s.Value(), 2000);
    s.picBar_MouseDown(1, 0, 0, 30);
    EXPECT_EQ(s.Value(), 1000);
    // The double-click pages again toward where the pointer last was, which
    // hovering keeps up to date.
    s.picBar_MouseMove(0, 0, 1500, 30);
    s.picBar_DblClick();
    EXPECT_EQ(s.Value(), 2000);
}

TEST_F(SliderDrag, ScrollsToMaxAndBackThenOneChangeAtTheRelease) {
    host.forget();
    ThumbDrag drag(s);
    EXPECT_EQ(QWidget::mouseGrabber(), s.picCur.widget());
    int scrolls = 0;
    const auto dragTo = [&](float left) {
        const int32_t before = s.Value();
        drag.leftEdgeTo(left);
        scrolls += s.Value() != before;
    };
    for (float left = 105; left <= 3000; left += 150) dragTo(left);
    EXPECT_EQ(s.Value(), 32767) << "far past the end stops at Max";
    EXPECT_FLOAT_EQ(s.picCur.Left() + s.picCur.Width(), s.picBar.Left() + s.picBar.Width());
    EXPECT_GT(scrolls, 5);
    dragTo(105);
    EXPECT_EQ(s.Value(), 0);
    EXPECT_TRUE(s.dragging());
    EXPECT_EQ(host.events, QStringList(scrolls, "Scroll")) << "a Scroll for each new Value only";
    EXPECT_TRUE(host.notified.isEmpty()) << "the drag itself does not notify the host";

    // The release raises Change although Value is back where it started.
    drag.release();
    EXPECT_FALSE(s.thumbPressed());
    EXPECT_FALSE(s.dragging());
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
    EXPECT_EQ(host.events.mid(scrolls), QStringList{"Change"});
    EXPECT_EQ(host.notified, QStringList{"Value"}) << "the release runs the Value setter";
}

TEST_F(SliderDrag, ChangeAtReleaseComesWhileTheDragIsStillOn) {
    // A host that answers Change by setting Value raises no Change of its
    // own, since the drag has not ended when Change goes out.
    host.onEvent = [&](com::DispId id, std::span<com::Variant>) {
        if (id != quillet::eventid::Change) return;
        EXPECT_TRUE(s.dragging());
        s.setValue(7);
    };
    ThumbDrag drag(s);
    drag.leftEdgeTo(500);
    drag.release();
    EXPECT_EQ(host.changes(), 1);
    EXPECT_EQ(s.Value(), 7);
}

TEST_F(SliderDrag, ToTheMiddleOfARangeGivesItsMiddleAndStaysThere) {
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

TEST_F(SliderDrag, NothingHappensWithoutARangeOrWithoutMovement) {
    s.setMin(5);
    s.setMax(5);
    host.forget();
    const float thumb = s.picCur.Left();
    ThumbDrag drag(s);
    drag.leftEdgeTo(900);
    EXPECT_FALSE(s.dragging());
    EXPECT_FLOAT_EQ(s.picCur.Left(), thumb);
    drag.release();
    EXPECT_EQ(s.Value(), 5);
    EXPECT_TRUE(host.events.isEmpty());

    // With a range, a press and release that never moved sideways raises
    // neither Scroll nor Change; hovering with no press drags nothing.
    s.setMax(100);
    host.forget();
    ThumbDrag still(s);
    s.picCur_MouseMove(1, 0, 60, 150);  // straight down
    still.release();
    s.picCur_MouseMove(0, 0, 200, 90);
    EXPECT_TRUE(host.events.isEmpty());
    EXPECT_FLOAT_EQ(s.picCur.Left(), thumb);
}

TEST_F(SliderDrag, DisablingMidDragEndsItAsAReleaseWouldButNotInADesigner) {
    ThumbDrag drag(s);
    drag.leftEdgeTo(700);
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
    s.setValue(dragged + 1);
    EXPECT_EQ(host.events, QStringList{"Change"});

    // A press that never moved ends without a Change.
    ThumbDrag pressed(s);
    host.forget();
    s.setEnabled(false);
    EXPECT_FALSE(s.thumbPressed());
    EXPECT_TRUE(host.events.isEmpty());

    // In a designer the control stays enabled, and so does the drag.
    SliderHost designer(hosting::PropertyBag::withExtent(1815, 240), 1815, 240, false);
    ThumbDrag designed(*designer.slider);
    designed.leftEdgeTo(700);
    designer.forget();
    designer.slider->setEnabled(false);
    EXPECT_TRUE(designer.slider->thumbPressed());
    EXPECT_TRUE(designer.slider->dragging());
    EXPECT_TRUE(designer.events.isEmpty());
    designed.release();
    EXPECT_EQ(designer.changes(), 1);
}

TEST_F(SliderKeys, WhatTheHostWritesIntoAKeyPressReachesTheSlider) {
    host.onEvent = [](com::DispId, std::span<com::Variant> args) { *args[0].refInt16() = 'Y'; };
    int16_t thumbAscii = 'x', trackAscii = 'x';
    s.picCur_KeyPress(thumbAscii);
    s.picBar_KeyPress(trackAscii);
    EXPECT_EQ(thumbAscii, 'Y');
    EXPECT_EQ(trackAscii, 'Y');
}
