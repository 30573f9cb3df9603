// Who the player is on the bus, the names two copies own, and what the desktop
// may do to the window: raise it, and close it the normal way, saving.
#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QSignalSpy>

#include "MprisRig.h"

TEST(MprisRoot, WhatThePlayerOffersAndRaiseAndQuitThatCloseItSavingThePlaylist) {
    MprisRig rig;
    const auto root = [&](const char* name) {
        return rig.desktop->get(name, mpris::kRootInterface);
    };
    const std::pair<const char*, QVariant> rootValues[] = {
        {"Identity", "ravelle"}, {"DesktopEntry", "org.ravelle.Ravelle"},
        {"CanQuit", true},       {"CanRaise", true},
        {"HasTrackList", false}, {"SupportedUriSchemes", QStringList{"file"}}};
    for (const auto& [name, value] : rootValues) EXPECT_EQ(root(name), value) << name;
    const std::pair<const char*, QVariant> playerValues[] = {
        {"CanSeek", false}, {"CanGoPrevious", false}, {"CanControl", true}, {"Rate", 1.0}};
    for (const auto& [name, value] : playerValues) EXPECT_EQ(rig.desktop->get(name), value) << name;
    // The formats the player is made for, decoded by the packages it needs,
    // and only types of files.
    const QStringList types = root("SupportedMimeTypes").toStringList();
    for (const char* type :
         {"audio/mpeg", "audio/x-wav", "audio/x-flac", "audio/ogg", "audio/midi"})
        EXPECT_TRUE(types.contains(QString::fromLatin1(type))) << type;
    for (const QString& type : types)
        EXPECT_TRUE(type.startsWith("audio/") && !type.startsWith("audio/x-raw"))
            << type.toStdString();
    EXPECT_TRUE(std::is_sorted(types.begin(), types.end()));
    EXPECT_EQ(std::adjacent_find(types.begin(), types.end()), types.end()) << "each once";

    rig.form->List1.AddItem(QStringLiteral("/music/kept.mp3"));
    rig.form->showMinimized();
    rig.desktop->call("Raise", {}, mpris::kRootInterface);
    EXPECT_TRUE(rig.form->isVisible() && !rig.form->isMinimized());
    EXPECT_EQ(rig.desktop->call("Quit", {}, mpris::kRootInterface).type(),
              QDBusMessage::ReplyMessage);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !rig.form->isVisible(); }, 5000));
    EXPECT_TRUE(rig.config.readStore(QStringLiteral("ravelle")).contains("value=/music/kept.mp3"));
}

TEST(MprisRoot, TwoCopiesBothOwnANameAndTheWellKnownOneReachesTheFirst) {
    // Waits, through the event loop, until the session owns a name.
    const auto grantedName = [](MprisSession& session) {
        QSignalSpy granted(&session, &MprisSession::nameGranted);
        if (session.busName().isEmpty()) granted.wait(10000);
        return session.busName();
    };
    MprisRig first;
    EXPECT_EQ(grantedName(*first.session), mpris::kBusName);
    MprisRig second;
    const QString instance =
        mpris::kBusName + QStringLiteral(".instance%1").arg(QCoreApplication::applicationPid());
    EXPECT_EQ(grantedName(*second.session), instance);
    const QStringList names = first.desktopBus.interface()->registeredServiceNames();
    EXPECT_TRUE(names.contains(mpris::kBusName) && names.contains(instance));

    MprisClient byName(first.desktopBus, mpris::kBusName);
    first.addEntry(QStringLiteral("/music/a.mp3"), 60000);
    byName.call(QStringLiteral("Next"));
    EXPECT_EQ(first.status(), nowPlaying(QStringLiteral("a.mp3")));
    EXPECT_EQ(second.status(), QString());
}
