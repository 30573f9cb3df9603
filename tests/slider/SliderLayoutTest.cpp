// The slider's layout, track colour and thumb picture; which pieces take the
// focus is the test container's keys script.
#include <array>

#include "SliderHost.h"
#include "ThumbBitmap.h"

using quillet::NewHscrollbar;
using SliderThumb = SliderTest;

TEST(SliderLayout, ZonesAtTheEndsTheTrackBetweenAndAtLeast480By240) {
    struct Case {
        float askedWidth, askedHeight, width;
        int32_t travel;
    };
    for (const Case c :
         {Case{300, 500, 480, 1}, Case{1815, 240, 1815, 1335}, Case{3615, 100, 3615, 3135}}) {
        TempConfig config;
        SliderHost host(hosting::PropertyBag::withExtent(c.askedWidth, c.askedHeight), c.askedWidth,
                        c.askedHeight);
        const NewHscrollbar& s = *host.slider;
        SCOPED_TRACE(c.askedWidth);
        // The host's extender follows the size the control kept.
        EXPECT_EQ((std::array{s.UserControl::Width(), s.UserControl::Height(), host.site->Width(),
                              host.site->Height()}),
                  (std::array{c.width, 240.f, c.width, 240.f}));
        EXPECT_EQ(host.site->window()->size(), QSize(int(c.width / 15), 16));
        EXPECT_EQ(s.thumbTravel(), c.travel);
        // The left edges of the zones, the track and the thumb at Value 0; the
        // track's width; then the tops and heights, which are never touched.
        EXPECT_EQ(
            (std::array{s.picArrUp.Left(), s.picArrDn.Left(), s.picBar.Left(), s.picCur.Left(),
                        s.picBar.Width(), s.picBar.Top(), s.picBar.Height(), s.picCur.Height(),
                        s.picArrDn.Top()}),
            (std::array{0.f, c.width - 135, 105.f, 105.f, c.width - 240, 60.f, 60.f, 180.f, 30.f}));
    }
    // Created but not yet sized: the designed 2385-wide layout, Value 0 at
    // its track's left end.
    TempConfig config;
    auto* raw = new NewHscrollbar;
    com::Ptr<hosting::IControl> control = com::Ptr<hosting::IControl>::adopt(raw);
    ASSERT_EQ(control->InitNew(), com::hr::Ok);
    EXPECT_EQ(raw->thumbTravel(), 1620);
    EXPECT_FLOAT_EQ(raw->picCur.Left(), 240);
    ASSERT_EQ(control->SetExtent(2385, 225), com::hr::Ok);
    EXPECT_EQ(raw->thumbTravel(), 2145 - 240);
}

TEST_F(SliderThumb, FollowsValueOverTheTravelOfTheMomentOnATrackGreenerWithValue) {
    s.setValue(10000);
    EXPECT_EQ(s.picCur.Left(), float(105.0 + 10000.0 * 1335.0 / 32767.0));
    s.setValue(32767);
    EXPECT_FLOAT_EQ(s.picCur.Left() + s.picCur.Width(), s.picBar.Left() + s.picBar.Width());
    // Growing keeps the relative place.
    s.setValue(10858);
    host.site->setWidth(3615);
    EXPECT_EQ(s.picCur.Left(), float(105.0 + 10858.0 * 3135.0 / 32767.0));
    EXPECT_EQ(s.picBar.BackColor(), QColor(0, 254, 0));
    const QImage shown = s.picCur.widget()->grab().toImage().convertToFormat(QImage::Format_RGB888);
    EXPECT_EQ(shown, quillet::thumbBitmap().convertToFormat(QImage::Format_RGB888));
    // An empty range parks the thumb at the left end.
    s.setMin(5);
    s.setMax(5);
    s.setValue(3000);
    EXPECT_EQ(s.Value(), 5);
    EXPECT_FLOAT_EQ(s.picCur.Left(), 105);

    // The green term rises from 170 and is capped at 255; below -21908 it
    // is negative and the track goes black, with no error.
    EXPECT_EQ(NewHscrollbar::trackColour(0), QColor(0, 170, 0));
    EXPECT_EQ(NewHscrollbar::trackColour(10859), QColor(0, 255, 0));
    EXPECT_EQ(NewHscrollbar::trackColour(4188714), QColor(0, 255, 0));
    EXPECT_EQ(NewHscrollbar::trackColour(-21908), QColor(0, 0, 0));
    EXPECT_EQ(NewHscrollbar::trackColour(-4000000), QColor(0, 0, 0));
}
