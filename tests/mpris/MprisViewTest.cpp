// What the desktop sees follows the window: the playback status, the track,
// what can be pressed and the volume are read from the window's carriers,
// and every change of them reaches the desktop as one PropertiesChanged per
// handler, with nothing sent when nothing it sees has changed.
#include <gtest/gtest.h>

#include <QDBusObjectPath>

#include "MprisRig.h"
#include "mpris/MprisNames.h"

namespace {
const QString kA = QStringLiteral("/music/a.mp3");
const QString kC = QStringLiteral("/music/c flac/c 曲.flac");

QString trackIdOf(const QVariant& metadata) {
    return metadata.toMap().value("mpris:trackid").value<QDBusObjectPath>().path();
}

// The desktop's view of the transport, as one line.
QString line(const QVariantMap& view) {
    const auto yes = [&](const char* property) { return QString::number(view[property].toBool()); };
    return view["PlaybackStatus"].toString() +
           QStringLiteral(" play %1 pause %2 next %3")
               .arg(yes("CanPlay"), yes("CanPause"), yes("CanGoNext")) +
           (trackIdOf(view["Metadata"]) == mpris::kNoTrack ? " no track" : "");
}
}  // namespace

TEST(MprisView, StatusAndButtonsFollowTheTransportWithOneSignalPerHandler) {
    MprisRig rig;
    rig.addEntry(kA, 60000);
    rig.addEntry(kC, 120000);
    QVariantMap view = rig.desktop->expectToldWhatChangedSince(rig.desktop->view());
    EXPECT_EQ(line(view), "Stopped play 1 pause 1 next 1 no track");
    rig.play();
    view = rig.desktop->expectToldWhatChangedSince(view);
    EXPECT_EQ(line(view), "Playing play 0 pause 1 next 0");
    const QVariant playing = view["Metadata"];
    rig.pause();
    view = rig.desktop->expectToldWhatChangedSince(view);
    EXPECT_EQ(line(view), "Paused play 1 pause 0 next 0");
    rig.resume();
    view = rig.desktop->expectToldWhatChangedSince(view);
    EXPECT_EQ(line(view), "Playing play 0 pause 1 next 0");
    EXPECT_EQ(view["Metadata"], playing) << "the same track goes on";
    rig.stop();
    view = rig.desktop->expectToldWhatChangedSince(view);
    EXPECT_EQ(line(view), "Stopped play 1 pause 0 next 1 no track");

    // Stop while paused leaves Resume offered: the desktop sees it paused.
    rig.play();
    rig.pause();
    rig.stop();
    EXPECT_EQ(line(rig.desktop->view()), "Paused play 1 pause 0 next 1 no track");
}

TEST(MprisView, MetadataNamesTheOpenTrackAndIsNewWithEveryStart) {
    MprisRig rig;
    rig.addEntry(kC, 120000);
    EXPECT_EQ(
        rig.desktop->get("Metadata").toMap(),
        (QVariantMap{{"mpris:trackid", QVariant::fromValue(QDBusObjectPath(mpris::kNoTrack))}}));

    rig.play();
    QVariantMap view = rig.desktop->view();
    const QVariantMap first = view["Metadata"].toMap();
    EXPECT_EQ(first.value("xesam:url"), "file:///music/c%20flac/c%20%E6%9B%B2.flac");
    // The name the status line shows.
    EXPECT_EQ(first.value("xesam:title"), "c 曲.flac");
    EXPECT_EQ(rig.status(), nowPlaying(first.value("xesam:title").toString()));
    EXPECT_EQ(first.value("mpris:length"), qlonglong(120000) * 1000);
    EXPECT_NE(trackIdOf(first), mpris::kNoTrack);
    rig.desktop->takeChanges();

    // The same entry again, by a double-click: another start, another id.
    rig.doubleClick(0);
    view = rig.desktop->expectToldWhatChangedSince(view);
    EXPECT_NE(trackIdOf(view["Metadata"]), trackIdOf(first));

    // The end starts a random entry (the same one): a new id, told, playing on.
    rig.playSeconds(3);
    EXPECT_EQ(rig.desktop->get("Position"), qlonglong(3000) * 1000);
    const QString second = trackIdOf(rig.desktop->expectToldWhatChangedSince(view)["Metadata"]);
    rig.mci->advance(117000);
    const QList<QVariantMap> changes = rig.desktop->takeChanges();
    view = rig.desktop->view();
    EXPECT_NE(trackIdOf(view["Metadata"]), second);
    EXPECT_EQ(view["Metadata"].toMap().value("xesam:url"), first.value("xesam:url"));
    ASSERT_FALSE(changes.isEmpty());
    EXPECT_EQ(changes.last().value("Metadata"), view["Metadata"]);
    EXPECT_EQ(line(view), "Playing play 0 pause 1 next 0");
}

TEST(MprisView, VolumeIsTheScrollBarBothWays) {
    MprisRig rig;
    QVariantMap view = rig.desktop->view();
    EXPECT_DOUBLE_EQ(view["Volume"].toDouble(), 10000.0 / 32767);
    // The user moves the scroll bar.
    rig.form->HScroll1.bar()->setValue(16384);
    view = rig.desktop->expectToldWhatChangedSince(view);
    EXPECT_DOUBLE_EQ(view["Volume"].toDouble(), 16384.0 / 32767);

    // The desktop sets it: rounded to the bar's steps, through its handler and
    // the hidden slider to the output; setting what it is tells nothing.
    const std::pair<double, int> cases[] = {
        {0.25, 8192}, {1.5, 32767}, {-0.5, 0}, {0.30518, 10000}, {10000.0 / 32767, 10000}};
    for (const auto& [set, value] : cases) {
        SCOPED_TRACE(set);
        EXPECT_EQ(rig.desktop->set("Volume", set).type(), QDBusMessage::ReplyMessage);
        EXPECT_EQ(rig.form->HScroll1.Value(), value);
        EXPECT_EQ(rig.form->HScroll1.bar()->value(), value);
        ASSERT_TRUE(rig.form->vsVolume) << rig.form->componentError().toStdString();
        EXPECT_EQ(rig.form->vsVolume->get(1745027073).toInt32(), value);
        view = rig.desktop->expectToldWhatChangedSince(view);
        EXPECT_DOUBLE_EQ(view["Volume"].toDouble(), value / 32767.0);
    }
}

TEST(MprisView, TheClockAndTheStripsTellTheDesktopNothing) {
    MprisRig rig;
    rig.addEntry(kA, 60000);
    rig.play();
    rig.desktop->takeChanges();
    const QVariantMap view = rig.desktop->view();
    rig.playSeconds(5);
    for (int i = 0; i < 20; ++i) forms::TimerProbe::fire(rig.form->Timer1);
    EXPECT_EQ(rig.form->Label2.Caption(), "00:05");
    rig.desktop->expectToldWhatChangedSince(view);
}
