// Files the desktop hands the player over the session bus, on the command
// line and in a drop (the launch and a drop from another program are in the
// end-to-end tests).
#include <gtest/gtest.h>

#include <QDBusMessage>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include "PrivateBus.h"
#include "SavedPlaylist.h"
#include "desktop/DesktopApplication.h"
#include "desktop/LaunchArguments.h"
#include "desktop/OneCopy.h"
#include "player/PlayerRig.h"

namespace {
QString uriOf(const QString& path) {
    return QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded);
}

// Empty files in a folder that goes away with the test.
struct Folder : QTemporaryDir {
    QString make(const QString& name) {
        const QString path = filePath(name);
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        return path;
    }
};

// The window on a private bus, as the program makes it, and a second
// connection for the desktop's side.
struct DesktopRig : PlayerRig {
    DesktopRig() : bus(PrivateBus::instance().connect()), desktop(bus) {
        desktop.attach(*form);
        EXPECT_EQ(desktop::claimOrHandOver(bus, {}, 1000), desktop::Launch::OnlyCopy);
    }
    ~DesktopRig() { PrivateBus::instance().disconnect(bus); }
    // Calls Open on the bus from the desktop's side, and lets the window
    // handle it.
    void openOverTheBus(const QStringList& uris) {
        const QDBusConnection other = PrivateBus::instance().connect();
        QDBusMessage call =
            QDBusMessage::createMethodCall(desktop::kApplicationName, desktop::kApplicationPath,
                                           desktop::kApplicationInterface, QStringLiteral("Open"));
        call << uris << QVariantMap();
        EXPECT_EQ(other.call(call, QDBus::BlockWithGui, 5000).type(), QDBusMessage::ReplyMessage);
        PrivateBus::instance().disconnect(other);
        QCoreApplication::sendPostedEvents();
    }
    QDBusConnection bus;
    DesktopApplication desktop;
};
}  // namespace

TEST(HandedFiles, OpenOverTheBusOpensTheFirstAndAppendsTheOthers) {
    Folder folder;
    const QString a = folder.make(QStringLiteral("一.wav")),
                  b = folder.make(QStringLiteral("b.ogg")),
                  c = folder.make(QStringLiteral("c d.mp3"));
    {
        SCOPED_TRACE("one file: as Open with it chosen");
        DesktopRig rig;
        rig.mci->addFile(a, 5000);
        rig.addEntry(QStringLiteral("/m/old.mp3"), 5000);
        rig.openOverTheBus({uriOf(a)});
        EXPECT_EQ(rig.form->List1.texts().all(), (QStringList{QStringLiteral("/m/old.mp3"), a}));
        EXPECT_TRUE(
            rig.shows({.flags = "1 11 1 01", .status = nowPlaying("一.wav"), .playing = true}));
        EXPECT_EQ(rig.cdlg->timesShown(), 0) << "no dialog shows";
    }
    {
        SCOPED_TRACE("three files, and what is not a local file");
        DesktopRig rig;
        for (const QString& f : {a, b, c}) rig.mci->addFile(f, 5000);
        rig.openOverTheBus({uriOf(folder.path()), uriOf(a), QStringLiteral("http://host/x.mp3"),
                            uriOf(b), uriOf(folder.filePath(QStringLiteral("gone.mp3"))),
                            uriOf(c)});
        EXPECT_EQ(rig.form->List1.texts().all(), (QStringList{a, b, c}));
        EXPECT_EQ(rig.mci->FileName(), a);
        EXPECT_TRUE(rig.mci->isPlaying());
        EXPECT_EQ(rig.form->List1.ListIndex(), -1) << "appending selects nothing";
    }
    {
        SCOPED_TRACE("a file that cannot be played, as Open tells it");
        DesktopRig rig;
        rig.mci->addUnplayableFile(a);
        rig.openOverTheBus({uriOf(a)});
        EXPECT_EQ(rig.form->List1.texts().all(), QStringList{a});
        EXPECT_TRUE(rig.shows({.flags = "1 10 1 01", .status = cannotPlay("一.wav")}));
    }
}

TEST(HandedFiles, WhatComesAfterTheWindowClosedLeavesItClosed) {
    Folder folder;
    const QString a = folder.make(QStringLiteral("a.wav"));
    DesktopRig rig;
    rig.mci->addFile(a, 5000);
    rig.form->close();
    rig.openOverTheBus({uriOf(a)});
    rig.desktop.activate();
    QCoreApplication::sendPostedEvents();
    EXPECT_FALSE(rig.form->isVisible()) << "a window shown again would keep the program alive";
    EXPECT_FALSE(rig.mci->isOpen());
    EXPECT_EQ(rig.form->List1.ListCount(), 0);
}

TEST(HandedFiles, ADropAppendsFilesAndTheAudioFilesOfAFolderInPathOrder) {
    Folder folder;
    const QString single = folder.make(QStringLiteral("single.flac"));
    const QString b = folder.make(QStringLiteral("album/b.mp3"));
    const QString a = folder.make(QStringLiteral("album/a.ogg"));
    const QString deep = folder.make(QStringLiteral("album/cd2/c.MID"));
    folder.make(QStringLiteral("album/cover.jpg"));
    folder.make(QStringLiteral("album/notes.txt"));
    PlayerRig rig;
    rig.addEntry(QStringLiteral("/m/old.mp3"), 5000);
    rig.form->List1.setListIndex(0);
    // What the window gets from a drop (a drop from another program, through
    // the display server, is in the end-to-end tests).
    rig.form->OLEDragDrop({QUrl::fromLocalFile(single),
                           QUrl::fromLocalFile(folder.filePath("album")),
                           QUrl(QStringLiteral("http://host/x.mp3"))});
    ASSERT_TRUE(QTest::qWaitFor([&] { return rig.form->List1.ListCount() > 1; }, 5000));
    EXPECT_EQ(rig.form->List1.texts().all(),
              (QStringList{QStringLiteral("/m/old.mp3"), single, a, b, deep}));
    EXPECT_EQ(rig.form->List1.ListIndex(), 0) << "the selection stays";
    EXPECT_FALSE(rig.mci->isOpen()) << "nothing plays";
    EXPECT_TRUE(rig.form->savedPlaylist().flush());
}

TEST(HandedFiles, TheCommandLineGivesAbsoluteUrisAndItsOwnOptions) {
    const QString here = QDir::currentPath();
    const LaunchArguments launch = LaunchArguments::parse(
        {QStringLiteral("ravelle"), QStringLiteral("a b.mp3"), QStringLiteral("/m/c.ogg"),
         QStringLiteral("file:///m/d.flac"), QStringLiteral("--"), QStringLiteral("--e.wav")});
    EXPECT_EQ(launch.ask, LaunchArguments::Ask::Run);
    EXPECT_EQ(launch.uris,
              (QStringList{uriOf(here + QStringLiteral("/a b.mp3")),
                           QStringLiteral("file:///m/c.ogg"), QStringLiteral("file:///m/d.flac"),
                           uriOf(here + QStringLiteral("/--e.wav"))}));
    EXPECT_EQ(LaunchArguments::parse({"ravelle", "x.mp3", "--version"}).ask,
              LaunchArguments::Ask::Version);
    const LaunchArguments wrong = LaunchArguments::parse({"ravelle", "--shuffle"});
    EXPECT_EQ(wrong.ask, LaunchArguments::Ask::Unknown);
    EXPECT_EQ(wrong.unknown, QStringLiteral("--shuffle"));
}
