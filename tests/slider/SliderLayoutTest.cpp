// The slider's layout: sizes it insists on, where the track, zones and
// thumb go, the track colour, the thumb's picture and which pieces take the
// focus.
#include <gtest/gtest.h>

#include <QApplication>

#include "SliderHost.h"
#include "ThumbBitmap.h"

using quillet::NewHscrollbar;

TEST(SliderLayout, TooSmallARequestGrowsTo480By240) {
    TempConfig config;
    SliderHost host(hosting::PropertyBag::withExtent(300, 500), 300, 500);
    const NewHscrollbar& s = *host.slider;
    EXPECT_FLOAT_EQ(s.UserControl::Width(), 480);
    EXPECT_FLOAT_EQ(s.UserControl::Height(), 240);
    // The host's extender follows the size the control kept.
    EXPECT_FLOAT_EQ(host.site->Width(), 480);
    EXPECT_FLOAT_EQ(host.site->Height(), 240);
    EXPECT_EQ(host.site->window()->size(), QSize(32, 16));
    EXPECT_FLOAT_EQ(s.picBar.Left(), 105);
    EXPECT_FLOAT_EQ(s.picBar.Width(), 240);
    EXPECT_FLOAT_EQ(s.picArrDn.Left(), 345);
    EXPECT_EQ(s.thumbTravel(), 1);

    // Tops and heights are never touched.
    EXPECT_FLOAT_EQ(s.picBar.Top(), 60);
    EXPECT_FLOAT_EQ(s.picBar.Height(), 60);
    EXPECT_FLOAT_EQ(s.picCur.Height(), 180);
    EXPECT_FLOAT_EQ(s.picArrDn.Top(), 30);
}

TEST(SliderLayout, ThePlayersInstanceAndHowTheThumbFollowsValue) {
    TempConfig config;
    SliderHost host;
    NewHscrollbar& s = *host.slider;
    EXPECT_FLOAT_EQ(s.picArrUp.Left(), 0);
    EXPECT_FLOAT_EQ(s.picBar.Left(), 105);
    EXPECT_FLOAT_EQ(s.picBar.Width(), 1575);
    EXPECT_FLOAT_EQ(s.picArrDn.Left(), 1680);
    EXPECT_EQ(s.thumbTravel(), 1335);
    EXPECT_FLOAT_EQ(s.picCur.Left(), 105);

    s.setValue(10000);
    EXPECT_EQ(s.picCur.Left(), float(105.0 + 10000.0 * 1335.0 / 32767.0));
    s.setValue(32767);
    EXPECT_FLOAT_EQ(s.picCur.Left() + s.picCur.Width(), s.picBar.Left() + s.picBar.Width());

    // Growing keeps the relative place: the next placement uses the new
    // travel.
    s.setValue(16000);
    host.site->setWidth(3615);
    EXPECT_EQ(s.thumbTravel(), 3135);
    EXPECT_EQ(s.picCur.Left(), float(105.0 + 16000.0 * 3135.0 / 32767.0));

    // An empty range parks the thumb at the left end.
    s.setMin(5);
    s.setMax(5);
    s.setValue(3000);
    EXPECT_EQ(s.Value(), 5);
    EXPECT_FLOAT_EQ(s.picCur.Left(), 105);
}

TEST(SliderLayout, ANewInstanceStartsFromTheDesignedTravel) {
    TempConfig config;
    // Created but not yet sized: the designed 2385-wide layout.
    auto* raw = new NewHscrollbar;
    com::Ptr<hosting::IControl> control = com::Ptr<hosting::IControl>::adopt(raw);
    EXPECT_FLOAT_EQ(raw->UserControl::Width(), 2385);
    EXPECT_FLOAT_EQ(raw->UserControl::Height(), 225);
    ASSERT_EQ(control->InitNew(), com::hr::Ok);
    EXPECT_EQ(raw->thumbTravel(), 1620);
    EXPECT_FLOAT_EQ(raw->picCur.Left(), 240) << "Value 0 at the designed track's left end";
    ASSERT_EQ(control->SetExtent(2385, 225), com::hr::Ok);
    EXPECT_FLOAT_EQ(raw->UserControl::Height(), 240);
    EXPECT_EQ(raw->thumbTravel(), 2145 - 240);
}

TEST(SliderTrackColour, GreenRisesWithValueAndCapsAt255) {
    EXPECT_EQ(NewHscrollbar::trackColour(0), QColor(0, 170, 0));
    EXPECT_EQ(NewHscrollbar::trackColour(10858).green(), 254);
    EXPECT_EQ(NewHscrollbar::trackColour(10859).green(), 255);
    EXPECT_EQ(NewHscrollbar::trackColour(32767), QColor(0, 255, 0));
    EXPECT_EQ(NewHscrollbar::trackColour(4188714).green(), 255);
    EXPECT_EQ(errorOf([] { NewHscrollbar::trackColour(4188715); }), 6);
    // Below -21908 the term is negative: the track goes black, no error.
    EXPECT_EQ(NewHscrollbar::trackColour(-21908).green(), 0);
    EXPECT_EQ(NewHscrollbar::trackColour(-4000000), QColor(0, 0, 0));
    EXPECT_EQ(errorOf([] { NewHscrollbar::trackColour(-4232533); }), 6);

    TempConfig config;
    SliderHost host;
    host.slider->setValue(10858);
    EXPECT_EQ(host.slider->picBar.BackColor(), QColor(0, 254, 0));
}

TEST(SliderThumb, BitmapIsDrawnPixelForPixel) {
    const QImage bitmap = quillet::thumbBitmap();
    ASSERT_EQ(bitmap.size(), QSize(16, 12));
    EXPECT_EQ(bitmap.pixel(0, 0), qRgb(3, 3, 5));        // E
    EXPECT_EQ(bitmap.pixel(2, 0), qRgb(0, 0, 0));        // B
    EXPECT_EQ(bitmap.pixel(15, 2), qRgb(1, 1, 44));      // A
    EXPECT_EQ(bitmap.pixel(2, 2), qRgb(255, 255, 255));  // F
    EXPECT_EQ(bitmap.pixel(5, 3), qRgb(128, 128, 128));  // C
    EXPECT_EQ(bitmap.pixel(3, 1), qRgb(192, 192, 192));  // D
    EXPECT_EQ(bitmap.pixel(15, 4), qRgb(3, 3, 5));       // E at the right edge
    EXPECT_EQ(bitmap.pixel(7, 11), qRgb(1, 1, 44));

    TempConfig config;
    SliderHost host;
    const QImage shown =
        host.slider->picCur.widget()->grab().toImage().convertToFormat(QImage::Format_RGB888);
    ASSERT_EQ(shown.size(), QSize(16, 12));
    EXPECT_EQ(shown, bitmap.convertToFormat(QImage::Format_RGB888));
}

TEST(SliderFocus, OnlyThumbThenTrackTakeTheFocus) {
    TempConfig config;
    SliderHost host;
    const NewHscrollbar& s = *host.slider;
    EXPECT_EQ(s.picCur.widget()->focusPolicy(), Qt::StrongFocus);
    EXPECT_EQ(s.picBar.widget()->focusPolicy(), Qt::StrongFocus);
    EXPECT_EQ(s.picArrUp.widget()->focusPolicy(), Qt::NoFocus);
    EXPECT_EQ(s.picArrDn.widget()->focusPolicy(), Qt::NoFocus);
    // Tab goes from the thumb to the track, also once the control sits on
    // its host's window.
    QWidget* next = s.picCur.widget()->nextInFocusChain();
    while (next->focusPolicy() == Qt::NoFocus) next = next->nextInFocusChain();
    EXPECT_EQ(next, s.picBar.widget());
    // The thumb is drawn above the track.
    const QObjectList& children = s.window()->children();
    EXPECT_GT(children.indexOf(s.picCur.widget()), children.indexOf(s.picBar.widget()));
}
