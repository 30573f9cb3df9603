// What the desktop sees follows the window: the playback status, the track,
// what can be pressed and the volume are read from the window's carriers,
// and every change of them reaches the desktop as one PropertiesChanged
// per handler, with nothing sent when nothing it sees has changed.
#include <gtest/gtest.h>

#include <QDBusObjectPath>

#include "MprisRig.h"
#include "mpris/MprisNames.h"

namespace {
const QString kA = QStringLiteral("/music/a.mp3");
const QString kC = QStringLiteral("/music/c flac/c 曲.flac");

QString trackIdOf(const QVariantMap& metadata) {
    return metadata.value(QStringLiteral("mpris:trackid")).value<QDBusObjectPath>().path();
}

QVariantMap metadataOf(MprisRig& rig) {
    return rig.desktop->get(QStringLiteral("Metadata")).toMap();
}

// The desktop's view of the transport, as one line.
QString view(MprisRig& rig) {
    auto yes = [&](const char* property) {
        return rig.desktop->get(QString::fromLatin1(property)).toBool() ? '1' : '0';
    };
    return rig.desktop->get(QStringLiteral("PlaybackStatus")).toString() +
           QStringLiteral(" play %1 pause %2 next %3")
               .arg(yes("CanPlay"))
               .arg(yes("CanPause"))
               .arg(yes("CanGoNext"));
}
}  // namespace

TEST(MprisView, StatusAndButtonsFollowTheTransportWithOneSignalPerHandler) {
    MprisRig rig;
    rig.addEntry(kA, 60000);
    rig.addEntry(kC, 120000);
    EXPECT_EQ(view(rig), "Stopped play 1 pause 1 next 1");
    EXPECT_EQ(rig.desktop->takeChanges(), QList<QVariantMap>{});

    rig.play();
    EXPECT_EQ(view(rig), "Playing play 0 pause 1 next 0");
    QList<QVariantMap> changes = rig.desktop->takeChanges();
    ASSERT_EQ(changes.size(), 1);
    EXPECT_EQ(changes[0].keys(),
              (QStringList{"CanGoNext", "CanPlay", "Metadata", "PlaybackStatus"}));
    EXPECT_EQ(changes[0]["PlaybackStatus"], "Playing");
    EXPECT_EQ(changes[0]["CanPlay"], false);
    EXPECT_EQ(changes[0]["CanGoNext"], false);
    const QVariantMap playing = changes[0]["Metadata"].toMap();
    EXPECT_EQ(playing, metadataOf(rig));

    rig.pause();
    EXPECT_EQ(view(rig), "Paused play 1 pause 0 next 0");
    changes = rig.desktop->takeChanges();
    ASSERT_EQ(changes.size(), 1);
    EXPECT_EQ(changes[0],
              (QVariantMap{{"PlaybackStatus", "Paused"}, {"CanPlay", true}, {"CanPause", false}}));

    rig.resume();
    EXPECT_EQ(view(rig), "Playing play 0 pause 1 next 0");
    changes = rig.desktop->takeChanges();
    ASSERT_EQ(changes.size(), 1);
    EXPECT_EQ(changes[0],
              (QVariantMap{{"PlaybackStatus", "Playing"}, {"CanPlay", false}, {"CanPause", true}}));
    EXPECT_EQ(metadataOf(rig), playing) << "the same track goes on";

    rig.stop();
    EXPECT_EQ(view(rig), "Stopped play 1 pause 0 next 1");
    changes = rig.desktop->takeChanges();
    ASSERT_EQ(changes.size(), 1);
    EXPECT_EQ(changes[0]["PlaybackStatus"], "Stopped");
    EXPECT_EQ(trackIdOf(changes[0]["Metadata"].toMap()), mpris::kNoTrack);

    // Stop while paused leaves Resume offered: the desktop sees it paused.
    rig.play();
    rig.pause();
    rig.stop();
    EXPECT_EQ(view(rig), "Paused play 1 pause 0 next 1");
}

TEST(MprisView, MetadataNamesTheOpenTrackAndIsNewWithEveryStart) {
    MprisRig rig;
    rig.addEntry(kC, 120000);
    EXPECT_EQ(
        metadataOf(rig),
        (QVariantMap{{"mpris:trackid", QVariant::fromValue(QDBusObjectPath(mpris::kNoTrack))}}));

    rig.play();
    const QVariantMap first = metadataOf(rig);
    EXPECT_EQ(first.value("xesam:url"), "file:///music/c%20flac/c%20%E6%9B%B2.flac");
    // The name the status line shows.
    EXPECT_EQ(first.value("xesam:title"), "c 曲.flac");
    EXPECT_EQ(rig.status(), nowPlaying(first.value("xesam:title").toString()));
    EXPECT_EQ(first.value("mpris:length"), qlonglong(120000) * 1000);
    EXPECT_NE(trackIdOf(first), mpris::kNoTrack);
    rig.desktop->takeChanges();

    // The same entry again, by a double-click: another start, another id.
    rig.doubleClick(0);
    const QVariantMap second = metadataOf(rig);
    EXPECT_NE(trackIdOf(second), trackIdOf(first));
    QList<QVariantMap> changes = rig.desktop->takeChanges();
    ASSERT_EQ(changes.size(), 1);
    EXPECT_EQ(changes[0].keys(), QStringList{"Metadata"});

    // The end of the track starts a random entry (the same one): a new id,
    // told to the desktop, which sees it play on.
    rig.playSeconds(3);
    EXPECT_EQ(rig.desktop->get("Position"), qlonglong(3000) * 1000);
    rig.desktop->takeChanges();
    rig.mci->advance(117000);
    const QVariantMap third = metadataOf(rig);
    EXPECT_NE(trackIdOf(third), trackIdOf(second));
    EXPECT_EQ(third.value("xesam:url"), second.value("xesam:url"));
    changes = rig.desktop->takeChanges();
    ASSERT_FALSE(changes.isEmpty());
    EXPECT_EQ(changes.last().value("Metadata").toMap(), third);
    EXPECT_EQ(rig.desktop->get("PlaybackStatus"), "Playing");
}

TEST(MprisView, VolumeIsTheScrollBarBothWays) {
    MprisRig rig;
    EXPECT_DOUBLE_EQ(rig.desktop->get("Volume").toDouble(), 10000.0 / 32767);

    // The user moves the scroll bar.
    rig.form->HScroll1.bar()->setValue(16384);
    QList<QVariantMap> changes = rig.desktop->takeChanges();
    ASSERT_EQ(changes.size(), 1);
    EXPECT_DOUBLE_EQ(changes[0]["Volume"].toDouble(), 16384.0 / 32767);

    // The desktop sets it: rounded to the bar's steps, through its change
    // handler and the hidden slider to the output.
    struct Case {
        double set;
        int value;
    };
    for (const Case c : {Case{0.25, 8192}, Case{1.5, 32767}, Case{-0.5, 0}, Case{0.30518, 10000}}) {
        SCOPED_TRACE(c.set);
        EXPECT_EQ(rig.desktop->set("Volume", c.set).type(), QDBusMessage::ReplyMessage);
        EXPECT_EQ(rig.form->HScroll1.Value(), c.value);
        EXPECT_EQ(rig.form->HScroll1.bar()->value(), c.value);
        ASSERT_TRUE(rig.form->vsVolume) << rig.form->componentError().toStdString();
        EXPECT_EQ(rig.form->vsVolume->get(1745027073).toInt32(), c.value);
        changes = rig.desktop->takeChanges();
        ASSERT_EQ(changes.size(), 1);
        EXPECT_DOUBLE_EQ(changes[0]["Volume"].toDouble(), c.value / 32767.0);
    }
    // Setting what it already is changes nothing and tells nothing.
    rig.desktop->set("Volume", 10000.0 / 32767);
    EXPECT_EQ(rig.desktop->takeChanges(), QList<QVariantMap>{});
}

TEST(MprisView, TheClockAndTheStripsTellTheDesktopNothing) {
    MprisRig rig;
    rig.addEntry(kA, 60000);
    rig.play();
    rig.desktop->takeChanges();
    rig.playSeconds(5);
    for (int i = 0; i < 20; ++i) forms::TimerProbe::fire(rig.form->Timer1);
    EXPECT_EQ(rig.form->Label2.Caption(), "00:05");
    EXPECT_EQ(rig.desktop->takeChanges(), QList<QVariantMap>{});
}
