// The desktop's player controls are the window's own buttons: a method presses
// its button only when a person at the window could, is answered once its
// handler has finished (a failure meeting a click's last resort), and the
// desktop then hears once of what changed. What a button does is the window's.
#include <QDBusObjectPath>
#include <QDialog>
#include <QFileInfo>
#include <QTemporaryFile>
#include <QUrl>
#include <array>

#include "MprisRig.h"

namespace {

// A file that is there, as the Open dialog only ever returns.
struct Chosen : QTemporaryFile {
    bool made = open();
    QString path = fileName(), uri = QUrl::fromLocalFile(path).toString();
};
const char* const kStates[] = {"Idle", "Playing", "Paused", "Stopped"};
}  // namespace

TEST(MprisMethods, EachPressesItsButtonOnlyWhenItCanBePressedAndTheDesktopHearsWhatChanged) {
    const Chosen chosen;
    const QVariant track = QVariant::fromValue(QDBusObjectPath("/org/ravelle/Ravelle/Track/1")),
                   at = qlonglong(5000000);
    // The button pressed in Idle, Playing, Paused and Stopped; "" for none.
    // Play is Resume where that is offered; PlayPause pauses what plays and
    // otherwise presses Resume or Play (so in Idle, where Pause could be
    // pressed with nothing playing, it starts playing); Next is Play's pick.
    const std::tuple<const char*, QVariantList, std::array<const char*, 4>> methods[] = {
        {"Play", {}, {"Play", "", "Resume", "Play"}},
        {"Pause", {}, {"Pause", "Pause", "", ""}},
        {"PlayPause", {}, {"Play", "Pause", "Resume", "Play"}},
        {"Stop", {}, {"Stop", "Stop", "Stop", "Stop"}},
        {"Next", {}, {"Play", "", "", "Play"}},
        {"OpenUri", {chosen.uri}, {"Open", "Open", "Open", "Open"}},
        {"Previous", {}, {"", "", "", ""}},
        {"Seek", {at}, {"", "", "", ""}},
        {"SetPosition", {track, at}, {"", "", "", ""}},
    };
    for (const auto& [method, arguments, button] : methods) {
        for (int s = 0; s < 4; ++s) {
            SCOPED_TRACE(std::string(method) + " in " + kStates[s]);
            MprisRig rig;
            rig.addEntry("/music/a.mp3", 60000);
            rig.mci->addFile(chosen.path, 30000);
            if (s != 0) rig.play();
            if (s == 2) rig.pause();
            if (s == 3) rig.stop();
            rig.pressed.clear();
            rig.desktop->takeChanges();
            const QVariantMap before = rig.desktop->view();

            const QDBusMessage reply = rig.desktop->call(method, arguments);
            EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage)
                << reply.errorMessage().toStdString();
            EXPECT_EQ(rig.pressed.join(' '), button[s]);
            if (rig.pressed == QStringList{"Open"}) EXPECT_TRUE(rig.opened().endsWith(chosen.path));
            EXPECT_EQ(rig.cdlg->timesShown(), 0) << "the desktop's file needs no dialog";
            rig.desktop->expectToldWhatChangedSince(before);
        }
    }
}

TEST(MprisMethods, ADialogHoldsTheCallsBackAndOnlyWhatTheOpenDialogCouldNotReturnIsAnError) {
    MprisRig rig;
    rig.addEntry("/music/a.mp3", 60000);
    const Chosen chosen;
    rig.mci->addFile(chosen.path, 30000);
    QDialog dialog(rig.form.get());
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.show();
    for (const char* method : {"Play", "PlayPause", "Pause", "Stop", "Next"})
        rig.desktop->call(method);
    rig.desktop->call("OpenUri", {chosen.uri});
    rig.desktop->set("Volume", 1.0);
    EXPECT_EQ(rig.pressed, QStringList{});
    EXPECT_EQ(rig.form->HScroll1.Value(), 10000) << "as it starts";
    dialog.hide();

    for (const QString& uri :
         {QStringLiteral("http://example.org/a.mp3"), QStringLiteral("file:///no/such/file.wav"),
          QUrl::fromLocalFile(QFileInfo(chosen.path).path()).toString(), QStringLiteral("a.mp3"),
          QString()}) {
        SCOPED_TRACE(uri.toStdString());
        const QDBusMessage reply = rig.desktop->call("OpenUri", {uri});
        EXPECT_EQ(reply.errorName(), "org.freedesktop.DBus.Error.InvalidArgs");
        EXPECT_FALSE(reply.errorMessage().isEmpty());
    }
    EXPECT_EQ(rig.cdlg->timesShown(), 0);
    // The next Open asks the user; with nothing in the way, a call goes
    // through, and a handler's failure meets the same last resort as a click's.
    rig.cancelOpen();
    EXPECT_EQ(rig.cdlg->timesShown(), 1);
    rig.desktop->call("Next");
    EXPECT_EQ(rig.pressed, (QStringList{"Open", "Play"}));
    rig.form->Command4.Click = [] { errors::raiseError(errors::InvalidProcedureCall); };
    EXPECT_EQ(rig.desktop->call("Stop").type(), QDBusMessage::ReplyMessage);
    EXPECT_EQ(rig.lastResort.numbers, std::vector<int>{errors::InvalidProcedureCall});
    rig.lastResort.numbers.clear();
}
