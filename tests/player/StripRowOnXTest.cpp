// On an X display the strips' row puts each step straight into the window,
// without a repaint. What the server then holds must be what Qt would have
// painted: read back from the server, pixel for pixel, at several ticks, and
// after a window that covered the player goes away. Skips on any other
// platform (x_server_test.sh runs it under a private Xvfb).
#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <QEventLoop>
#include <QGuiApplication>
#include <QTimer>
#include <cstdlib>

#include "PlayerRig.h"
#include "StripDrawing.h"

namespace {
// Lets the event loop run, and sleep, for a while: the row draws before the
// loop sleeps.
void runLoopFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// The window's pixels in rect as the X server holds them.
QImage fromServer(QWidget* window, const QRect& rect) {
    auto* connection = qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
    xcb_get_image_reply_t* reply = xcb_get_image_reply(
        connection,
        xcb_get_image(connection, XCB_IMAGE_FORMAT_Z_PIXMAP, xcb_window_t(window->winId()),
                      int16_t(rect.x()), int16_t(rect.y()), uint16_t(rect.width()),
                      uint16_t(rect.height()), ~0u),
        nullptr);
    if (!reply) return {};
    QImage image(xcb_get_image_data(reply), rect.width(), rect.height(), QImage::Format_RGB32);
    QImage copy = image.copy();
    std::free(reply);
    return copy;
}

QImage part(const QImage& image, const QRect& rect) {
    return image.copy(rect).convertToFormat(QImage::Format_RGB32);
}

class Paints : public QObject {
public:
    explicit Paints(QWidget* widget) { widget->installEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++count;
        return false;
    }
};

class StripRowOnX : public ::testing::Test {
protected:
    void SetUp() override {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            GTEST_SKIP() << "needs an X display (tests/player/x_server_test.sh)";
        rig = std::make_unique<PlayerRig>(false);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(rig->form.get()));
        runLoopFor(100);
        Form1& form = *rig->form;
        form.Label4.setCaption(QStringLiteral("正在播放..一首歌.mp3"));
        row = form.stripRow.widget()->geometry();
        // Only the test moves the strips, each step as a tick of Timer1 does.
        form.Timer1.setEnabled(false);
    }

    // Steps the strips to tick, and lets the loop sleep once.
    void stepTo(int tick) {
        for (; ticks < tick; ++ticks) rig->form->Timer1_Timer();
        runLoopFor(30);
    }

    std::unique_ptr<PlayerRig> rig;
    QRect row;
    int ticks = 0;
};
}  // namespace

TEST_F(StripRowOnX, TheServerHoldsWhatTheLabelsDrewAtEachTick) {
    Form1& form = *rig->form;
    Paints paints(form.stripRow.widget());
    for (int tick : kTicksToCompare) {
        stepTo(tick);
        EXPECT_EQ(firstDifference(fromServer(&form, row), part(drawnByTheLabels(form), row)),
                  QString())
            << "tick " << tick << ": Label3 at " << form.Label3.Left() << ", Label4 at "
            << form.Label4.Left();
    }
    // The steps went to the server as images, not through repaints. (The
    // grabs of the comparison paint the row too, once each.)
    EXPECT_LE(paints.count, int(kTicksToCompare.size()) * 2);
}

TEST_F(StripRowOnX, AWindowThatCoveredThePlayerLeavesTheRowRight) {
    Form1& form = *rig->form;
    stepTo(10);
    QWidget cover;
    cover.setGeometry(form.geometry());
    cover.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&cover));
    stepTo(40);  // put while covered: lost on the server
    cover.hide();
    runLoopFor(200);
    EXPECT_EQ(firstDifference(fromServer(&form, row), part(drawnByTheLabels(form), row)),
              QString());
    stepTo(41);
    EXPECT_EQ(firstDifference(fromServer(&form, row), part(drawnByTheLabels(form), row)),
              QString());
}

TEST_F(StripRowOnX, ANewCaptionOrColourShowsOnTheServerAsTheLabelsDrewIt) {
    Form1& form = *rig->form;
    stepTo(20);
    // Without a step: the row is drawn again before the loop sleeps.
    form.Label3.setCaption(QStringLiteral("另一行 another line"));
    runLoopFor(30);
    EXPECT_EQ(firstDifference(fromServer(&form, row), part(drawnByTheLabels(form), row)),
              QString());
    form.Label4.setCaption(QStringLiteral("已暂停播放"));
    stepTo(60);
    EXPECT_EQ(firstDifference(fromServer(&form, row), part(drawnByTheLabels(form), row)),
              QString());
    // The ground beneath the strips.
    form.Label1.setBackColor(QColor(0x20, 0x60, 0x30));
    stepTo(61);
    EXPECT_EQ(firstDifference(fromServer(&form, row), part(drawnByTheLabels(form), row)),
              QString());
    form.Label3.setVisible(false);
    stepTo(62);
    EXPECT_EQ(firstDifference(fromServer(&form, row), part(drawnByTheLabels(form), row)),
              QString());
}

TEST_F(StripRowOnX, EachStepFromTheLastLeavesWhatTheRowComposes) {
    // Step after step with nothing else between, as the timer moves them:
    // a step whose strips moved only where they look like what lies
    // beneath sends nothing, and every other must reach the server. Held
    // against the row's own composition, which the other tests hold
    // against the labels (drawing the labels paints the row anew).
    Form1& form = *rig->form;
    auto compareEachTick = [&](int from, int to, const char* what) {
        for (int tick = from; tick <= to; ++tick) {
            stepTo(tick);
            EXPECT_EQ(firstDifference(fromServer(&form, row), form.stripRow.composed()), QString())
                << what << ", tick " << tick << ": Label3 at " << form.Label3.Left()
                << ", Label4 at " << form.Label4.Left();
        }
    };
    compareEachTick(0, 60, "captions");
    // Strips without captions, over a ground of their colour and over
    // another.
    form.Label3.setCaption(QString());
    form.Label4.setCaption(QString());
    compareEachTick(200, 230, "plain strips");
    compareEachTick(450, 470, "plain strips");
    form.Label1.setBackColor(QColor(0x20, 0x60, 0x30));
    compareEachTick(471, 490, "plain strips on green");
    compareEachTick(735, 750, "plain strips on green");
}

TEST_F(StripRowOnX, CaptionsWrittenFasterThanFramesEndWithTheLastOnTheServer) {
    // As a run over many broken entries names each in turn, a turn of the
    // event loop apiece: the server need not get every caption, but what
    // it shows once they stop is the last one, without a step to bring it.
    Form1& form = *rig->form;
    stepTo(30);
    for (int i = 0; i < 300; ++i) {
        form.Label4.setCaption(QStringLiteral("无法播放..%1.mp3").arg(i));
        runLoopFor(0);
    }
    runLoopFor(60);
    EXPECT_EQ(form.Label4.Caption(), QStringLiteral("无法播放..299.mp3"));
    const QImage shown = fromServer(&form, row);
    EXPECT_EQ(firstDifference(shown, part(drawnByTheLabels(form), row)), QString());
}
