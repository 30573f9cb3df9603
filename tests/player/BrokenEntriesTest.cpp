// Playlists with entries that cannot be played: Play goes on past them as
// the end of a track does, the advance takes one try a turn of the event
// loop and opens no entry twice, it gives up in the stopped state, the
// user's commands and edits end or steer it, and an entry without a folder
// is played or passed over without a word.
#include <gtest/gtest.h>

#include <QSet>
#include <QTimer>

#include "PlayerRig.h"

namespace {
const QString kGood = QStringLiteral("/music/good.wav");
const QString kNotAudio = QStringLiteral("/music/notes.txt");
const QString kMissing = QStringLiteral("/music/gone.mp3");
const QString kEmpty = QStringLiteral("/music/empty.mid");
const QString kNothingPlayable = QStringLiteral("播放列表中没有可以播放的文件");

// Entries the device cannot play: not audio, gone, and of length zero.
void addBrokenEntries(PlayerRig& rig) {
    rig.mci->addUnplayableFile(kNotAudio);
    rig.form->List1.AddItem(kNotAudio);
    rig.form->List1.AddItem(kMissing);
    rig.addEntry(kEmpty, 0);
}

// count entries the device refuses, each of its own path.
void addUnplayableEntries(PlayerRig& rig, int count) {
    for (int i = 0; i < count; ++i) {
        const QString path = QStringLiteral("/broken/%1.mp3").arg(i);
        rig.mci->addUnplayableFile(path);
        rig.form->List1.AddItem(path);
    }
}

bool noneTwice(const QStringList& files) {
    return QSet<QString>(files.begin(), files.end()).size() == files.size();
}

// One turn of the event loop: the queued work of the window runs, and what
// it queues meanwhile waits for the next turn.
void turn() { QCoreApplication::sendPostedEvents(); }

// A click that comes in while the advance goes on: a queued event that, each
// time it is answered, comes again. It notes the longest stretch of the
// device's virtual time between two answers.
class Heartbeat {
public:
    explicit Heartbeat(const SimulatedMediaDevice& clock) : m_clock(clock), m_last(clock.now()) {
        post();
    }
    qint64 longestGapMs() const { return m_longest; }
    int beats() const { return m_beats; }

private:
    void post() {
        QTimer::singleShot(0, &m_context, [this] {
            m_longest = qMax(m_longest, m_clock.now() - m_last);
            m_last = m_clock.now();
            ++m_beats;
            post();
        });
    }

    const SimulatedMediaDevice& m_clock;
    QObject m_context;  // queued beats go with it
    qint64 m_last;
    qint64 m_longest = 0;
    int m_beats = 0;
};

void expectStoppedWith(PlayerRig& rig, const QString& status) {
    EXPECT_FALSE(rig.form->advancing());
    EXPECT_FALSE(rig.mci->isOpen());
    EXPECT_EQ(rig.status(), status);
    EXPECT_TRUE(rig.form->Command2.Visible() && rig.form->Command2.Enabled()) << "Play usable";
    EXPECT_TRUE(rig.form->Command3.Visible());
    EXPECT_FALSE(rig.form->Command3.Enabled()) << "nothing to pause";
    EXPECT_FALSE(rig.form->Command5.Visible()) << "nothing to resume";
    EXPECT_TRUE(rig.form->Command4.Enabled());
    EXPECT_FLOAT_EQ(rig.form->Command6.Left(), 80);
    EXPECT_EQ(rig.form->Label2.Caption(), QStringLiteral("00:00"));
    EXPECT_TRUE(rig.lastResort.numbers.empty());
}
}  // namespace

TEST(BrokenEntries, PlayOnOnlyUnplayableEntriesEndsStoppedWithTheMessage) {
    auto run = [] {
        PlayerRig rig;
        addBrokenEntries(rig);
        // The picks of three after a fresh start: 2, 1, 1, 0, ...
        rig.click(rig.form->Command2);
        EXPECT_TRUE(rig.form->advancing()) << "it goes on past the first pick";
        EXPECT_EQ(rig.status(), cannotPlay(QStringLiteral("empty.mid")));
        EXPECT_FALSE(rig.form->Command2.Enabled());
        EXPECT_FALSE(rig.mci->isOpen()) << "the empty file is closed before the next try";

        EXPECT_GE(rig.settle(), 2) << "further tries wait for further turns";
        expectStoppedWith(rig, kNothingPlayable);
        EXPECT_EQ(rig.focus(), rig.form->Command2.widget()) << "from the disabled Pause to Play";
        const QStringList opened = rig.opened();
        EXPECT_EQ(opened.size(), 3) << "every entry tried";
        EXPECT_TRUE(noneTwice(opened)) << opened.join(", ").toStdString();
        EXPECT_LE(forms::RndProbe::drawsSinceStart(), 3 * 3) << "a few picks per entry at most";

        // Quiet from then on: no commands, no counting.
        const QStringList log = rig.mci->log();
        rig.playSeconds(5);
        EXPECT_EQ(rig.mci->log(), log);
        EXPECT_EQ(rig.form->Label2.Caption(), QStringLiteral("00:00"));

        // Play is offered, and tries the entries afresh: one may work now.
        rig.mci->addFile(kMissing, 4000);
        rig.play();
        EXPECT_EQ(rig.mci->FileName(), kMissing);
        EXPECT_TRUE(rig.mci->isPlaying());
        EXPECT_EQ(rig.status(), nowPlaying(QStringLiteral("gone.mp3")));
        EXPECT_EQ(rig.flags(), TransportFlags::parse("0 11 1 01"));
        return opened;
    };
    EXPECT_EQ(run(), run()) << "the same playlist gives the same picks in every run";
}

TEST(BrokenEntries, PlayPassesOverAnUnplayablePickToThePlayableEntry) {
    enum class Kind { NotAudio, Missing, ZeroLength };
    for (Kind kind : {Kind::NotAudio, Kind::Missing, Kind::ZeroLength}) {
        for (bool brokenFirst : {false, true}) {
            SCOPED_TRACE(::testing::Message()
                         << "kind " << int(kind) << ", broken entry first " << brokenFirst);
            PlayerRig rig;
            const QString broken = QStringLiteral("/music/坏 文件.mp3");
            if (kind == Kind::NotAudio) rig.mci->addUnplayableFile(broken);
            if (kind == Kind::ZeroLength) rig.mci->addFile(broken, 0);
            // The picks of two after a fresh start: 1, 1, 1, 0.
            if (brokenFirst) rig.form->List1.AddItem(broken);
            rig.addEntry(kGood, 3000);
            if (!brokenFirst) rig.form->List1.AddItem(broken);

            rig.play();
            EXPECT_FALSE(rig.form->advancing());
            EXPECT_EQ(rig.opened().last(), kGood);
            EXPECT_TRUE(rig.mci->isPlaying());
            EXPECT_TRUE(noneTwice(rig.opened()));
            EXPECT_EQ(rig.status(), nowPlaying(QStringLiteral("good.wav")));
            EXPECT_EQ(rig.flags(), TransportFlags::parse("0 11 1 01"));
            EXPECT_EQ(rig.focus(), rig.form->Command3.widget());
            rig.playSeconds(2);
            EXPECT_EQ(rig.form->Label2.Caption(), QStringLiteral("00:02"));
            EXPECT_TRUE(rig.lastResort.numbers.empty());
        }
    }
}

TEST(BrokenEntries, AnAdvanceOverAFullPlaylistOfBrokenEntriesKeepsTheWindowAnswering) {
    constexpr int kEntries = forms::ListBox::kMaxEntries;
    PlayerRig rig;
    rig.mci->setCommandBudget(4 * kEntries);
    addUnplayableEntries(rig, kEntries);
    // What the real device takes to refuse a file its decoder must look at.
    rig.mci->setOpenTime(15);

    rig.click(rig.form->Command2);
    ASSERT_TRUE(rig.form->advancing());
    Heartbeat click(*rig.mci);
    const int turns = rig.settle();

    // A click is answered between any two tries, never after many.
    EXPECT_LE(click.longestGapMs(), 100);
    EXPECT_GE(click.beats(), turns);
    // Within the bound: no entry opened twice, a few picks per entry.
    const QStringList opened = rig.opened();
    EXPECT_LE(opened.size(), kEntries);
    EXPECT_GT(opened.size(), kEntries / 2);
    EXPECT_TRUE(noneTwice(opened));
    EXPECT_LE(forms::RndProbe::drawsSinceStart(), 3 * kEntries);
    expectStoppedWith(rig, kNothingPlayable);
}

TEST(BrokenEntries, TheUsersCommandsEndTheAdvance) {
    constexpr int kBroken = 40;
    // Forty broken entries and a good one behind them, which the first few
    // picks of 41 do not reach. The advance is three tries in when the user
    // steps in.
    auto startAdvance = [](PlayerRig& rig) {
        addUnplayableEntries(rig, kBroken);
        rig.addEntry(kGood, 60000);
        rig.click(rig.form->Command2);
        turn();
        turn();
        ASSERT_TRUE(rig.form->advancing());
        ASSERT_FALSE(rig.mci->isOpen());
        ASSERT_EQ(rig.opened().size(), 3);
    };
    // Nothing the advance queued does anything any more.
    auto expectOver = [](PlayerRig& rig) {
        EXPECT_FALSE(rig.form->advancing());
        const QStringList log = rig.mci->log();
        for (int i = 0; i < 5; ++i) turn();
        EXPECT_EQ(rig.mci->log(), log);
        EXPECT_TRUE(rig.lastResort.numbers.empty());
    };
    {
        SCOPED_TRACE("Stop");
        PlayerRig rig;
        startAdvance(rig);
        rig.stop();
        expectOver(rig);
        EXPECT_EQ(rig.status(), kStoppedText);
        EXPECT_EQ(rig.flags(), TransportFlags::parse("1 10 1 01"));
    }
    {
        SCOPED_TRACE("Pause");
        PlayerRig rig;
        startAdvance(rig);
        rig.pause();
        expectOver(rig);
        EXPECT_EQ(rig.status(), kPausedText);
        EXPECT_EQ(rig.flags(), TransportFlags::parse("0 00 1 11"));
    }
    {
        SCOPED_TRACE("Open with a file chosen");
        PlayerRig rig;
        startAdvance(rig);
        rig.mci->addFile(QStringLiteral("/music/chosen.ogg"), 30000);
        rig.open(QStringLiteral("/music/chosen.ogg"));
        expectOver(rig);
        EXPECT_TRUE(rig.mci->isPlaying());
        EXPECT_EQ(rig.mci->FileName(), QStringLiteral("/music/chosen.ogg"));
        EXPECT_EQ(rig.status(), nowPlaying(QStringLiteral("chosen.ogg")));
    }
    {
        SCOPED_TRACE("Double-click on the good entry");
        PlayerRig rig;
        startAdvance(rig);
        rig.doubleClick(kBroken);
        expectOver(rig);
        EXPECT_TRUE(rig.mci->isPlaying());
        EXPECT_EQ(rig.mci->FileName(), kGood);
    }
    {
        SCOPED_TRACE("a cancelled Open changes nothing; Play then starts afresh");
        PlayerRig rig;
        startAdvance(rig);
        rig.cancelOpen();
        EXPECT_TRUE(rig.form->advancing()) << "the advance goes on";
        rig.click(rig.form->Command2);
        // One advance, not two: one try a turn.
        for (int i = 0; i < 10 && rig.form->advancing(); ++i) {
            const qsizetype before = rig.opened().size();
            turn();
            EXPECT_LE(rig.opened().size() - before, 1);
        }
        rig.settle();
        EXPECT_TRUE(rig.lastResort.numbers.empty());
    }
}

TEST(BrokenEntries, TheAdvanceFollowsEditsOfThePlaylist) {
    {
        SCOPED_TRACE("entries removed and one added: only what the list holds is tried");
        PlayerRig rig;
        addUnplayableEntries(rig, 40);
        rig.click(rig.form->Command2);
        turn();
        ASSERT_TRUE(rig.form->advancing());
        rig.form->List1.Clear();
        rig.addEntry(kGood, 5000);
        rig.mci->clearLog();
        rig.settle();
        EXPECT_EQ(rig.opened(), QStringList{kGood});
        EXPECT_TRUE(rig.mci->isPlaying());
        EXPECT_EQ(rig.status(), nowPlaying(QStringLiteral("good.wav")));
    }
    {
        SCOPED_TRACE("the list emptied");
        PlayerRig rig;
        addUnplayableEntries(rig, 40);
        rig.click(rig.form->Command2);
        rig.form->List1.Clear();
        rig.settle();
        expectStoppedWith(rig, kStoppedText);
    }
}

// "42.mid" is what a missing section of the saved playlist restores.
TEST(BrokenEntries, AnEntryWithoutAFolderReachedByTheAdvanceIsPlayedOrPassedOverQuietly) {
    const QString bare = QStringLiteral("42.mid");
    const QString kA = QStringLiteral("/music/a.mp3");
    {
        SCOPED_TRACE("it plays");
        PlayerRig rig;
        rig.addEntry(kA, 2000);
        rig.addEntry(bare, 3000);
        rig.doubleClick(0);
        // The picks of two after a fresh start: 1, 1, 1, 0.
        rig.advance(2000);
        EXPECT_EQ(rig.mci->FileName(), bare);
        EXPECT_TRUE(rig.mci->isPlaying());
        EXPECT_EQ(rig.status(), nowPlaying(QStringLiteral("a.mp3"))) << "the status keeps its text";
        EXPECT_EQ(rig.flags(), TransportFlags::parse("0 11 1 00"));

        // Continuous play goes on: 42.mid twice more, then a.mp3.
        rig.playSeconds(9);
        EXPECT_EQ(rig.opened(), (QStringList{kA, bare, bare, bare, kA}));
        EXPECT_EQ(rig.status(), nowPlaying(QStringLiteral("a.mp3")));
        EXPECT_TRUE(rig.mci->isPlaying());
        EXPECT_TRUE(rig.lastResort.numbers.empty()) << "no error box";
    }
    {
        SCOPED_TRACE("it cannot be played");
        PlayerRig rig;
        rig.addEntry(kA, 2000);
        rig.mci->addUnplayableFile(bare);
        rig.form->List1.AddItem(bare);
        rig.doubleClick(0);
        rig.advance(2000);
        EXPECT_EQ(rig.opened(), (QStringList{kA, bare, kA}));
        EXPECT_TRUE(rig.mci->isPlaying());
        EXPECT_EQ(rig.status(), nowPlaying(QStringLiteral("a.mp3")));
        EXPECT_TRUE(rig.lastResort.numbers.empty()) << "no error box";
    }
}

TEST(BrokenEntries, WithoutASoundOutputPlayWaitsForItAndGoesOnWhenItComesBack) {
    PlayerRig rig;
    rig.addEntry(kGood, 60000);
    rig.addEntry(QStringLiteral("/music/second.ogg"), 60000);
    rig.play();
    ASSERT_TRUE(rig.mci->isPlaying());

    // The sound server goes away while a track plays.
    rig.mci->loseOutput();
    rig.playSeconds(1);
    const auto expectWaiting = [&] {
        EXPECT_TRUE(rig.form->awaitingOutput());
        expectStoppedWith(rig, QStringLiteral("没有可用的声音输出"));
    };
    expectWaiting();
    // It waits as long as it takes, a try at a time, spending no picks:
    // nothing is wrong with the entries.
    for (int i = 0; i < 20; ++i) forms::TimerProbe::fire(rig.form->outputWait);
    expectWaiting();

    rig.mci->setOutputAvailable(true);
    forms::TimerProbe::fire(rig.form->outputWait);
    EXPECT_FALSE(rig.form->awaitingOutput());
    EXPECT_TRUE(rig.mci->isPlaying());
    EXPECT_EQ(rig.flags(), TransportFlags::parse("0 11 1 01"));
    EXPECT_TRUE(rig.status().startsWith(nowPlaying(QString())));

    // A track paused when it goes keeps its place until Resume.
    rig.pause();
    rig.mci->loseOutput();
    rig.playSeconds(3);
    EXPECT_EQ(rig.status(), kPausedText);
    rig.resume();
    rig.playSeconds(1);
    expectWaiting();

    // Stop ends the wait; Play with no output at all waits again.
    rig.stop();
    EXPECT_FALSE(rig.form->awaitingOutput());
    rig.click(rig.form->Command2);
    expectWaiting();
    rig.mci->setOutputAvailable(true);
    rig.play();
    EXPECT_TRUE(rig.mci->isPlaying());
    EXPECT_FALSE(rig.form->awaitingOutput());
}
