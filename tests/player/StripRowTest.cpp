// The strips' row offscreen, where it paints through Qt.
#include <gtest/gtest.h>

#include <QAccessible>

#include "PlayerRig.h"
#include "StripDrawing.h"

TEST(StripRow, DrawsWhatTheLabelsDrewAtEveryTick) {
    PlayerRig rig(false);
    Form1& form = *rig.form;
    form.Timer1.setEnabled(false);  // only the test moves the strips
    form.Label4.setCaption(QStringLiteral("正在播放..一首很长的歌的名字 with a long name.mp3"));
    int tick = 0;
    for (int next : kTicksToCompare) {
        for (; tick < next; ++tick) form.Timer1_Timer();
        QCoreApplication::processEvents();
        EXPECT_EQ(unlikeTheLabels(form), QString()) << "tick " << tick;
    }
}

TEST(StripRow, StaysOutOfTheWayOfInputAndScreenReaders) {
    PlayerRig rig(false);
    Form1& form = *rig.form;
    QWidget* row = form.stripRow.widget();
    EXPECT_TRUE(row->testAttribute(Qt::WA_TransparentForMouseEvents));
    EXPECT_EQ(row->focusPolicy(), Qt::NoFocus);
    // In front of the strips and the band behind them, behind the clock.
    EXPECT_GT(form.children().indexOf(row), form.children().indexOf(form.Label4.widget()));
    EXPECT_LT(form.children().indexOf(row), form.children().indexOf(form.Label2.widget()));
    form.Label4.setCaption(QStringLiteral("已停止播放"));
    for (int tick = 0; tick < 300; ++tick) forms::TimerProbe::fire(form.Timer1);
    for (forms::Label* strip : {&form.Label3, &form.Label4}) {
        QAccessibleInterface* reader = QAccessible::queryAccessibleInterface(strip->widget());
        ASSERT_NE(reader, nullptr);
        EXPECT_EQ(reader->role(), QAccessible::StaticText);
        EXPECT_EQ(reader->text(QAccessible::Name), strip->Caption());
        EXPECT_FALSE(reader->state().invisible);
    }
}

// The clock writes its caption every second, paused or stopped too.
TEST(LabelCaption, WritingTheSameCaptionAgainDrawsNothing) {
    PlayerRig rig(false);
    QCoreApplication::processEvents();
    Paints paints(rig.form->Label2.widget());
    rig.form->Label2.setCaption(Form1::kClockReset);
    QCoreApplication::processEvents();
    EXPECT_EQ(paints.count, 0);
    rig.form->Label2.setCaption(QStringLiteral("00:01"));
    QCoreApplication::processEvents();
    EXPECT_GE(paints.count, 1);
}
