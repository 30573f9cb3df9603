// Continuous play on the device's virtual clock: a track's end starts a
// random entry, entries that cannot be played are passed over, and without a
// sound output it waits.
#include <gtest/gtest.h>

#include <QSet>

#include "PlayerRig.h"

namespace {
const QString kA = QStringLiteral("/music/a.mp3");
const QString kB = QStringLiteral("/music/b.ogg");
const QString kGood = QStringLiteral("/music/good.wav");
const QString kBroken = QStringLiteral("/music/坏 文件.mp3");
const QString kNothingPlayable = QStringLiteral("播放列表中没有可以播放的文件");
const QString kNoOutput = QStringLiteral("没有可用的声音输出");

// The marker's left edge for a played fraction, on the design line.
float markerAt(double fraction) { return float(fraction * (3360 - 100) + 80); }

void addBrokenEntries(PlayerRig& rig, int count) {
    for (int i = 0; i < count; ++i)
        rig.addEntry(QStringLiteral("/broken/%1.mp3").arg(i), kNotAudio);
}

bool noneTwice(const QStringList& files) {
    return QSet<QString>(files.begin(), files.end()).size() == files.size();
}

// One turn of the event loop; what the window queues meanwhile waits.
void turn() { QCoreApplication::sendPostedEvents(); }

// Nothing plays, and the buttons are the stopped player's; the hidden
// Resume keeps whichever Enabled it had.
void expectStoppedWith(PlayerRig& rig, const QString& status, bool resumeEnabled) {
    EXPECT_FALSE(rig.form->advancing());
    EXPECT_TRUE(rig.shows({.flags = resumeEnabled ? "1 10 1 01" : "1 10 1 00",
                           .status = status,
                           .open = false,
                           .clock = "00:00",
                           .marker = 80}));
}
}  // namespace

TEST(Advance, TheMarkerFollowsTheTrackAndItsEndStartsARandomEntryAtOnce) {
    PlayerRig rig;
    rig.addEntry(kA, 60000);
    rig.addEntry(kB, 7000);
    rig.addEntry(QStringLiteral("/music/c.flac"), 60000);
    rig.mci->addFile(kGood, 8000);
    rig.open(kGood);  // appended as the fourth entry
    EXPECT_TRUE(rig.shows({.marker = 80}));
    rig.mci->advance(2000);
    EXPECT_TRUE(rig.shows({.marker = markerAt(0.25)}));
    // Paused, the position holds and so does the marker.
    rig.pause();
    rig.mci->advance(3000);
    EXPECT_TRUE(rig.shows({.marker = markerAt(0.25)}));
    rig.resume();
    rig.playSeconds(4);
    EXPECT_TRUE(rig.shows({.clock = "00:04", .marker = markerAt(0.75)}));
    EXPECT_EQ(rig.opened(), QStringList{kGood}) << "nothing else starts before the end";
    rig.mci->clearLog();

    rig.mci->advance(2000);
    const QString picked = rig.mci->FileName();
    EXPECT_EQ(rig.mci->log(), (QStringList{QStringLiteral("stop"), QStringLiteral("close"),
                                           QStringLiteral("open ") + picked, "play"}));
    // The end disables Play and leaves the other buttons as Resume left them.
    EXPECT_TRUE(rig.shows({.flags = "0 11 1 00",
                           .status = nowPlaying(rig.form->nam(picked)),
                           .playing = true,
                           .clock = "00:00",
                           .marker = 80}));
    EXPECT_EQ(rig.form->Label5.Caption(), QString());
    rig.playSeconds(1);
    EXPECT_TRUE(rig.shows({.clock = "00:01"}));
}

TEST(Advance, TheSameActionsPickTheSameEntries) {
    PlayerRig rig;
    const qint32 lengths[] = {1000, 2000, 3000, 1000, 2000};
    for (int i = 0; i < 5; ++i) rig.addEntry(QStringLiteral("/music/%1.mp3").arg(i), lengths[i]);
    for (int i = 0; i < 2; ++i) {
        rig.play();
        rig.playSeconds(40);
        rig.stop();
    }
    const QStringList opened = rig.opened();
    EXPECT_GE(opened.size(), 30);
    EXPECT_EQ(QSet<QString>(opened.begin(), opened.end()).size(), 5) << "each gets its turn";
    EXPECT_EQ(opened.mid(0, 4),
              (QStringList{"/music/3.mp3", "/music/2.mp3", "/music/2.mp3", "/music/1.mp3"}));
}

TEST(Advance, BrokenEntriesArePassedOverOnceEachAndTheGoodOnePlays) {
    for (qint32 kind : kBrokenLengths) {
        for (bool brokenFirst : {false, true}) {
            SCOPED_TRACE(::testing::Message()
                         << "length " << kind << ", broken first " << brokenFirst);
            PlayerRig rig;
            // The picks of two after a fresh start: 1, 1, 1, 0.
            if (brokenFirst) rig.addEntry(kBroken, kind);
            rig.addEntry(kGood, 3000);
            if (!brokenFirst) rig.addEntry(kBroken, kind);
            rig.play();
            EXPECT_EQ(rig.opened().last(), kGood);
            EXPECT_TRUE(noneTwice(rig.opened())) << rig.opened().join(", ").toStdString();
            // One that opened, at its end already, is closed before the next.
            if (kind == 0 && rig.opened().first() == kBroken) {
                const QStringList log = rig.mci->log();
                EXPECT_EQ(log.at(log.indexOf(QStringLiteral("open ") + kGood) - 1), "close");
            }
            EXPECT_TRUE(rig.shows({.flags = "0 11 1 01",
                                   .status = nowPlaying(QStringLiteral("good.wav")),
                                   .playing = true,
                                   .focus = &rig.form->Command3}));
            rig.playSeconds(2);
            EXPECT_TRUE(rig.shows({.clock = "00:02"}));
        }
    }
    {
        SCOPED_TRACE("a stream that breaks off counts as ended");
        PlayerRig rig;
        rig.addEntry(kA, 60000);
        rig.addEntry(kB, 60000);
        rig.doubleClick(0);
        rig.mci->advance(1500);
        rig.mci->failPlayback();
        rig.advance(500);  // the next notification sees the end; the first pick of two is 1
        EXPECT_EQ(rig.opened(), (QStringList{kA, kB}));
        EXPECT_TRUE(rig.shows({.status = nowPlaying(QStringLiteral("b.ogg")), .playing = true}));
    }
}

TEST(Advance, WhenNothingCanBePlayedItStopsWithPlayUsableAndStaysQuiet) {
    {
        PlayerRig rig;
        for (qint32 kind : kBrokenLengths)
            rig.addEntry(QStringLiteral("/music/%1.mp3").arg(-kind), kind);
        rig.addEntry(kGood, 3000);
        rig.doubleClick(3);
        rig.mci->addUnplayableFile(kGood);  // the playing file is deleted
        rig.advance(3000);
        expectStoppedWith(rig, kNothingPlayable, false);
        // Every entry tried once after the one that ended, in the picks of a
        // fresh start, and only a few picks per entry drawn.
        EXPECT_EQ(rig.opened(),
                  (QStringList{kGood, "/music/0.mp3", "/music/2.mp3", kGood, "/music/1.mp3"}));
        EXPECT_LE(forms::RndProbe::drawsSinceStart(), 3 * 4);
        EXPECT_EQ(rig.form->List1.ListCount(), 4) << "passing over removes nothing";
        const QStringList log = rig.mci->log();
        rig.playSeconds(5);
        EXPECT_EQ(rig.mci->log(), log) << "no commands after giving up";

        // Play is offered, and tries the entries afresh: one may work now.
        rig.mci->addFile(QStringLiteral("/music/2.mp3"), 4000);  // the missing one
        rig.play();
        EXPECT_EQ(rig.mci->FileName(), QStringLiteral("/music/2.mp3"));
        EXPECT_TRUE(rig.shows({.flags = "0 11 1 00", .playing = true}));
    }
    // Emptied while a track plays: its end stops the player.
    PlayerRig rig;
    rig.addEntry(kA, 3000);
    rig.doubleClick(0);
    rig.form->List1.Clear();
    rig.advance(3000);
    expectStoppedWith(rig, kStoppedText, false);
    EXPECT_EQ(rig.opened(), QStringList{kA});
}

TEST(Advance, AFullPlaylistOfBrokenEntriesKeepsTheWindowAnswering) {
    constexpr int kEntries = forms::ListBox::kMaxEntries;
    PlayerRig rig;
    rig.mci->setCommandBudget(4 * kEntries);
    addBrokenEntries(rig, kEntries);
    // What the real device takes to refuse a file its decoder must look at.
    rig.mci->setOpenTime(15);

    rig.click(rig.form->Command2);
    // One try a turn of the event loop, so that a click waiting in the queue
    // is answered between any two: no turn takes more than a try's time.
    qint64 longestTurnMs = 0;
    for (int turns = 0; rig.form->advancing() && turns < 4 * kEntries; ++turns) {
        const qint64 before = rig.mci->now();
        turn();
        longestTurnMs = qMax(longestTurnMs, rig.mci->now() - before);
    }
    EXPECT_LE(longestTurnMs, rig.mci->openTime());
    const QStringList opened = rig.opened();
    EXPECT_LE(opened.size(), kEntries);
    EXPECT_GT(opened.size(), kEntries / 2);
    EXPECT_TRUE(noneTwice(opened));
    EXPECT_LE(forms::RndProbe::drawsSinceStart(), 3 * kEntries);
    expectStoppedWith(rig, kNothingPlayable, true);
}

TEST(Advance, TheUsersCommandsEndItAndEditsSteerIt) {
    constexpr int kBrokenCount = 40;
    // Forty broken entries and a good one behind them, which the first few
    // picks of 41 do not reach: the advance is three tries in.
    auto startAdvance = [](PlayerRig& rig) {
        addBrokenEntries(rig, kBrokenCount);
        rig.addEntry(kGood, 60000);
        rig.mci->addFile(kB, 30000);
        rig.click(rig.form->Command2);
        turn();
        turn();
        ASSERT_TRUE(rig.form->advancing());
        ASSERT_EQ(rig.opened().size(), 3);
    };
    // Each command ends it: nothing it queued acts any more.
    const std::function<void(PlayerRig&)> commands[] = {
        [](PlayerRig& rig) { rig.stop(); }, [](PlayerRig& rig) { rig.pause(); },
        [](PlayerRig& rig) { rig.open(kB); },
        [](PlayerRig& rig) { rig.doubleClick(kBrokenCount); }};
    for (const auto& command : commands) {
        PlayerRig rig;
        startAdvance(rig);
        command(rig);
        EXPECT_FALSE(rig.form->advancing());
        const QStringList log = rig.mci->log();
        for (int i = 0; i < 5; ++i) turn();
        EXPECT_EQ(rig.mci->log(), log);
    }
    {
        SCOPED_TRACE("a cancelled Open changes nothing; Play then starts afresh");
        PlayerRig rig;
        startAdvance(rig);
        rig.cancelOpen();
        EXPECT_TRUE(rig.form->advancing());
        rig.play();
        EXPECT_TRUE(rig.shows({.status = nowPlaying("good.wav"), .playing = true}));
    }
    {
        SCOPED_TRACE("the list edited: only what it holds now is tried");
        PlayerRig rig;
        addBrokenEntries(rig, kBrokenCount);
        rig.click(rig.form->Command2);
        turn();
        ASSERT_TRUE(rig.form->advancing());
        rig.form->List1.Clear();
        rig.addEntry(kA, 5000);
        rig.mci->clearLog();
        rig.settle();
        EXPECT_EQ(rig.opened(), QStringList{kA});
        EXPECT_TRUE(rig.mci->isPlaying());
    }
}

// "42.mid" is what a missing section of the saved playlist restores: it
// plays, or is passed over, with no word, and the status keeps its text.
TEST(Advance, AnEntryWithoutAFolderIsPlayedOrPassedOverQuietly) {
    const QString bare = QStringLiteral("42.mid");
    for (qint32 length : {3000, kNotAudio}) {
        PlayerRig rig;
        rig.addEntry(kA, 2000);
        rig.addEntry(bare, length);
        rig.doubleClick(0);
        rig.advance(2000);  // the picks of two after a fresh start: 1, 1, 1, 0
        EXPECT_TRUE(
            rig.shows({.flags = "0 11 1 00", .status = nowPlaying("a.mp3"), .playing = true}));
        if (length > 0) {
            EXPECT_EQ(rig.mci->FileName(), bare);
            rig.playSeconds(9);
        }
        EXPECT_EQ(rig.opened(),
                  (length > 0 ? QStringList{kA, bare, bare, bare, kA} : QStringList{kA, bare, kA}));
    }
}

TEST(Advance, WithoutASoundOutputItWaitsForItAndGoesOnWhenItComesBack) {
    PlayerRig rig;
    rig.addEntry(kGood, 60000);
    rig.addEntry(kB, 60000);
    rig.play();
    ASSERT_TRUE(rig.mci->isPlaying());

    // The sound server goes away while a track plays.
    rig.mci->loseOutput();
    rig.playSeconds(1);
    const auto expectWaiting = [&](bool resumeEnabled) {
        EXPECT_TRUE(rig.form->awaitingOutput());
        expectStoppedWith(rig, kNoOutput, resumeEnabled);
    };
    expectWaiting(true);
    // It waits as long as it takes, a try at a time, spending no picks:
    // nothing is wrong with the entries.
    for (int i = 0; i < 20; ++i) forms::TimerProbe::fire(rig.form->outputWait);
    expectWaiting(true);
    rig.mci->setOutputAvailable(true);
    forms::TimerProbe::fire(rig.form->outputWait);
    EXPECT_FALSE(rig.form->awaitingOutput());
    EXPECT_TRUE(rig.shows({.flags = "0 11 1 01", .playing = true}));

    // A track paused when it goes keeps its place until Resume.
    rig.pause();
    rig.mci->loseOutput();
    rig.playSeconds(3);
    EXPECT_TRUE(rig.shows({.status = kPausedText}));
    rig.resume();
    rig.playSeconds(1);
    expectWaiting(false);

    // Stop ends the wait; Play with no output at all waits again.
    rig.stop();
    EXPECT_FALSE(rig.form->awaitingOutput());
    rig.click(rig.form->Command2);
    expectWaiting(false);
    rig.mci->setOutputAvailable(true);
    rig.play();
    EXPECT_TRUE(rig.mci->isPlaying());
}
