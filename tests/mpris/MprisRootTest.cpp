// Who the player is on the bus, the names two copies own, and what the desktop
// may do to the window: raise it, and close it the normal way, saving.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QSignalSpy>

#include "MprisRig.h"
#include "mpris/MprisNames.h"

namespace {
QVariant root(MprisRig& rig, const char* property) {
    return rig.desktop->get(property, mpris::kRootInterface);
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
    // The formats the player is made for, decoded by the packages it needs.
    for (const char* type :
         {"audio/mpeg", "audio/x-wav", "audio/x-flac", "audio/ogg", "audio/midi"})
        EXPECT_TRUE(types.contains(QString::fromLatin1(type))) << type;
    for (const QString& type : types) {
        EXPECT_TRUE(type.startsWith("audio/")) << type.toStdString();
        EXPECT_FALSE(type.startsWith("audio/x-raw")) << "raw samples are not a file type";
    }
    EXPECT_TRUE(std::is_sorted(types.begin(), types.end()));
    EXPECT_EQ(std::adjacent_find(types.begin(), types.end()), types.end()) << "each once";
}

TEST(MprisRoot, TwoCopiesBothOwnAName) {
    MprisRig first;
    EXPECT_EQ(grantedName(*first.session), mpris::kBusName);

    MprisRig second;
    const QString instance =
        mpris::kBusName + QStringLiteral(".instance%1").arg(QCoreApplication::applicationPid());
    EXPECT_EQ(grantedName(*second.session), instance);

    const QStringList names = first.desktopBus.interface()->registeredServiceNames();
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
    rig.desktop->call("Raise", {}, mpris::kRootInterface);
    EXPECT_FALSE(rig.form->isMinimized());
    EXPECT_TRUE(rig.form->isVisible());

    EXPECT_EQ(rig.desktop->call("Quit", {}, mpris::kRootInterface).type(),
              QDBusMessage::ReplyMessage);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !rig.form->isVisible(); }, 5000));
    EXPECT_TRUE(rig.config.readStore(QStringLiteral("ravelle")).contains("value=/music/kept.mp3"));
}
