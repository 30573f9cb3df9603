// The moving displays: the elapsed-time clock (a tally of one-second ticks
// while the player shows itself as playing) and the two scrolling strips.
#include <gtest/gtest.h>

#include "PlayerRig.h"

namespace {
const QString kHour = QStringLiteral("/music/hour.ogg");
constexpr qint32 kHourMs = 3600 * 1000;
}  // namespace

// When it counts, command by command, is in the transport's table; here,
// that later notifications keep it on without restarting its countdown
// (which would never end), and how it shows (paused, so it does not count).
TEST(Clock, StartsWithTheFirstNotificationAndShowsMinutesAndSeconds) {
    PlayerRig rig;
    rig.addEntry(kHour, 2 * kHourMs);
    rig.play();
    rig.mci->advance(999);
    for (int i = 0; i < 3; ++i) forms::TimerProbe::fire(rig.form->Timer2);
    EXPECT_FALSE(rig.form->Timer2.running());
    EXPECT_TRUE(rig.shows({.clock = "00:00"}));
    rig.mci->advance(1);
    ASSERT_TRUE(rig.form->Timer2.running());
    const int countdown = forms::TimerProbe::countdownsStarted(rig.form->Timer2);
    rig.playSeconds(5);
    EXPECT_TRUE(rig.form->Timer2.running());
    EXPECT_EQ(forms::TimerProbe::countdownsStarted(rig.form->Timer2), countdown);
    EXPECT_TRUE(rig.shows({.clock = "00:05"}));

    rig.pause();
    const std::pair<const char*, const char*> cases[] = {
        {"", "00:00"},     {"9", "00:09"},     {"10", "00:10"},    {"59", "00:59"},
        {"60", "01:00"},   {"549", "09:09"},   {"550", "09:10"},   {"600", "10:00"},
        {"3599", "59:59"}, {"6000", "100:00"}, {"7200", "120:00"},
    };
    for (const auto& [counter, shown] : cases) {
        rig.form->Label5.setCaption(QString::fromLatin1(counter));
        rig.form->Label2.setCaption(QStringLiteral("--:--"));
        forms::TimerProbe::fire(rig.form->Timer2);
        EXPECT_EQ(rig.form->Label5.Caption(), QString::fromLatin1(counter));
        EXPECT_TRUE(rig.shows({.clock = shown})) << counter;
    }
}

// The strips move 16 twips a tick until their right edge has passed the
// window's left edge, then start again right of the window. A caption
// change, the status line's included, neither moves nor widens them.
TEST(Strips, EachJumpsToTheRightOnceItHasLeftTheWindowAndCaptionsDoNotMoveThem) {
    PlayerRig rig(false);  // no event loop runs: only fire() moves the strips
    Form1& form = *rig.form;
    ASSERT_FLOAT_EQ(form.Label3.Left(), 420);
    ASSERT_FLOAT_EQ(form.Label4.Left(), 4350);
    rig.addEntry(kHour, kHourMs);

    std::vector<int> jumps3, jumps4;
    for (int tick = 1; tick <= 1000; ++tick) {
        if (tick == 101) {
            rig.play();
            rig.stop();
            form.Label3.setCaption(
                QStringLiteral("一段长得多的文字，比这个标签宽得多，一直写下去"));
            EXPECT_FLOAT_EQ(form.Label3.Left(), 420 - 1600);
            EXPECT_FLOAT_EQ(form.Label4.Left(), 4350 - 1600);
        }
        const float before3 = form.Label3.Left(), before4 = form.Label4.Left();
        forms::TimerProbe::fire(form.Timer1);
        for (auto [strip, before, jumps] : {std::tuple{&form.Label3, before3, &jumps3},
                                            std::tuple{&form.Label4, before4, &jumps4}}) {
            if (strip->Left() == 5465)
                jumps->push_back(tick);
            else
                ASSERT_FLOAT_EQ(strip->Left(), before - 16)
                    << strip->Name().toStdString() << " tick " << tick;
            ASSERT_FLOAT_EQ(strip->Width(), 3000);
        }
    }
    EXPECT_EQ(jumps3, (std::vector<int>{214, 744}));
    EXPECT_EQ(jumps4, (std::vector<int>{460, 990}));
}
