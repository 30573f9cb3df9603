// The transport's commands from every state the user can reach, a file asked
// for that cannot be played, and the file-name function.
#include <gtest/gtest.h>

#include "PlayerRig.h"

namespace {
const QString kA = QStringLiteral("/music/a.mp3");
const QString kB = QStringLiteral("/music/b.ogg");
const QString kC = QStringLiteral("/music/c.flac");
const QString kNew = QStringLiteral("/music/new.wav");
// What a damaged saved playlist restores: a name with no folder, which plays
// but whose status text cannot be built.
const QString kBare = QStringLiteral("42.mid");

// One step of the user's, by name; "open" chooses kNew, "dblclick" is on
// the first entry and "dblclick-none" with nothing selected.
void step(PlayerRig& rig, const QString& name) {
    if (name == u"open") rig.open(kNew);
    if (name == u"cancel") rig.cancelOpen();
    if (name == u"play") rig.play();
    if (name == u"pause") rig.pause();
    if (name == u"stop") rig.stop();
    if (name == u"resume") rig.resume();
    if (name == u"dblclick") rig.doubleClick(0);
    if (name == u"dblclick-none") rig.doubleClick(-1);
    if (name == u"clear") rig.form->List1.Clear();
}

// Three entries, the first selected, or with "bare" first kBare alone; then
// the user's steps. A fresh start picks c.flac first and b.ogg second.
void reach(PlayerRig& rig, const QString& steps) {
    if (steps.startsWith(u"bare")) {
        rig.addEntry(kBare, 30000);
    } else {
        rig.addEntry(kA, 60000);
        rig.addEntry(kB, 90000);
        rig.addEntry(kC, 120000);
    }
    rig.form->List1.setListIndex(0);
    rig.mci->addFile(kNew, 30000);
    for (const QString& name : steps.split(u' ', Qt::SkipEmptyParts)) step(rig, name);
}

struct Row {
    const char* from;  // the steps that reach the state
    const char* command;
    const char* flags;  // Play | Pause shown, enabled | Stop | Resume shown, enabled
    QStringList sent;
    QString status;
    bool playing, open;  // the device's
    char focus;          // on Command1, 2, 3 or 5
    bool timeReset;      // Label2 back to "00:00" and Label5 empty
    bool markerBack;     // Command6 back to 80
};

forms::CommandButton& button(Form1& form, char which) {
    forms::CommandButton* const buttons[] = {&form.Command1, &form.Command2, &form.Command3,
                                             nullptr, &form.Command5};
    return *buttons[which - '1'];
}

const QString kClose = QStringLiteral("close");
const QString kPlay = QStringLiteral("play");
QString openOf(const QString& path) { return QStringLiteral("open ") + path; }

QList<Row> transitionTable() {
    const QStringList openNew = {kClose, openOf(kNew), kPlay};
    const QStringList dblA = {kClose, openOf(kA), kPlay};
    const QStringList bareStarts = {kClose, openOf(kBare), kPlay};
    const QStringList stopClose = {QStringLiteral("stop"), kClose};
    const QStringList pause = {QStringLiteral("pause")};
    const QString playingC = nowPlaying(QStringLiteral("c.flac"));
    const QString playingNew = nowPlaying(QStringLiteral("new.wav"));
    const QString playingA = nowPlaying(QStringLiteral("a.mp3"));
    // A command a state lacks is one its flags, checked in the row that
    // reached it, leave unusable.
    // clang-format off
    return {
        // Idle: every button but Resume usable, nothing open.
        {"", "open", "1 11 1 01", openNew, playingNew, true, true, '2', true, true},
        {"", "cancel", "1 11 1 01", {}, QString(), false, false, '2', false, false},
        {"", "play", "0 11 1 01", {kClose, openOf(kC), kPlay}, playingC, true, true, '3', true, false},
        {"", "pause", "0 00 1 11", pause, kPausedText, false, false, '5', false, false},
        {"", "stop", "1 10 1 01", stopClose, kStoppedText, false, false, '2', true, true},
        {"", "dblclick", "0 11 1 00", dblA, playingA, true, true, '3', true, false},

        // Playing c.flac, started by Play.
        {"play", "open", "1 11 1 01", openNew, playingNew, true, true, '2', true, true},
        {"play", "cancel", "1 11 1 01", {}, playingC, true, true, '2', false, false},
        {"play", "pause", "0 00 1 11", pause, kPausedText, false, true, '5', false, false},
        {"play", "stop", "1 10 1 01", stopClose, kStoppedText, false, false, '2', true, true},
        {"play", "dblclick", "0 11 1 00", dblA, playingA, true, true, '3', true, false},
        // Open appends even a file the list already holds.
        {"open", "open", "1 11 1 01", openNew, playingNew, true, true, '2', true, true},

        // Paused in c.flac.
        {"play pause", "open", "1 00 1 11", openNew, playingNew, true, true, '2', true, true},
        {"play pause", "cancel", "1 00 1 11", {}, kPausedText, false, true, '2', false, false},
        {"play pause", "stop", "1 10 1 11", stopClose, kStoppedText, false, false, '2', true, true},
        {"play pause", "resume", "0 11 1 00", {kPlay}, playingC, true, true, '3', false, false},
        {"play pause", "dblclick", "0 11 1 00", dblA, playingA, true, true, '3', true, false},
        // With no entry selected the device is closed and nothing opens.
        {"play pause", "dblclick-none", "0 11 1 00", {kClose}, kPausedText, false, false, '3', true, false},

        // Stopped after c.flac; the next pick from three is b.ogg.
        {"play stop", "open", "1 10 1 01", openNew, playingNew, true, true, '2', true, true},
        {"play stop", "cancel", "1 10 1 01", {}, kStoppedText, false, false, '2', false, false},
        {"play stop", "play", "0 11 1 01", {kClose, openOf(kB), kPlay}, nowPlaying("b.ogg"), true, true, '3', true, false},
        {"play stop", "stop", "1 10 1 01", stopClose, kStoppedText, false, false, '2', true, true},
        {"play stop", "dblclick", "0 11 1 00", dblA, playingA, true, true, '3', true, false},

        // Stopped while paused: Resume stays in front of a disabled Pause.
        // It plays nothing on the closed device, yet shows the file the
        // device still names.
        {"play pause stop", "resume", "0 11 1 00", {kPlay}, playingC, false, false, '3', false, false},
        // Paused before anything opened: the device names no file, so
        // Resume ends at the status text, after its "play". A double-click
        // is a way out.
        {"pause", "resume", "0 00 1 11", {kPlay}, kPausedText, false, false, '5', false, false},
        {"pause resume", "dblclick", "0 11 1 00", dblA, playingA, true, true, '3', true, false},
        // An empty playlist has nothing to pick: the steps before the pick
        // stand.
        {"open pause cancel clear", "play", "1 10 1 11", {kClose}, kPausedText, false, false, '2', true, false},

        // The entry without a folder plays, and the status keeps its text.
        {"bare", "play", "1 11 1 01", bareStarts, QString(), true, true, '1', true, false},
        {"bare pause cancel", "play", "1 10 1 11", bareStarts, kPausedText, true, true, '2', true, false},
        {"bare play pause", "resume", "0 00 1 11", {kPlay}, kPausedText, true, true, '5', false, false},
        {"bare stop", "dblclick", "0 11 1 00", bareStarts, kStoppedText, true, true, '3', true, false},
    };
    // clang-format on
}
}  // namespace

TEST(Transport, EveryCommandFromEveryStateFollowsTheTransitionTable) {
    for (const Row& row : transitionTable()) {
        SCOPED_TRACE(std::string(row.command) + " after \"" + row.from + '"');
        PlayerRig rig;
        reach(rig, QString::fromUtf8(row.from));
        Form1& form = *rig.form;
        const QString command = QString::fromUtf8(row.command);
        // Pretend some seconds were counted and the marker moved on, so the
        // resets show.
        form.Label5.setCaption(QStringLiteral("7"));
        form.Label2.setCaption(QStringLiteral("00:07"));
        form.Command6.setLeft(1000);
        QStringList entries = rig.entries();
        const int selected = form.List1.ListIndex();
        const int dialogs = rig.cdlg->timesShown();
        rig.mci->clearLog();

        step(rig, command);

        EXPECT_TRUE(rig.shows({.flags = row.flags,
                               .status = row.status,
                               .playing = row.playing,
                               .open = row.open,
                               .focus = &button(form, row.focus),
                               .clock = row.timeReset ? "00:00" : "00:07",
                               .marker = row.markerBack ? 80.f : 1000.f}));
        EXPECT_EQ(rig.mci->log(), row.sent);
        EXPECT_EQ(form.Label5.Caption(), row.timeReset ? QString() : QStringLiteral("7"));
        if (command == u"open") entries << kNew;
        EXPECT_EQ(rig.entries(), entries) << "Open appends the file; nothing else edits the list";
        if (!command.startsWith(u"dblclick"))
            EXPECT_EQ(form.List1.ListIndex(), selected) << "only a double-click selects";
        EXPECT_EQ(rig.cdlg->timesShown(),
                  dialogs + (command == u"open" || command == u"cancel" ? 1 : 0));
        EXPECT_TRUE(form.Command1.Visible() && form.Command1.Enabled()) << "Open is always usable";

        // A second later the clock has counted it if the track plays and
        // Pause is usable, and only then.
        rig.playSeconds(1);
        const int seconds = (row.timeReset ? 0 : 7) + (row.playing && row.flags[3] == '1');
        EXPECT_EQ(form.Label2.Caption(), QStringLiteral("00:0%1").arg(seconds));
    }
}

// A file the user asked for by name that cannot be played: the status line
// names it, nothing plays, nothing comes of it later, and the buttons are
// those of the stopped player, from whichever state the command came.
TEST(Transport, OpenOrADoubleClickOnAFileThatCannotBePlayedEndsStopped) {
    const QString path = QStringLiteral("/music/坏 文件.mp3");
    for (qint32 kind : kBrokenLengths) {
        for (const char* from : {"", "play pause"}) {
            SCOPED_TRACE(::testing::Message() << "length " << kind << " after \"" << from << '"');
            PlayerRig rig;
            reach(rig, QString::fromUtf8(from));
            rig.addFile(path, kind);
            for (bool byOpen : {true, false}) {  // the double-click is on what Open added
                rig.form->Command6.setLeft(1000);
                rig.form->Label2.setCaption(QStringLiteral("00:07"));
                rig.mci->clearLog();
                byOpen ? rig.open(path) : rig.doubleClick(3);
                EXPECT_EQ(rig.entries().mid(3), QStringList{path}) << "kept in the playlist";
                EXPECT_FALSE(rig.form->advancing()) << "the user asked for this one file";
                for (int seconds : {0, 3}) {
                    rig.playSeconds(seconds);
                    EXPECT_EQ(rig.opened(), QStringList{path});
                    EXPECT_TRUE(rig.shows({.flags = byOpen ? "1 10 1 01" : "1 10 1 00",
                                           .status = cannotPlay(QStringLiteral("坏 文件.mp3")),
                                           .open = false,
                                           .focus = &rig.form->Command2,
                                           .clock = "00:00",
                                           .marker = 80}));
                }
            }
        }
    }
}

// The names shown elsewhere are the common case; here the odd ones.
TEST(FileName, IsThePartBehindTheLastSeparatorAndWithoutOneAnInvalidArgument) {
    PlayerRig rig(false);
    EXPECT_EQ(rig.form->nam(QStringLiteral("/music/C:\\old\\x.mid")),
              QStringLiteral("C:\\old\\x.mid"));
    EXPECT_EQ(rig.form->nam(QStringLiteral("/music/odd/")), QString());
    for (const char* path : {"42.mid", "", "C:\\old\\x.mid"}) {
        int number = 0;
        try {
            rig.form->nam(QString::fromUtf8(path));
        } catch (const errors::RuntimeError& e) {
            number = e.number();
        }
        EXPECT_EQ(number, int(errors::InvalidProcedureCall)) << path;
    }
}
