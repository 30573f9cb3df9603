// Continuous play on the device's virtual clock: the marker follows the
// track, a track's end starts a random entry at once, the same actions give
// the same picks, and entries that cannot be played are passed over a
// bounded number of times.
#include <gtest/gtest.h>

#include <QSet>

#include "PlayerRig.h"

namespace {
const QString kA = QStringLiteral("/music/a.mp3");
const QString kB = QStringLiteral("/music/b.ogg");
const QString kC = QStringLiteral("/music/c.flac");
const QString kGood = QStringLiteral("/music/good.wav");
const QString kNotAudio = QStringLiteral("/music/notes.txt");
const QString kMissing = QStringLiteral("/music/gone.mp3");
const QString kEmpty = QStringLiteral("/music/empty.mid");

// The marker's left edge for a played fraction, on the design line.
float markerAt(double fraction) { return float(fraction * (3360 - 100) + 80); }

// Entries the device cannot play: not audio, gone, and of length zero.
void addBrokenEntries(PlayerRig& rig) {
    rig.mci->addUnplayableFile(kNotAudio);
    rig.form->List1.AddItem(kNotAudio);
    rig.form->List1.AddItem(kMissing);
    rig.addEntry(kEmpty, 0);
}

// Between a file's "open" and the next "open" the device was closed.
bool closedBeforeTheNextOpen(const QStringList& log, const QString& path) {
    for (qsizetype i = 0; i < log.size(); ++i) {
        if (log[i] != QStringLiteral("open ") + path) continue;
        bool closed = false;
        for (qsizetype j = i + 1; j < log.size() && !log[j].startsWith(QLatin1String("open ")); ++j)
            closed = closed || log[j] == QLatin1String("close");
        if (!closed) return false;
    }
    return true;
}
}  // namespace

TEST(ContinuousPlay, TheMarkerFollowsThePlayedPartOfTheTrack) {
    PlayerRig rig;
    rig.mci->addFile(kA, 8000);
    rig.open(kA);
    EXPECT_FLOAT_EQ(rig.form->Command6.Left(), 80);

    rig.mci->advance(1000);
    EXPECT_FLOAT_EQ(rig.form->Command6.Left(), markerAt(0.125));
    rig.mci->advance(1000);
    EXPECT_FLOAT_EQ(rig.form->Command6.Left(), 895) << "a quarter of the track";

    // Paused, the position holds and so does the marker.
    rig.pause();
    rig.mci->advance(3000);
    EXPECT_FLOAT_EQ(rig.form->Command6.Left(), 895);
    rig.resume();
    rig.mci->advance(4000);
    EXPECT_FLOAT_EQ(rig.form->Command6.Left(), markerAt(0.75));
    EXPECT_EQ(rig.opened(), QStringList{kA}) << "nothing else starts before the end";
}

TEST(ContinuousPlay, AtTheEndOfATrackARandomEntryStartsAtOnce) {
    PlayerRig rig;
    rig.addEntry(kA, 60000);
    rig.addEntry(kB, 60000);
    rig.addEntry(kC, 7000);
    rig.mci->addFile(kGood, 3000);
    rig.open(kGood);  // the fourth entry; the first pick of four is entry 2
    rig.playSeconds(2);
    ASSERT_EQ(rig.form->Label2.Caption(), QStringLiteral("00:02"));
    ASSERT_EQ(rig.flags(), TransportFlags::parse("1 11 1 01"));
    rig.mci->clearLog();

    rig.mci->advance(1000);
    EXPECT_EQ(rig.mci->log(), (QStringList{QStringLiteral("stop"), QStringLiteral("close"),
                                           QStringLiteral("open ") + kC, QStringLiteral("play")}));
    EXPECT_TRUE(rig.mci->isPlaying());
    EXPECT_EQ(rig.status(), nowPlaying(QStringLiteral("c.flac")));
    EXPECT_FLOAT_EQ(rig.form->Command6.Left(), 80);
    EXPECT_EQ(rig.form->Label2.Caption(), QStringLiteral("00:00"));
    EXPECT_EQ(rig.form->Label5.Caption(), QString());
    // The end disables Play and leaves the other buttons as Open left them.
    EXPECT_EQ(rig.flags(), TransportFlags::parse("0 11 1 01"));

    // The new track moves the marker and the clock from their start.
    rig.playSeconds(1);
    EXPECT_FLOAT_EQ(rig.form->Command6.Left(), markerAt(1.0 / 7.0));
    EXPECT_EQ(rig.form->Label2.Caption(), QStringLiteral("00:01"));
    EXPECT_TRUE(rig.lastResort.numbers.empty());
}

TEST(ContinuousPlay, ASingleEntryRestartsItself) {
    PlayerRig rig;
    rig.addEntry(kA, 2000);
    rig.play();
    rig.playSeconds(6);
    EXPECT_EQ(rig.opened(), QStringList(4, kA));
    EXPECT_TRUE(rig.mci->isPlaying());
    EXPECT_EQ(rig.mci->Position(), 0);
    EXPECT_EQ(rig.status(), nowPlaying(QStringLiteral("a.mp3")));
}

TEST(ContinuousPlay, TheFirstNotificationSwitchesTheClockOnForGood) {
    PlayerRig rig;
    rig.addEntry(kA, 3000);
    rig.addEntry(kB, 3000);
    rig.play();
    rig.mci->advance(999);
    EXPECT_FALSE(rig.form->Timer2.Enabled()) << "no notification yet";
    rig.mci->advance(1);
    EXPECT_TRUE(rig.form->Timer2.Enabled());
    EXPECT_TRUE(rig.form->Timer2.running());

    // Through pauses, ends of tracks and a stop, nothing switches it off.
    rig.pause();
    rig.mci->advance(5000);
    rig.resume();
    rig.mci->advance(10000);
    EXPECT_GE(rig.opened().size(), 3);
    rig.stop();
    EXPECT_TRUE(rig.form->Timer2.Enabled());
    EXPECT_TRUE(rig.form->Timer2.running());
}

TEST(ContinuousPlay, AnEntryThatStartsAtItsEndIsClosedAndNotOpenedAgainInTheSameAdvance) {
    PlayerRig rig;
    rig.addEntry(kA, 2000);
    rig.addEntry(kEmpty, 0);
    rig.doubleClick(0);
    // The picks of two after a fresh start: 1, 1, 1, 0.
    rig.advance(2000);
    EXPECT_EQ(rig.opened(), (QStringList{kA, kEmpty, kA}));
    EXPECT_TRUE(closedBeforeTheNextOpen(rig.mci->log(), kEmpty))
        << rig.mci->log().join(", ").toStdString();
    EXPECT_TRUE(rig.mci->isPlaying());
    EXPECT_EQ(rig.status(), nowPlaying(QStringLiteral("a.mp3")));
    EXPECT_TRUE(rig.lastResort.numbers.empty());
}

TEST(ContinuousPlay, TheSameActionsPickTheSameSequenceInEveryRun) {
    auto run = [] {
        PlayerRig rig;  // a fresh program: the generator starts over
        const qint32 lengths[] = {1000, 2000, 3000, 1000, 2000};
        for (int i = 0; i < 5; ++i)
            rig.addEntry(QStringLiteral("/music/%1.mp3").arg(i), lengths[i]);
        rig.play();
        rig.playSeconds(40);
        rig.stop();
        rig.play();
        rig.playSeconds(40);
        return rig.opened();
    };
    const QStringList first = run();
    const QStringList second = run();
    EXPECT_EQ(first, second);
    EXPECT_GE(first.size(), 30);
    EXPECT_EQ(QSet<QString>(first.begin(), first.end()).size(), 5) << "every entry gets its turn";
}

TEST(ContinuousPlay, EntriesThatCannotBePlayedArePassedOver) {
    PlayerRig rig;
    addBrokenEntries(rig);
    rig.mci->addFile(kGood, 3000);
    rig.open(kGood);
    rig.advance(3000);  // the picks of four start with three broken ones

    EXPECT_GT(rig.opened().size(), 2);
    EXPECT_EQ(rig.opened().last(), kGood);
    const QStringList tried = rig.opened().mid(1, rig.opened().size() - 2);
    EXPECT_EQ(QSet<QString>(tried.begin(), tried.end()).size(), tried.size())
        << "no broken entry opened twice";
    EXPECT_TRUE(rig.mci->isPlaying());
    EXPECT_EQ(rig.status(), nowPlaying(QStringLiteral("good.wav")));
    EXPECT_EQ(rig.form->List1.ListCount(), 4) << "passing over removes nothing";
    EXPECT_TRUE(rig.lastResort.numbers.empty());

    // And it goes on from there as usual.
    rig.playSeconds(2);
    EXPECT_EQ(rig.form->Label2.Caption(), QStringLiteral("00:02"));
}

TEST(ContinuousPlay, WhenNothingCanBePlayedItStopsWithPlayUsable) {
    auto expectGivenUp = [](PlayerRig& rig, int startsBefore) {
        const int picks = int(rig.opened().size()) - startsBefore;
        const int entries = rig.form->List1.ListCount();
        EXPECT_GE(picks, 2) << "it tries other entries";
        EXPECT_LE(picks, 10 * entries) << "a few times the playlist's length at most";
        EXPECT_FALSE(rig.mci->isOpen());
        EXPECT_FALSE(rig.form->advancing());
        EXPECT_TRUE(rig.form->Command3.Visible() && !rig.form->Command3.Enabled())
            << "nothing to pause";
        EXPECT_FALSE(rig.form->Command5.Visible()) << "nothing to resume";
        EXPECT_TRUE(rig.lastResort.numbers.empty());

        // The status line speaks of the playlist, not of one file.
        const QString status = rig.status();
        EXPECT_FALSE(status.isEmpty());
        EXPECT_FALSE(status.startsWith(QStringLiteral("正在播放"))) << status.toStdString();
        EXPECT_NE(status, kStoppedText);
        for (int i = 0; i < entries; ++i) {
            const QString entry = rig.form->List1.List(i);
            EXPECT_NE(status, cannotPlay(entry.mid(entry.lastIndexOf(u'/') + 1)));
        }

        // Quiet from then on: no more commands, no counting.
        const QStringList log = rig.mci->log();
        rig.playSeconds(10);
        EXPECT_EQ(rig.mci->log(), log);
        EXPECT_EQ(rig.form->Label2.Caption(), QStringLiteral("00:00"));
    };
    PlayerRig rig;
    addBrokenEntries(rig);
    rig.addEntry(kGood, 3000);
    rig.doubleClick(3);
    rig.mci->addUnplayableFile(kGood);  // the playing file is deleted
    rig.advance(3000);
    expectGivenUp(rig, 1);

    // Play is offered, and gives up the same way.
    rig.mci->clearLog();
    rig.play();
    expectGivenUp(rig, 0);
}

TEST(ContinuousPlay, AnEmptiedPlaylistEndsPlayingWithPlayUsable) {
    PlayerRig rig;
    rig.addEntry(kA, 3000);
    rig.doubleClick(0);
    ASSERT_FALSE(rig.form->Command2.Enabled());
    rig.form->List1.Clear();

    rig.advance(3000);
    EXPECT_EQ(rig.opened(), QStringList{kA});
    EXPECT_FALSE(rig.mci->isOpen());
    EXPECT_TRUE(rig.form->Command2.Visible() && rig.form->Command2.Enabled());
    EXPECT_FALSE(rig.status().startsWith(QStringLiteral("正在播放")));
    EXPECT_TRUE(rig.lastResort.numbers.empty());
    rig.playSeconds(5);
    EXPECT_EQ(rig.opened(), QStringList{kA});
}

TEST(ContinuousPlay, AStreamThatBreaksOffCountsAsEndedAndPlayMovesOn) {
    PlayerRig rig;
    rig.addEntry(kA, 60000);
    rig.addEntry(kB, 60000);
    rig.doubleClick(0);
    rig.mci->advance(1500);
    rig.mci->failPlayback();
    rig.advance(500);  // the next notification sees the end; the first pick of two is 1
    EXPECT_EQ(rig.opened(), (QStringList{kA, kB}));
    EXPECT_TRUE(rig.mci->isPlaying());
    EXPECT_EQ(rig.status(), nowPlaying(QStringLiteral("b.ogg")));
    EXPECT_TRUE(rig.lastResort.numbers.empty());
}
