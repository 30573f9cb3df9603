// What the desktop sees follows the window: the playback status, the track,
// what can be pressed and the volume are read from the window's carriers,
// and every change of them reaches the desktop as one PropertiesChanged per
// handler, with nothing sent when nothing it sees has changed.
#include <QDBusObjectPath>

#include "MprisRig.h"

namespace {
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

TEST(MprisView, StatusButtonsTrackAndVolumeFollowTheWindowWithOneSignalPerHandler) {
    MprisRig rig;
    rig.addEntry(QStringLiteral("/music/c flac/c 曲.flac"), 120000);
    QVariantMap view = rig.desktop->expectToldWhatChangedSince(rig.desktop->view());
    EXPECT_EQ(line(view), "Stopped play 1 pause 1 next 1 no track");
    EXPECT_EQ(view["Metadata"].toMap().keys(), QStringList{"mpris:trackid"});
    EXPECT_DOUBLE_EQ(view["Volume"].toDouble(), 10000.0 / 32767);
    // The volume is the scroll bar, moved by the user, or set by the desktop:
    // rounded to the bar's steps, through its handler and the hidden slider
    // to the output; setting what it is tells nothing.
    rig.form->HScroll1.bar()->setValue(16384);
    view = rig.desktop->expectToldWhatChangedSince(view);
    EXPECT_DOUBLE_EQ(view["Volume"].toDouble(), 16384.0 / 32767);
    const std::pair<double, int> volumes[] = {
        {0.25, 8192}, {1.5, 32767}, {-0.5, 0}, {0.30518, 10000}, {10000.0 / 32767, 10000}};
    for (const auto& [set, value] : volumes) {
        SCOPED_TRACE(set);
        EXPECT_EQ(rig.desktop->set("Volume", set).type(), QDBusMessage::ReplyMessage);
        EXPECT_EQ(rig.form->HScroll1.bar()->value(), value);
        ASSERT_TRUE(rig.form->vsVolume) << rig.form->componentError().toStdString();
        EXPECT_EQ(rig.form->vsVolume->get(1745027073).toInt32(), value);
        view = rig.desktop->expectToldWhatChangedSince(view);
        EXPECT_DOUBLE_EQ(view["Volume"].toDouble(), value / 32767.0);
    }

    rig.play();
    view = rig.desktop->expectToldWhatChangedSince(view);
    EXPECT_EQ(line(view), "Playing play 0 pause 1 next 0");
    const QVariantMap first = view["Metadata"].toMap();
    EXPECT_EQ(first.value("xesam:url"), "file:///music/c%20flac/c%20%E6%9B%B2.flac");
    EXPECT_EQ(first.value("mpris:length"), qlonglong(120000) * 1000);
    EXPECT_EQ(first.value("xesam:title"), "c 曲.flac") << "the name the status line shows";
    EXPECT_EQ(rig.status(), nowPlaying("c 曲.flac"));
    rig.pause();
    view = rig.desktop->expectToldWhatChangedSince(view);
    EXPECT_EQ(line(view), "Paused play 1 pause 0 next 0");
    rig.resume();
    view = rig.desktop->expectToldWhatChangedSince(view);
    EXPECT_EQ(line(view), "Playing play 0 pause 1 next 0");
    EXPECT_EQ(view["Metadata"], first) << "the same track goes on";

    // The clock and the strips tell the desktop nothing.
    rig.playSeconds(3);
    for (int i = 0; i < 20; ++i) forms::TimerProbe::fire(rig.form->Timer1);
    EXPECT_EQ(rig.form->Label2.Caption(), "00:03");
    EXPECT_EQ(rig.desktop->get("Position"), qlonglong(3000) * 1000);
    view = rig.desktop->expectToldWhatChangedSince(view);

    // The same entry again, by a double-click: another start, another id.
    rig.doubleClick(0);
    view = rig.desktop->expectToldWhatChangedSince(view);
    const QString second = trackIdOf(view["Metadata"]);
    EXPECT_NE(second, trackIdOf(first));
    // The end starts a random entry (the same one): a new id, told, playing on.
    rig.mci->advance(120000);
    const QList<QVariantMap> changes = rig.desktop->takeChanges();
    view = rig.desktop->view();
    EXPECT_NE(trackIdOf(view["Metadata"]), second);
    EXPECT_EQ(view["Metadata"].toMap().value("xesam:url"), first.value("xesam:url"));
    ASSERT_FALSE(changes.isEmpty());
    EXPECT_EQ(changes.last().value("Metadata"), view["Metadata"]);
    EXPECT_EQ(line(view), "Playing play 0 pause 1 next 0");

    rig.stop();
    view = rig.desktop->expectToldWhatChangedSince(view);
    EXPECT_EQ(line(view), "Stopped play 1 pause 0 next 1 no track");
    // Stop while paused leaves Resume offered: the desktop sees it paused.
    rig.play();
    rig.pause();
    rig.stop();
    EXPECT_EQ(line(rig.desktop->view()), "Paused play 1 pause 0 next 1 no track");
}
