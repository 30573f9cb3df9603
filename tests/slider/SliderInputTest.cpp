// The pointer handler by handler, in the constituents' own twips; what only real
// input shows (the grab, the double-click, key codes, event order) is the test container's.
#include "SliderHost.h"

using SliderPointer = SliderTest;
using SliderDrag = SliderTest;
using SliderKeys = SliderTest;

TEST_F(SliderPointer, EndZonesStepBySmallChangeAndTheTrackPagesTowardThePointer) {
    s.setSmallChange(5);
    host.forget();
    // At Min a step down is clamped away: no Change, but the host is told.
    s.picArrUp_MouseDown(1, 0, 50, 100);
    EXPECT_EQ(host.notified, QStringList{"Value"});
    s.picArrDn_MouseDown(2, 3, 0, 0);  // any button, any shift state
    s.picArrDn_DblClick();             // the double-click steps again
    EXPECT_EQ(s.Value(), 10);
    s.picArrUp_DblClick();
    EXPECT_EQ(s.Value(), 5);
    EXPECT_EQ(host.changes(), 3);

    // The thumb spans 105..345 near 0; a press just right of it pages the
    // full LargeChange although the pointer is far nearer than that, and far
    // right is still one page.
    s.setLargeChange(1000);
    s.picBar_MouseDown(1, 0, 346 - s.picBar.Left(), 30);
    EXPECT_EQ(s.Value(), 1005);
    s.picBar_MouseDown(1, 0, 1500, 30);
    EXPECT_EQ(s.Value(), 2005);
    // A press on the part the thumb covers does nothing; left of it pages
    // down.
    s.picBar_MouseDown(1, 0, s.picCur.Left() + 10 - s.picBar.Left(), 30);
    EXPECT_EQ(s.Value(), 2005);
    s.picBar_MouseDown(1, 0, 0, 30);
    EXPECT_EQ(s.Value(), 1005);
    // The double-click pages toward where the pointer last was, which
    // hovering keeps up to date.
    s.picBar_MouseMove(0, 0, 1500, 30);
    s.picBar_DblClick();
    EXPECT_EQ(s.Value(), 2005);
}

TEST_F(SliderDrag, ScrollsToMaxAndBackThenOneChangeAtTheReleaseWhileTheDragIsStillOn) {
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
    EXPECT_EQ(host.events, QStringList(scrolls, "Scroll")) << "a Scroll for each new Value only";
    EXPECT_TRUE(host.notified.isEmpty()) << "the drag itself does not notify the host";

    // The release raises Change although Value is back where it started, and
    // before the drag ends: a host that answers it by setting Value raises
    // no Change of its own. The release then runs the Value setter.
    host.onEvent = [&](com::DispId id, std::span<com::Variant>) {
        if (id != quillet::eventid::Change) return;
        EXPECT_TRUE(s.dragging());
        s.setValue(7);
    };
    drag.release();
    EXPECT_FALSE(s.thumbPressed() || s.dragging());
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
    EXPECT_EQ(host.events.mid(scrolls), QStringList{"Change"});
    EXPECT_EQ(host.notified, (QStringList{"Value", "Value"}));
    EXPECT_EQ(s.Value(), 7);
}

TEST_F(SliderDrag, ToTheMiddleOfARangeGivesItsMiddleAndStaysThere) {
    s.setMax(200);
    s.setMin(100);
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
    // With a range, a press and release that never moved sideways raises
    // neither Scroll nor Change; hovering with no press drags nothing.
    s.setMax(100);
    ThumbDrag still(s);
    s.picCur_MouseMove(1, 0, 60, 150);  // straight down
    still.release();
    s.picCur_MouseMove(0, 0, 200, 90);
    EXPECT_EQ(s.Value(), 5);
    EXPECT_TRUE(host.events.isEmpty());
    EXPECT_FLOAT_EQ(s.picCur.Left(), thumb);
}

TEST_F(SliderDrag, DisablingMidDragEndsItAsAReleaseWouldButNotInADesigner) {
    ThumbDrag drag(s);
    drag.leftEdgeTo(700);
    const int32_t dragged = s.Value();
    host.forget();
    s.setEnabled(false);
    EXPECT_FALSE(s.thumbPressed() || s.dragging());
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
    EXPECT_EQ(host.events, QStringList{"Change"});
    EXPECT_EQ(host.notified, (QStringList{"Value", "Enabled"}));
    EXPECT_FLOAT_EQ(s.picCur.Left(), float(105 + dragged * 1335.0 / 32767));

    // Enabled again, hovering drags nothing and a put raises its Change; a
    // press that never moved ends without one.
    s.setEnabled(true);
    host.forget();
    s.picCur_MouseMove(0, 0, 900, 90);
    s.setValue(dragged + 1);
    EXPECT_EQ(host.events, QStringList{"Change"});
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
    EXPECT_TRUE(designer.slider->dragging());
    EXPECT_TRUE(designer.events.isEmpty());
    designed.release();
    EXPECT_EQ(designer.events, QStringList{"Change"});
}

TEST_F(SliderKeys, WhatTheHostWritesIntoAKeyPressReachesTheSlider) {
    host.onEvent = [](com::DispId, std::span<com::Variant> args) { *args[0].refInt16() = 'Y'; };
    int16_t thumb = 'x', track = 'x';
    s.picCur_KeyPress(thumb);
    s.picBar_KeyPress(track);
    EXPECT_EQ(QString{QChar(thumb)} + QChar(track), "YY");
}
