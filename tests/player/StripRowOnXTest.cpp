// On X the server draws each step of the strips; x_server_test.sh runs it.
#include <gtest/gtest.h>

#include <QEventLoop>
#include <QTimer>
#include <utility>

#include "PlayerRig.h"
#include "StripDrawing.h"

// Lets the event loop run, and sleep: the row draws before the loop sleeps.
static void runLoopFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

class StripRowOnX : public ::testing::Test {
protected:
    void SetUp() override {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            GTEST_SKIP() << "needs an X display (tests/player/x_server_test.sh)";
        rig = std::make_unique<PlayerRig>(false);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(rig->form.get()));
        rig->form->Label4.setCaption(QStringLiteral("正在播放..一首歌.mp3"));
        rig->form->Timer1.setEnabled(false);  // only stepTo() moves the strips
        runLoopFor(100);
    }

    // Steps the strips to tick as Timer1 does, and lets the loop sleep once.
    void stepTo(int tick) {
        for (; ticks < tick; ++ticks) rig->form->Timer1_Timer();
        runLoopFor(30);
    }

    std::unique_ptr<PlayerRig> rig;
    int ticks = 0;
};

TEST_F(StripRowOnX, TheServerDrawsEachTickAsTheLabelsDrewItWithoutARepaint) {
    for (int tick : kTicksToCompare) {
        if (tick > ticks + 2) stepTo(tick - 2);  // the last two steps from frames the row drew
        while (ticks < tick) stepTo(ticks + 1);
        EXPECT_EQ(unlikeTheLabels(*rig->form), QString()) << "tick " << tick;
    }
    Paints paints(rig->form->stripRow.widget());
    for (const int last = ticks + 30; ticks < last;) stepTo(ticks + 1);
    EXPECT_EQ(paints.count, 0) << "the steps went through Qt";
}

TEST_F(StripRowOnX, FollowsTheWindowAndTheStrips) {
    Form1& form = *rig->form;
    QWidget cover;
    cover.setGeometry(form.geometry());
    cover.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&cover));
    stepTo(30);  // drawn while covered: lost on the server
    cover.hide();
    runLoopFor(200);
    EXPECT_EQ(unlikeTheLabels(form), QString()) << "uncovered";
    form.move(form.pos() + QPoint(40, 30));
    form.setFixedWidth(form.width() + 24);
    runLoopFor(100);
    stepTo(31);
    EXPECT_EQ(unlikeTheLabels(form), QString()) << "the window moved and widened";
    for (forms::Label* strip : {&form.Label3, &form.Label4}) strip->setTop(strip->Top() + 150);
    stepTo(33);
    EXPECT_EQ(unlikeTheLabels(form), QString()) << "the strips moved down";
}

TEST_F(StripRowOnX, ANewCaptionOrColourShowsAtOnceHoweverFastTheyCome) {
    Form1& form = *rig->form;
    stepTo(20);
    form.Label3.setCaption(QStringLiteral("另一行 another line"));
    form.Label1.setBackColor(QColor(0x20, 0x60, 0x30));
    runLoopFor(30);  // without a step
    EXPECT_EQ(unlikeTheLabels(form), QString()) << "a caption and the ground's colour";
    stepTo(200);  // Label4 in sight, its own widget off the window: Qt draws none of it
    // As a run over broken entries names each, a turn of the loop apiece.
    for (int i = 0; i < 300; ++i) {
        form.Label4.setCaption(QStringLiteral("无法播放..%1.mp3").arg(i));
        runLoopFor(0);
    }
    runLoopFor(60);
    EXPECT_EQ(unlikeTheLabels(form), QString()) << "captions written faster than frames";
    form.Label4.setVisible(false);
    runLoopFor(30);
    EXPECT_EQ(unlikeTheLabels(form), QString()) << "a strip hidden";
}

TEST_F(StripRowOnX, AStripMovedAloneShowsWhatItsPlainEndCoversAndUncovers) {
    Form1& form = *rig->form;
    form.Label4.setCaption(QStringLiteral("停"));
    form.Label3.setLeft(900);
    // Label4 in front, its caption out of sight, its plain end leaving part of
    // Label3's caption, then the window's edge; each move from a drawn frame.
    for (auto [from, to] : {std::pair{-1800.f, -1950.f}, std::pair{-2985.f, -3010.f}}) {
        for (float left : {from, to}) form.Label4.setLeft(left), runLoopFor(30);
        EXPECT_EQ(unlikeTheLabels(form), QString()) << "Label4 at " << to;
    }
}
