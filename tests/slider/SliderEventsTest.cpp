// Real pointer and key events on the slider's constituent windows reach its
// handlers through the hosting layer: positions in twips, the double-click,
// pointer capture, key codes and shift bits, key repeat, errors to the last
// resort, and no input at all while the control is disabled.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QTest>
#include <QWindow>
#include <climits>

#include "SliderHost.h"
#include "support/LastResortRecorder.h"

using quillet::NewHscrollbar;

namespace {
// The slider on a shown window, with the pointer driven through the window
// as the window system would (so double-clicks and grabs are Qt's own).
struct ShownSlider : SliderHost {
    ShownSlider() {
        form.resize(300, 60);
        site->Move(150, 150, 1815, 240);  // 10, 10 in pixels
        form.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&form));
    }
    QWindow* window() { return form.windowHandle(); }
    QPoint on(const forms::Control& c, QPoint inside) { return c.widget()->mapTo(&form, inside); }
    QPoint centreOf(const forms::Control& c) { return on(c, c.widget()->rect().center()); }
};
}  // namespace

TEST(SliderPointerEvents, ZonesTrackAndThumbAnswerTheRealPointer) {
    TempConfig config;
    ShownSlider host;
    NewHscrollbar& s = *host.slider;
    s.setLargeChange(1000);
    host.forget();

    QTest::mouseClick(host.window(), Qt::LeftButton, {}, host.centreOf(s.picArrDn));
    EXPECT_EQ(s.Value(), 1);
    // The second press of a double-click is the double-click: two steps.
    QTest::mouseDClick(host.window(), Qt::LeftButton, {}, host.centreOf(s.picArrDn));
    EXPECT_EQ(s.Value(), 3);
    QTest::mouseClick(host.window(), Qt::RightButton, {}, host.centreOf(s.picArrUp));
    EXPECT_EQ(s.Value(), 2);
    EXPECT_EQ(host.changes, 4);

    // The track's position arrives in twips: a press 2 pixels right of the
    // thumb is right of it.
    const QPoint rightOfThumb =
        host.on(s.picBar, {s.picCur.widget()->geometry().right() + 2 - s.picBar.widget()->x(), 2});
    QTest::mouseClick(host.window(), Qt::LeftButton, {}, rightOfThumb);
    EXPECT_EQ(s.Value(), 1002);

    // The thumb: pressed, it holds the pointer until the release; moved past
    // the end, it stops there with the value at Max.
    host.forget();
    QPoint at = host.centreOf(s.picCur);
    QTest::mousePress(host.window(), Qt::LeftButton, {}, at);
    EXPECT_TRUE(s.thumbPressed());
    EXPECT_EQ(QWidget::mouseGrabber(), s.picCur.widget());
    for (int step = 0; step < 12; ++step) {
        at.rx() += 20;
        QTest::mouseMove(host.window(), at);
    }
    EXPECT_GT(at.x(), host.on(s.picArrDn, {}).x()) << "the pointer went past the control";
    EXPECT_EQ(s.Value(), 32767);
    EXPECT_GE(host.count("Scroll"), 5);
    EXPECT_EQ(host.changes, 0);
    QTest::mouseRelease(host.window(), Qt::LeftButton, {}, at);
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
    EXPECT_FALSE(s.thumbPressed());
    EXPECT_EQ(host.changes, 1);
    EXPECT_EQ(host.events.last(), "Change");
    EXPECT_FLOAT_EQ(s.picCur.Left() + s.picCur.Width(), s.picBar.Left() + s.picBar.Width());

    // An error in a handler goes to the last resort, and input goes on.
    LastResortRecorder lastResort;
    s.setMax(INT_MAX);
    EXPECT_EQ(errorOf([&] { s.setValue(INT_MAX); }), 6);  // the track colour overflows
    QTest::mouseClick(host.window(), Qt::LeftButton, {}, host.centreOf(s.picArrDn));
    EXPECT_EQ(lastResort.numbers, std::vector<int>{6});
    EXPECT_EQ(s.Value(), INT_MAX);
    s.setMax(32767);
    s.setValue(0);
    QTest::mouseClick(host.window(), Qt::LeftButton, {}, host.centreOf(s.picArrDn));
    EXPECT_EQ(s.Value(), 1);

    // Disabled at run time: nothing gets through, and a capture held when
    // it happens is let go.
    s.setValue(0);
    host.forget();
    QTest::mousePress(host.window(), Qt::LeftButton, {}, host.centreOf(s.picCur));
    ASSERT_EQ(QWidget::mouseGrabber(), s.picCur.widget());
    s.setEnabled(false);
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
    QTest::mouseRelease(host.window(), Qt::LeftButton, {}, host.centreOf(s.picCur));
    QTest::mouseClick(host.window(), Qt::LeftButton, {}, host.centreOf(s.picArrDn));
    QTest::mouseClick(host.window(), Qt::LeftButton, {}, rightOfThumb);
    EXPECT_EQ(s.Value(), 0);
    EXPECT_TRUE(host.events.isEmpty());
}

TEST(SliderKeyEvents, KeysReachTheHostWithClassicCodesThenNavigate) {
    TempConfig config;
    ShownSlider host;
    NewHscrollbar& s = *host.slider;
    s.setLargeChange(10);
    QWidget* thumb = s.picCur.widget();
    host.forget();

    QTest::keyClick(thumb, Qt::Key_PageDown);
    EXPECT_EQ(s.Value(), 10);
    QTest::keyClick(thumb, Qt::Key_Down, Qt::ShiftModifier | Qt::ControlModifier);
    EXPECT_EQ(s.Value(), 11);
    QTest::keyClick(thumb, Qt::Key_Right);
    EXPECT_EQ(s.Value(), 11);
    QTest::keyClick(s.picBar.widget(), Qt::Key_A, Qt::AltModifier);
    QTest::keyClick(thumb, Qt::Key_End);
    EXPECT_EQ(s.Value(), 32767);
    // The modifier keys are keys too: Shift 16, Ctrl 17, Alt 18.
    EXPECT_EQ(
        host.events,
        (QStringList{"KeyDown 34 0", "Change",     "KeyUp 34 0",   "KeyDown 16 1", "KeyDown 17 3",
                     "KeyDown 40 3", "Change",     "KeyUp 40 3",   "KeyUp 17 1",   "KeyUp 16 0",
                     "KeyDown 39 0", "KeyUp 39 0", "KeyDown 18 4", "KeyDown 65 4", "KeyPress 97",
                     "KeyUp 65 4",   "KeyUp 18 0", "KeyDown 35 0", "Change",       "KeyUp 35 0"}));

    // A host that binds late can name what it got.
    const QList<hosting::EventDescription> described = host.site->events();
    ASSERT_EQ(described.size(), 5);
    EXPECT_EQ(described[0].id, quillet::eventid::KeyDown);
    EXPECT_EQ(described[0].name, "KeyDown");
    EXPECT_EQ(described[0].parameters, (QStringList{"KeyCode", "Shift"}));

    // A held key repeats its key-down only; the repeat's releases are not
    // real ones.
    host.forget();
    s.setValue(0);
    host.forget();
    for (int i = 0; i < 3; ++i) {
        QKeyEvent down(QEvent::KeyPress, Qt::Key_PageDown, Qt::NoModifier, {}, i > 0);
        QApplication::sendEvent(thumb, &down);
        QKeyEvent up(QEvent::KeyRelease, Qt::Key_PageDown, Qt::NoModifier, {}, i < 2);
        QApplication::sendEvent(thumb, &up);
    }
    EXPECT_EQ(s.Value(), 30);
    EXPECT_EQ(host.count("KeyDown 34 0"), 3);
    EXPECT_EQ(host.count("KeyUp 34 0"), 1);

    // Disabled, the keys reach nobody.
    s.setEnabled(false);
    host.forget();
    QTest::keyClick(thumb, Qt::Key_Home);
    EXPECT_EQ(s.Value(), 30);
    EXPECT_TRUE(host.events.isEmpty());
}
