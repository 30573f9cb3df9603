// The desktop's player controls are the window's own buttons: every method,
// from every principal state, leaves the window exactly as the matching
// click does, and does nothing where no button could be pressed. A dialog
// or menu that holds the window holds the desktop off too, and a handler's
// failure meets the same last resort as a click's.
#include <gtest/gtest.h>

#include <QDBusObjectPath>
#include <QDialog>
#include <QFileInfo>
#include <QUrl>
#include <functional>

#include "FileOnDisk.h"
#include "MprisRig.h"

namespace {
const QString kA = QStringLiteral("/music/a.mp3");
const QString kB = QStringLiteral("/music/b.ogg");
const QString kC = QStringLiteral("/music/c.flac");

enum class State { Idle, Playing, Paused, Stopped };
constexpr State kStates[] = {State::Idle, State::Playing, State::Paused, State::Stopped};
const char* const kStateNames[] = {"Idle", "Playing", "Paused", "Stopped"};

// The window's buttons, as a method's counterpart; None: nothing to press.
enum class Button { None, Open, Play, Pause, Stop, Resume };

struct MethodCase {
    const char* method;
    // The button a person would press in Idle, Playing, Paused, Stopped.
    Button counterpart[4];
};

// Play is Play, or Resume where that is offered; PlayPause pauses what plays
// and otherwise presses the first of Resume, Play that is usable (so in Idle,
// where Pause could be pressed with nothing playing, it starts playing);
// Next a new pick with Play.
const MethodCase kMethods[] = {
    {"Play", {Button::Play, Button::None, Button::Resume, Button::Play}},
    {"Pause", {Button::Pause, Button::Pause, Button::None, Button::None}},
    {"PlayPause", {Button::Play, Button::Pause, Button::Resume, Button::Play}},
    {"Stop", {Button::Stop, Button::Stop, Button::Stop, Button::Stop}},
    {"Next", {Button::Play, Button::None, Button::None, Button::Play}},
    {"OpenUri", {Button::Open, Button::Open, Button::Open, Button::Open}},
    {"Previous", {Button::None, Button::None, Button::None, Button::None}},
    {"Seek", {Button::None, Button::None, Button::None, Button::None}},
    {"SetPosition", {Button::None, Button::None, Button::None, Button::None}},
};

// Three entries; the file to open is a real one the device also knows.
void prepare(PlayerRig& rig, const FileOnDisk& chosen) {
    rig.addEntry(kA, 60000);
    rig.addEntry(kB, 90000);
    rig.addEntry(kC, 120000);
    rig.form->List1.setListIndex(0);
    rig.mci->addFile(chosen.path(), 30000);
}

// No virtual time passes: the clock timer, which runs in real time once a
// notification has switched it on, stays off.
void reach(PlayerRig& rig, State state) {
    if (state == State::Idle) return;
    rig.play();
    if (state == State::Paused) rig.pause();
    if (state == State::Stopped) rig.stop();
}

// Everything a click can change, as text, so a difference reads plainly.
QString carriers(PlayerRig& rig) {
    Form1& f = *rig.form;
    QStringList parts;
    const TransportFlags flags = rig.flags();
    parts << QStringLiteral("flags %1 %2%3 %4 %5%6")
                 .arg(flags.play)
                 .arg(flags.pauseShown)
                 .arg(flags.pauseEnabled)
                 .arg(flags.stop)
                 .arg(flags.resumeShown)
                 .arg(flags.resumeEnabled);
    parts << QStringLiteral("status \"%1\"").arg(f.Label4.Caption());
    parts << QStringLiteral("clock \"%1\" seconds \"%2\" marker %3")
                 .arg(f.Label2.Caption(), f.Label5.Caption())
                 .arg(f.Command6.Left());
    QStringList entries;
    for (int i = 0; i < f.List1.ListCount(); ++i) entries << f.List1.List(i);
    parts << QStringLiteral("playlist [%1] selected %2")
                 .arg(entries.join(QStringLiteral(", ")))
                 .arg(f.List1.ListIndex());
    parts << QStringLiteral("device file \"%1\" open %2 playing %3 position %4")
                 .arg(f.mci.FileName())
                 .arg(f.mci.isOpen())
                 .arg(rig.mci->isPlaying())
                 .arg(f.mci.Position());
    parts << QStringLiteral("commands [%1]").arg(rig.mci->log().join(QStringLiteral(", ")));
    parts << QStringLiteral("focus %1")
                 .arg(f.focusWidget() ? f.focusWidget()->objectName() : QStringLiteral("none"));
    parts << QStringLiteral("volume %1").arg(f.HScroll1.Value());
    parts << QStringLiteral("errors %1").arg(rig.lastResort.numbers.size());
    return parts.join(u'\n');
}

void press(PlayerRig& rig, Button button, const FileOnDisk& chosen) {
    switch (button) {
        case Button::None:
            return;
        case Button::Open:
            rig.open(chosen.path());
            return;
        case Button::Play:
            return rig.play();
        case Button::Pause:
            return rig.pause();
        case Button::Stop:
            return rig.stop();
        case Button::Resume:
            return rig.resume();
    }
}

QVariantList argumentsOf(const QString& method, const FileOnDisk& chosen) {
    if (method == QLatin1String("OpenUri")) return {chosen.uri()};
    if (method == QLatin1String("Seek")) return {qlonglong(5000000)};
    if (method == QLatin1String("SetPosition"))
        return {
            QVariant::fromValue(QDBusObjectPath(QStringLiteral("/org/ravelle/Ravelle/Track/1"))),
            qlonglong(5000000)};
    return {};
}
}  // namespace

TEST(MprisMethods, EachMethodFromEachStateDoesWhatItsButtonDoes) {
    const FileOnDisk chosen(QStringLiteral("chosen.wav"));
    for (const MethodCase& m : kMethods) {
        for (int s = 0; s < 4; ++s) {
            SCOPED_TRACE(std::string(m.method) + " in " + kStateNames[s]);
            const QString method = QString::fromLatin1(m.method);

            QString before, byDesktop;
            {
                MprisRig rig;
                prepare(rig, chosen);
                reach(rig, kStates[s]);
                rig.mci->clearLog();
                before = carriers(rig);
                const QDBusMessage reply = rig.desktop->call(method, argumentsOf(method, chosen));
                EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage)
                    << reply.errorMessage().toStdString();
                byDesktop = carriers(rig);
                EXPECT_EQ(rig.cdlg->timesShown(), 0) << "the desktop's file needs no dialog";
            }

            QString byHand;
            {
                PlayerRig rig;
                prepare(rig, chosen);
                reach(rig, kStates[s]);
                rig.mci->clearLog();
                press(rig, m.counterpart[s], chosen);
                byHand = carriers(rig);
            }

            EXPECT_EQ(byDesktop, byHand);
            if (m.counterpart[s] == Button::None)
                EXPECT_EQ(byDesktop, before);
            else
                EXPECT_NE(byDesktop, before);
        }
    }
}

TEST(MprisMethods, NothingIsPressedWhileADialogOrMenuHoldsTheWindow) {
    MprisRig rig;
    rig.addEntry(kA, 60000);
    const QString idle = carriers(rig);

    QDialog dialog(rig.form.get());
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.show();
    for (const char* method : {"Play", "PlayPause", "Pause", "Stop", "Next"})
        rig.desktop->call(QString::fromLatin1(method));
    const FileOnDisk chosen(QStringLiteral("chosen.wav"));
    rig.mci->addFile(chosen.path(), 30000);
    rig.desktop->call(QStringLiteral("OpenUri"), {chosen.uri()});
    rig.desktop->set(QStringLiteral("Volume"), 1.0);
    EXPECT_EQ(carriers(rig), idle);
    // The handed-over file was taken back: the next Open asks the user.
    dialog.hide();

    rig.cancelOpen();
    EXPECT_EQ(rig.cdlg->timesShown(), 1);

    // The same call once nothing is in the way.
    rig.desktop->call(QStringLiteral("Next"));
    EXPECT_EQ(rig.status(), nowPlaying(QStringLiteral("a.mp3")));
}

TEST(MprisMethods, AFailingHandlerMeetsTheLastResortAndTheCallIsAnswered) {
    MprisRig rig;
    rig.form->Command4.Click = [] { errors::raiseError(errors::InvalidProcedureCall); };
    const QDBusMessage reply = rig.desktop->call(QStringLiteral("Stop"));
    EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage);
    EXPECT_EQ(rig.lastResort.numbers, std::vector<int>{errors::InvalidProcedureCall});
    rig.lastResort.numbers.clear();
}

TEST(MprisMethods, OpenUriRefusesWhatTheOpenDialogCouldNotReturn) {
    MprisRig rig;
    rig.addEntry(kA, 60000);
    const QString idle = carriers(rig);
    const FileOnDisk folderFile(QStringLiteral("x.wav"));
    const QString folderUri = QUrl::fromLocalFile(QFileInfo(folderFile.path()).path()).toString();
    for (const QString& uri :
         {QStringLiteral("http://example.org/a.mp3"), QStringLiteral("file:///no/such/file.wav"),
          folderUri, QStringLiteral("a.mp3"), QString()}) {
        SCOPED_TRACE(uri.toStdString());
        const QDBusMessage reply = rig.desktop->call(QStringLiteral("OpenUri"), {uri});
        EXPECT_EQ(reply.type(), QDBusMessage::ErrorMessage);
        EXPECT_EQ(reply.errorName(), QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs"));
        EXPECT_FALSE(reply.errorMessage().isEmpty());
    }
    EXPECT_EQ(carriers(rig), idle);
    EXPECT_EQ(rig.cdlg->timesShown(), 0);
}
