// Who the player is on the bus, the names two copies own, and what the
// desktop may do to the window: raise it, and close it the normal way so
// the playlist is saved.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QSignalSpy>

#include "MprisRig.h"
#include "mpris/MprisNames.h"

namespace {
QVariant root(MprisRig& rig, const char* property) {
    return rig.desktop->get(mpris::kRootInterface, QString::fromLatin1(property));
}

// Waits, through the event loop, until the session owns a name.
QString grantedName(MprisSession& session) {
    if (session.busName().isEmpty()) {
        QSignalSpy granted(&session, &MprisSession::nameGranted);
        granted.wait(10000);
    }
    return session.busName();
}
}  // namespace

TEST(MprisRoot, IdentityAndWhatThePlayerOffers) {
    MprisRig rig;
    EXPECT_EQ(root(rig, "Identity"), "ravelle");
    EXPECT_EQ(root(rig, "DesktopEntry"), "org.ravelle.Ravelle");
    EXPECT_EQ(root(rig, "CanQuit"), true);
    EXPECT_EQ(root(rig, "CanRaise"), true);
    EXPECT_EQ(root(rig, "HasTrackList"), false);
    EXPECT_EQ(root(rig, "SupportedUriSchemes"), QStringList{"file"});
    EXPECT_EQ(rig.desktop->get("CanSeek"), false);
    EXPECT_EQ(rig.desktop->get("CanGoPrevious"), false);
    EXPECT_EQ(rig.desktop->get("CanControl"), true);
    EXPECT_EQ(rig.desktop->get("Rate"), 1.0);
}

TEST(MprisRoot, MimeTypesAreWhatTheInstalledDecodersTakeIn) {
    MprisRig rig;
    const QStringList types = root(rig, "SupportedMimeTypes").toStringList();
    // The formats the player is made for, all decoded by the plugins the
    // package depends on.
    for (const char* type :
         {"audio/mpeg", "audio/x-wav", "audio/x-flac", "audio/ogg", "audio/midi"})
        EXPECT_TRUE(types.contains(QString::fromLatin1(type))) << type;
    for (const QString& type : types) {
        EXPECT_TRUE(type.startsWith("audio/")) << type.toStdString();
        EXPECT_FALSE(type.startsWith("audio/x-raw")) << "raw samples are not a file type";
    }
    QStringList sorted = types;
    sorted.removeDuplicates();
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(types, sorted);
}

TEST(MprisRoot, TwoCopiesBothOwnAName) {
    MprisRig first;
    EXPECT_EQ(grantedName(*first.session), mpris::kBusName);

    MprisRig second;
    const QString instance =
        mpris::kBusName + QStringLiteral(".instance%1").arg(QCoreApplication::applicationPid());
    EXPECT_EQ(grantedName(*second.session), instance);

    const QStringList names = first.desktop->names();
    EXPECT_TRUE(names.contains(mpris::kBusName));
    EXPECT_TRUE(names.contains(instance));

    // The well-known name reaches the first copy's window.
    MprisClient byName(first.desktopBus, mpris::kBusName);
    first.addEntry(QStringLiteral("/music/a.mp3"), 60000);
    byName.call(QStringLiteral("Next"));
    EXPECT_EQ(first.status(), nowPlaying(QStringLiteral("a.mp3")));
    EXPECT_EQ(second.status(), QString());
}

TEST(MprisRoot, RaiseBringsTheWindowBackAndQuitClosesItSavingThePlaylist) {
    MprisRig rig;
    rig.form->List1.AddItem(QStringLiteral("/music/kept.mp3"));
    rig.form->showMinimized();
    rig.desktop->call(mpris::kRootInterface, QStringLiteral("Raise"), {});
    EXPECT_FALSE(rig.form->isMinimized());
    EXPECT_TRUE(rig.form->isVisible());

    EXPECT_EQ(rig.desktop->call(mpris::kRootInterface, QStringLiteral("Quit"), {}).type(),
              QDBusMessage::ReplyMessage);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !rig.form->isVisible(); }, 5000));
    EXPECT_TRUE(rig.config.readStore(QStringLiteral("ravelle")).contains("value=/music/kept.mp3"));
}
