// The transport: Open, Play, Pause, Stop, Resume and a double-click, from
// every state the user can be in, with the buttons' flags, the commands the
// device receives, the status line and the focus; the odd states the flags
// allow; a file asked for that cannot be played; and the file-name function.
#include <gtest/gtest.h>

#include "PlayerRig.h"

namespace {
const QString kA = QStringLiteral("/music/a.mp3");
const QString kB = QStringLiteral("/music/b.ogg");
const QString kC = QStringLiteral("/music/c.flac");
const QString kNew = QStringLiteral("/music/new.wav");

enum class State { Idle, Playing, Paused, Stopped };
enum class Command { OpenChosen, OpenCancelled, Play, Pause, Stop, Resume, DoubleClick };
const char* const kStateNames[] = {"Idle", "Playing", "Paused", "Stopped"};
const char* const kCommandNames[] = {
    "Open (file chosen)", "Open (cancelled)", "Play", "Pause", "Stop", "Resume", "Double-click"};
const char* nameOf(State s) { return kStateNames[int(s)]; }
const char* nameOf(Command c) { return kCommandNames[int(c)]; }

// Three entries, the first selected. A fresh start's generator picks entry
// 2 (c.flac) first and entry 1 (b.ogg) second from three.
void fillPlaylist(PlayerRig& rig) {
    rig.addEntry(kA, 60000);
    rig.addEntry(kB, 90000);
    rig.addEntry(kC, 120000);
    rig.form->List1.setListIndex(0);
    rig.mci->addFile(kNew, 30000);
}

void reach(PlayerRig& rig, State state) {
    if (state == State::Idle) return;
    rig.play();
    if (state == State::Paused) rig.pause();
    if (state == State::Stopped) rig.stop();
}

forms::CommandButton* buttonFor(Form1& form, Command command) {
    forms::CommandButton* const buttons[] = {&form.Command1, &form.Command1, &form.Command2,
                                             &form.Command3, &form.Command4, &form.Command5,
                                             nullptr};
    return buttons[int(command)];
}

void run(PlayerRig& rig, Command command) {
    switch (command) {
        case Command::OpenChosen:
            return rig.open(kNew);
        case Command::OpenCancelled:
            return rig.cancelOpen();
        case Command::DoubleClick:
            return rig.doubleClick(0);
        case Command::Play:
            return rig.play();
        default:
            return rig.click(*buttonFor(*rig.form, command));
    }
}

forms::CommandButton& focusTarget(Form1& form, char which) {
    return which == '2' ? form.Command2 : which == '3' ? form.Command3 : form.Command5;
}

struct Row {
    State from;
    Command command;
    bool usable;
    const char* flags;  // Play | Pause shown, enabled | Stop | Resume shown, enabled
    QStringList sent;
    QString status;
    bool playing;
    bool open;
    char focus;       // '2' Play, '3' Pause, '5' Resume
    bool timeReset;   // Label2 back to "00:00" and Label5 empty
    bool markerBack;  // Command6 back to 80
};

Row unusable(State from, Command command) { return {from, command, false, "", {}, {}}; }

const QString kClose = QStringLiteral("close");
const QString kPlay = QStringLiteral("play");
QString openOf(const QString& path) { return QStringLiteral("open ") + path; }

QList<Row> transitionTable() {
    const QStringList openNew = {kClose, openOf(kNew), kPlay};
    const QStringList dblA = {kClose, openOf(kA), kPlay};
    const QStringList stopClose = {QStringLiteral("stop"), kClose};
    const QStringList pause = {QStringLiteral("pause")};
    const QString playingC = nowPlaying(QStringLiteral("c.flac"));
    using S = State;
    using C = Command;
    // clang-format off
    return {
        // Idle: every button but Resume usable, nothing open.
        {S::Idle, C::OpenChosen,    true, "1 11 1 01", openNew, nowPlaying("new.wav"), true, true, '2', true, true},
        {S::Idle, C::OpenCancelled, true, "1 11 1 01", {}, QString(), false, false, '2', false, false},
        {S::Idle, C::Play,          true, "0 11 1 01", {kClose, openOf(kC), kPlay}, playingC, true, true, '3', true, false},
        {S::Idle, C::Pause,         true, "0 00 1 11", pause, kPausedText, false, false, '5', false, false},
        {S::Idle, C::Stop,          true, "1 10 1 01", stopClose, kStoppedText, false, false, '2', true, true},
        unusable(S::Idle, C::Resume),
        {S::Idle, C::DoubleClick,   true, "0 11 1 00", dblA, nowPlaying("a.mp3"), true, true, '3', true, false},

        // Playing c.flac, started by Play.
        {S::Playing, C::OpenChosen,    true, "1 11 1 01", openNew, nowPlaying("new.wav"), true, true, '2', true, true},
        {S::Playing, C::OpenCancelled, true, "1 11 1 01", {}, playingC, true, true, '2', false, false},
        unusable(S::Playing, C::Play),
        {S::Playing, C::Pause,         true, "0 00 1 11", pause, kPausedText, false, true, '5', false, false},
        {S::Playing, C::Stop,          true, "1 10 1 01", stopClose, kStoppedText, false, false, '2', true, true},
        unusable(S::Playing, C::Resume),
        {S::Playing, C::DoubleClick,   true, "0 11 1 00", dblA, nowPlaying("a.mp3"), true, true, '3', true, false},

        // Paused in c.flac.
        {S::Paused, C::OpenChosen,    true, "1 00 1 11", openNew, nowPlaying("new.wav"), true, true, '2', true, true},
        {S::Paused, C::OpenCancelled, true, "1 00 1 11", {}, kPausedText, false, true, '2', false, false},
        unusable(S::Paused, C::Play),
        unusable(S::Paused, C::Pause),
        {S::Paused, C::Stop,          true, "1 10 1 11", stopClose, kStoppedText, false, false, '2', true, true},
        {S::Paused, C::Resume,        true, "0 11 1 00", {kPlay}, playingC, true, true, '3', false, false},
        {S::Paused, C::DoubleClick,   true, "0 11 1 00", dblA, nowPlaying("a.mp3"), true, true, '3', true, false},

        // Stopped after c.flac; the next pick from three is b.ogg.
        {S::Stopped, C::OpenChosen,    true, "1 10 1 01", openNew, nowPlaying("new.wav"), true, true, '2', true, true},
        {S::Stopped, C::OpenCancelled, true, "1 10 1 01", {}, kStoppedText, false, false, '2', false, false},
        {S::Stopped, C::Play,          true, "0 11 1 01", {kClose, openOf(kB), kPlay}, nowPlaying("b.ogg"), true, true, '3', true, false},
        unusable(S::Stopped, C::Pause),
        {S::Stopped, C::Stop,          true, "1 10 1 01", stopClose, kStoppedText, false, false, '2', true, true},
        unusable(S::Stopped, C::Resume),
        {S::Stopped, C::DoubleClick,   true, "0 11 1 00", dblA, nowPlaying("a.mp3"), true, true, '3', true, false},
    };
    // clang-format on
}
}  // namespace

TEST(Transport, EveryCommandFromEveryStateFollowsTheTransitionTable) {
    for (const Row& row : transitionTable()) {
        SCOPED_TRACE(std::string(nameOf(row.command)) + " from " + nameOf(row.from));
        PlayerRig rig;
        fillPlaylist(rig);
        reach(rig, row.from);

        Form1& form = *rig.form;
        if (!row.usable) {
            forms::CommandButton* button = buttonFor(form, row.command);
            ASSERT_NE(button, nullptr);
            EXPECT_FALSE(button->Visible() && button->Enabled()) << "the button must not be usable";
            continue;
        }

        // Pretend some seconds were counted and the marker moved on, so the
        // resets show.
        form.Label5.setCaption(QStringLiteral("7"));
        form.Label2.setCaption(QStringLiteral("00:07"));
        form.Command6.setLeft(1000);
        const int entriesBefore = form.List1.ListCount();
        rig.mci->clearLog();

        run(rig, row.command);

        EXPECT_EQ(rig.flags(), TransportFlags::parse(row.flags));
        EXPECT_EQ(rig.mci->log(), row.sent);
        EXPECT_EQ(rig.status(), row.status);
        EXPECT_EQ(rig.mci->isPlaying(), row.playing);
        EXPECT_EQ(rig.mci->isOpen(), row.open);
        EXPECT_EQ(rig.focus(), focusTarget(form, row.focus).widget());
        EXPECT_EQ(form.Label2.Caption(),
                  row.timeReset ? QStringLiteral("00:00") : QStringLiteral("00:07"));
        EXPECT_EQ(form.Label5.Caption(), row.timeReset ? QString() : QStringLiteral("7"));
        EXPECT_FLOAT_EQ(form.Command6.Left(), row.markerBack ? 80 : 1000);
        EXPECT_EQ(form.List1.ListCount(),
                  entriesBefore + (row.command == Command::OpenChosen ? 1 : 0));
        EXPECT_TRUE(form.Command1.Visible() && form.Command1.Enabled()) << "Open is always usable";
    }
}

TEST(TransportOddStates, StopWhilePausedLeavesResumeInFrontOfADisabledPause) {
    PlayerRig rig;
    fillPlaylist(rig);
    rig.play();
    rig.pause();
    rig.stop();
    EXPECT_EQ(rig.flags(), TransportFlags::parse("1 10 1 11"));
    EXPECT_TRUE(rig.form->Command5.widget()->isVisibleTo(rig.form.get()));

    // Resume on the closed device: "play" goes nowhere, yet the flags and the
    // now-playing text for the file the device still names are set.
    rig.mci->clearLog();
    rig.resume();
    EXPECT_EQ(rig.mci->log(), QStringList{kPlay});
    EXPECT_FALSE(rig.mci->isPlaying());
    EXPECT_EQ(rig.mci->FileName(), kC);
    EXPECT_EQ(rig.status(), nowPlaying(QStringLiteral("c.flac")));
    EXPECT_EQ(rig.flags(), TransportFlags::parse("0 11 1 00"));
    EXPECT_EQ(rig.focus(), rig.form->Command3.widget());
}

TEST(TransportOddStates, PauseBeforeAnythingOpenedThenResumeStopsAtTheNowPlayingStep) {
    PlayerRig rig;
    fillPlaylist(rig);
    rig.pause();
    EXPECT_EQ(rig.mci->log(), QStringList{QStringLiteral("pause")});
    EXPECT_EQ(rig.flags(), TransportFlags::parse("0 00 1 11"));
    EXPECT_EQ(rig.status(), kPausedText);

    // The device names no file: the status text cannot be built, so Resume
    // ends there, after its "play", leaving the Paused flags and the focus.
    rig.mci->clearLog();
    rig.resume();
    EXPECT_EQ(rig.mci->log(), QStringList{kPlay});
    EXPECT_EQ(rig.status(), kPausedText);
    EXPECT_EQ(rig.flags(), TransportFlags::parse("0 00 1 11"));
    EXPECT_EQ(rig.focus(), rig.form->Command5.widget());

    // A double-click is a way out.
    rig.doubleClick(0);
    EXPECT_EQ(rig.flags(), TransportFlags::parse("0 11 1 00"));
    EXPECT_TRUE(rig.mci->isPlaying());
}

TEST(TransportOddStates, DoubleClickWithNothingSelectedShowsPlayingWhileNothingPlays) {
    PlayerRig rig;
    fillPlaylist(rig);
    rig.play();
    rig.pause();
    rig.form->Label5.setCaption(QStringLiteral("12"));
    rig.form->Label2.setCaption(QStringLiteral("00:12"));
    rig.mci->clearLog();

    rig.doubleClick(-1);
    EXPECT_EQ(rig.mci->log(), QStringList{kClose});
    EXPECT_FALSE(rig.mci->isOpen());
    EXPECT_EQ(rig.flags(), TransportFlags::parse("0 11 1 00"));
    EXPECT_EQ(rig.status(), kPausedText) << "the status text keeps its value";
    EXPECT_EQ(rig.form->Label2.Caption(), QStringLiteral("00:00"));
    EXPECT_EQ(rig.form->Label5.Caption(), QString());
    EXPECT_EQ(rig.focus(), rig.form->Command3.widget());
}

// "42.mid" is what a damaged saved playlist restores: a name with no folder.
// It plays, but its status text cannot be built, and each command stops or
// skips exactly there.
TEST(TransportOddStates, AnEntryWithoutAFolderPlaysButLeavesTheStatusAsItWas) {
    const QString bare = QStringLiteral("42.mid");
    {
        SCOPED_TRACE("Play from Paused-with-nothing-open, Play made usable by a cancelled Open");
        PlayerRig rig;
        rig.addEntry(bare, 30000);
        rig.pause();
        rig.cancelOpen();
        ASSERT_EQ(rig.flags(), TransportFlags::parse("1 00 1 11"));
        rig.form->Label2.setCaption(QStringLiteral("00:07"));
        rig.form->Label5.setCaption(QStringLiteral("7"));
        rig.mci->clearLog();

        rig.play();
        EXPECT_EQ(rig.mci->log(), (QStringList{kClose, openOf(bare), kPlay}));
        EXPECT_TRUE(rig.mci->isPlaying());
        EXPECT_EQ(rig.form->Label2.Caption(), QStringLiteral("00:00"));
        EXPECT_EQ(rig.form->Label5.Caption(), QString());
        EXPECT_EQ(rig.status(), kPausedText);
        EXPECT_EQ(rig.flags(), TransportFlags::parse("1 10 1 11")) << "only Pause is shown";
        EXPECT_EQ(rig.focus(), rig.form->Command2.widget());
    }
    {
        SCOPED_TRACE("Resume while it is paused");
        PlayerRig rig;
        rig.addEntry(bare, 30000);
        rig.play();
        EXPECT_EQ(rig.flags(), TransportFlags::parse("1 11 1 01"));
        EXPECT_EQ(rig.status(), QString());
        rig.pause();
        ASSERT_FALSE(rig.mci->isPlaying());
        rig.mci->clearLog();

        rig.resume();
        EXPECT_EQ(rig.mci->log(), QStringList{kPlay});
        EXPECT_TRUE(rig.mci->isPlaying()) << "the playback continues";
        EXPECT_EQ(rig.status(), kPausedText);
        EXPECT_EQ(rig.flags(), TransportFlags::parse("0 00 1 11"));
    }
    {
        SCOPED_TRACE("Double-click on it");
        PlayerRig rig;
        rig.addEntry(bare, 30000);
        rig.stop();
        rig.mci->clearLog();

        rig.doubleClick(0);
        EXPECT_EQ(rig.mci->log(), (QStringList{kClose, openOf(bare), kPlay}));
        EXPECT_TRUE(rig.mci->isPlaying());
        EXPECT_EQ(rig.flags(), TransportFlags::parse("0 11 1 00"));
        EXPECT_EQ(rig.status(), kStoppedText);
        EXPECT_EQ(rig.focus(), rig.form->Command3.widget());
    }
}

TEST(TransportOddStates, APathEndingInTheSeparatorShowsThePrefixAlone) {
    PlayerRig rig;
    const QString folderLike = QStringLiteral("/music/odd/");
    rig.mci->addFile(folderLike, 5000);
    rig.open(folderLike);
    EXPECT_TRUE(rig.mci->isPlaying());
    EXPECT_EQ(rig.status(), QStringLiteral("正在播放.."));
}

TEST(TransportOpen, AppendsEvenADuplicateKeepsTheSelectionAndACancelChangesNothing) {
    PlayerRig rig;
    fillPlaylist(rig);
    rig.form->List1.setListIndex(1);

    rig.open(kA);
    ASSERT_EQ(rig.form->List1.ListCount(), 4);
    EXPECT_EQ(rig.form->List1.List(0), kA);
    EXPECT_EQ(rig.form->List1.List(3), kA) << "the same path again, as the last entry";
    EXPECT_EQ(rig.form->List1.ListIndex(), 1);
    EXPECT_EQ(rig.mci->FileName(), kA);
    EXPECT_TRUE(rig.mci->isPlaying());

    // Play stays usable after Open; Pause is still usable too.
    EXPECT_EQ(rig.flags(), TransportFlags::parse("1 11 1 01"));

    rig.playSeconds(3);
    const QString clock = rig.form->Label2.Caption();
    const float marker = rig.form->Command6.Left();
    rig.mci->clearLog();
    rig.cancelOpen();
    EXPECT_EQ(rig.cdlg->timesShown(), 2);
    EXPECT_EQ(rig.form->List1.ListCount(), 4);
    EXPECT_EQ(rig.form->List1.ListIndex(), 1);
    EXPECT_TRUE(rig.mci->log().isEmpty());
    EXPECT_TRUE(rig.mci->isPlaying());
    EXPECT_EQ(rig.mci->FileName(), kA);
    EXPECT_EQ(rig.form->Label2.Caption(), clock);
    EXPECT_FLOAT_EQ(rig.form->Command6.Left(), marker);
    EXPECT_EQ(rig.status(), nowPlaying(QStringLiteral("a.mp3")));
}

TEST(TransportPlay, IgnoresTheSelectionAndWithOneEntryAlwaysPlaysIt) {
    {
        PlayerRig rig;
        fillPlaylist(rig);
        rig.play();
        EXPECT_EQ(rig.opened(), QStringList{kC}) << "the generator's pick, not the selection";
        EXPECT_EQ(rig.form->List1.ListIndex(), 0);
    }
    PlayerRig rig;
    const QString only = QStringLiteral("/music/only.mp3");
    rig.addEntry(only, 10000);
    for (int i = 0; i < 20; ++i) {
        rig.play();
        EXPECT_EQ(rig.status(), nowPlaying(QStringLiteral("only.mp3")));
        rig.stop();
    }
    EXPECT_EQ(rig.opened(), QStringList(20, only));
}

TEST(TransportPlay, OnAnEmptyPlaylistNothingPlaysAndTheStepsBeforeThePickStand) {
    PlayerRig rig;
    rig.mci->addFile(kNew, 30000);
    rig.open(kNew);
    rig.playSeconds(3);
    rig.form->List1.Clear();
    rig.pause();
    rig.cancelOpen();
    ASSERT_EQ(rig.form->Label2.Caption(), QStringLiteral("00:03"));
    ASSERT_FALSE(rig.form->Command3.Visible());
    rig.mci->clearLog();

    rig.play();
    ASSERT_FALSE(rig.mci->log().isEmpty());
    EXPECT_EQ(rig.mci->log().first(), kClose);
    EXPECT_FALSE(rig.mci->isOpen());
    EXPECT_FALSE(rig.mci->isPlaying());
    EXPECT_TRUE(rig.form->Command3.Visible());
    EXPECT_EQ(rig.form->Label2.Caption(), QStringLiteral("00:00"));
    EXPECT_EQ(rig.form->Label5.Caption(), QString());
    rig.playSeconds(3);
}

// A file the user asked for by name that cannot be played: the status line
// names it, nothing plays, and the buttons are those of the stopped player,
// from whichever state the command came.
TEST(TransportUnplayable, OpenOrADoubleClickOnAFileThatCannotBePlayedEndsStopped) {
    enum class Kind { NotAudio, Missing, ZeroLength };
    enum class Via { Open, DoubleClick };
    const QString path = QStringLiteral("/music/坏 文件.mp3");
    for (Kind kind : {Kind::NotAudio, Kind::Missing, Kind::ZeroLength}) {
        for (Via via : {Via::Open, Via::DoubleClick}) {
            for (State from : {State::Idle, State::Paused}) {
                SCOPED_TRACE(::testing::Message() << "kind " << int(kind) << " via " << int(via)
                                                  << " from " << nameOf(from));
                PlayerRig rig;
                fillPlaylist(rig);
                reach(rig, from);
                if (kind == Kind::NotAudio) rig.mci->addUnplayableFile(path);
                if (kind == Kind::ZeroLength) rig.mci->addFile(path, 0);
                rig.form->Command6.setLeft(1000);
                rig.mci->clearLog();
                const char* flags = "";
                switch (via) {
                    case Via::Open:
                        rig.open(path);
                        EXPECT_EQ(rig.form->List1.List(3), path) << "kept in the playlist";
                        flags = "1 10 1 01";
                        break;
                    case Via::DoubleClick:
                        rig.form->List1.AddItem(path);
                        rig.doubleClick(3);
                        flags = "1 10 1 00";
                        break;
                }
                EXPECT_EQ(rig.opened(), QStringList{path});
                EXPECT_EQ(rig.status(), cannotPlay(QStringLiteral("坏 文件.mp3")));
                EXPECT_FALSE(rig.mci->isOpen());
                EXPECT_FALSE(rig.form->advancing()) << "the user asked for this one file";
                EXPECT_EQ(rig.flags(), TransportFlags::parse(flags));
                EXPECT_EQ(rig.focus(), rig.form->Command2.widget());
                EXPECT_FLOAT_EQ(rig.form->Command6.Left(), 80);
                EXPECT_EQ(rig.form->Label2.Caption(), QStringLiteral("00:00"));

                // Nothing comes of it later.
                rig.playSeconds(3);
                EXPECT_EQ(rig.opened(), QStringList{path});
                EXPECT_EQ(rig.form->Label2.Caption(), QStringLiteral("00:00"));
            }
        }
    }
}

TEST(FileName, IsThePartBehindTheLastSeparator) {
    PlayerRig rig(false);
    const std::pair<const char16_t*, const char16_t*> cases[] = {
        {u"/music/a.mp3", u"a.mp3"},
        {u"/a.mp3", u"a.mp3"},
        {u"a/b", u"b"},
        {u"/home/用户/音乐/周末 歌曲.mp3", u"周末 歌曲.mp3"},
        {u"/music/odd/", u""},
        {u"/", u""},
        {u"/music/x.y.z", u"x.y.z"},
        {u"/music/C:\\old\\x.mid", u"C:\\old\\x.mid"},
    };
    for (const auto& [path, name] : cases) {
        const QString text = QString::fromUtf16(path);
        EXPECT_EQ(rig.form->nam(text), QString::fromUtf16(name)) << text.toStdString();
        EXPECT_EQ(text, QString::fromUtf16(path)) << "the path itself is left alone";
    }
}

TEST(FileName, APathWithoutASeparatorIsAnInvalidArgument) {
    PlayerRig rig(false);
    for (const char* path : {"42.mid", "", "C:\\old\\x.mid", " "}) {
        int number = 0;
        try {
            rig.form->nam(QString::fromUtf8(path));
        } catch (const errors::RuntimeError& e) {
            number = e.number();
        }
        EXPECT_EQ(number, errors::InvalidProcedureCall) << '"' << path << '"';
    }
}
