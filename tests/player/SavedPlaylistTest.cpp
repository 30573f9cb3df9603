// The playlist that survives restarts: what the exit writes, what the next
// start reads back, and stores that are damaged or cannot be written.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QTest>
#include <QTimer>
#include <csignal>
#include <memory>

#include "doubles/SimulatedForm1.h"
#include "forms/CloseOnSignals.h"
#include "forms/MessageBox.h"
#include "settings/SettingsStore.h"
#include "support/ModalWatcher.h"
#include "support/TempConfig.h"

namespace {
QStringList entries(const Form1& form) {
    QStringList list;
    for (int i = 0; i < form.List1.ListCount(); ++i) list << form.List1.List(i);
    return list;
}

// One run of the program: start, let the test act, close.
QStringList runOnce(const std::function<void(Form1&)>& act = {}) {
    SimulatedForm1 form;
    form.Show();
    const QStringList restored = entries(form);
    if (act) act(form);
    form.close();
    settings::closeAllStores();
    return restored;
}

QString stored(const QString& section) {
    return settings::SettingsStore(QStringLiteral("ravelle"))
        .get(section, QStringLiteral("value"), QStringLiteral("<absent>"));
}
}  // namespace

TEST(SavedPlaylist, AnEmptyListWritesACountOfZeroAndNoEntry) {
    TempConfig config;
    runOnce();
    EXPECT_EQ(stored(QStringLiteral("num")), QStringLiteral("0"));
    EXPECT_EQ(stored(QStringLiteral("0")), QStringLiteral("<absent>"));
    EXPECT_EQ(runOnce(), QStringList());
}

TEST(SavedPlaylist, EntriesComeBackExactlyAndInOrder) {
    TempConfig config;
    const QStringList tricky = {
        QStringLiteral("/home/用户/音乐/周末 歌曲.mp3"), QStringLiteral("/music/a=b;c#d.ogg"),
        QStringLiteral("/music/\"quoted\".wav"),         QStringLiteral("C:\\old\\style\\path.mid"),
        QStringLiteral("  /music/spaces around.flac  "), QStringLiteral("/music/a, b and c.mp3"),
        QStringLiteral("/home/用户/音乐/周末 歌曲.mp3"),
    };
    runOnce([&](Form1& form) {
        for (const QString& entry : tricky) form.List1.AddItem(entry);
    });
    EXPECT_EQ(stored(QStringLiteral("num")), QStringLiteral("7"));
    EXPECT_EQ(runOnce(), tricky);
}

TEST(SavedPlaylist, AShorterListLeavesOldSectionsThatAreNeverRead) {
    TempConfig config;
    runOnce([](Form1& form) {
        for (int i = 0; i < 5; ++i) form.List1.AddItem(QStringLiteral("/m/%1.mp3").arg(i));
    });
    runOnce([](Form1& form) {
        form.List1.RemoveItem(4);
        form.List1.RemoveItem(3);
    });
    EXPECT_EQ(stored(QStringLiteral("num")), QStringLiteral("3"));
    EXPECT_EQ(stored(QStringLiteral("3")), QStringLiteral("/m/3.mp3"));
    EXPECT_EQ(stored(QStringLiteral("4")), QStringLiteral("/m/4.mp3"));
    EXPECT_EQ(runOnce().size(), 3);
}

TEST(SavedPlaylist, AMissingEntryReadsAsTheDefaultTune) {
    TempConfig config;
    config.writeStore(QStringLiteral("ravelle"), "[num]\nvalue=2\n[0]\nvalue=/m/first.mp3\n");
    EXPECT_EQ(runOnce(), (QStringList{QStringLiteral("/m/first.mp3"), QStringLiteral("42.mid")}));
}

TEST(SavedPlaylist, ADamagedCountNeverShortensThePlaylist) {
    TempConfig config;
    for (const QByteArray count : {QByteArray("abc"), QByteArray("-1"), QByteArray("40000"),
                                   QByteArray("2.5"), QByteArray("0x3")}) {
        config.writeStore(QStringLiteral("ravelle"),
                          "[num]\nvalue=" + count +
                              "\n[0]\nvalue=/m/a.mp3\n[1]\nvalue=/m/b.mp3\n[2]\nvalue=/m/c.mp3\n"
                              "[4]\nvalue=/m/after-a-gap.mp3\n");
        EXPECT_EQ(runOnce().size(), 3) << count.constData();
        EXPECT_EQ(stored(QStringLiteral("num")), QStringLiteral("3"))
            << "the exit writes a proper count";
    }
}

TEST(SavedPlaylist, NoSelectionAfterRestoring) {
    TempConfig config;
    config.writeStore(QStringLiteral("ravelle"), "[num]\nvalue=1\n[0]\nvalue=/m/a.mp3\n");
    SimulatedForm1 form;
    form.Show();
    EXPECT_EQ(form.List1.ListIndex(), -1);
    form.close();
}

TEST(SavedPlaylist, AGarbageStoreStartsCleanlyAndIsKeptAside) {
    TempConfig config;
    QByteArray garbage;
    for (int i = 0; i < 20000; ++i) garbage.append(char((i * 131 + 7) % 256));
    config.writeStore(QStringLiteral("ravelle"), garbage);
    ModalWatcher watcher;
    runOnce([&](Form1& form) {
        form.List1.AddItem(QStringLiteral("/m/new.mp3"));
        EXPECT_TRUE(QTest::qWaitFor([&] { return !watcher.seen().isEmpty(); }, 5000));
    });
    ASSERT_EQ(watcher.seen().size(), 1);
    EXPECT_TRUE(watcher.seen()[0].text.contains(QStringLiteral(".damaged-")));
    EXPECT_EQ(runOnce().last(), QStringLiteral("/m/new.mp3"));
}

TEST(SavedPlaylist, AStoreThatCannotBeWrittenIsReportedWithItsPath) {
    TempConfig config;
    QFile blocker(config.path() + QStringLiteral("/ProgramSettings"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    ModalWatcher watcher;
    runOnce([](Form1& form) { form.List1.AddItem(QStringLiteral("/m/a.mp3")); });
    // Told when the window shows (the file cannot be read either), and at
    // the exit.
    ASSERT_EQ(watcher.seen().size(), 2);
    for (const ModalWatcher::Seen& box : watcher.seen()) {
        EXPECT_EQ(box.title, QStringLiteral("ravelle"));
        EXPECT_TRUE(box.text.contains(config.storeFile(QStringLiteral("ravelle"))));
    }
    EXPECT_TRUE(watcher.seen()[1].text.contains(QStringLiteral("没有保存")));
}

TEST(SavedPlaylist, ATerminationSignalClosesTheWindowAndSaves) {
    TempConfig config;
    SimulatedForm1 form;
    forms::closeOnSignals(&form);
    form.Show();
    form.List1.AddItem(QStringLiteral("/m/kept.mp3"));
    ::raise(SIGTERM);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !form.isVisible(); }, 5000));
    settings::closeAllStores();
    EXPECT_EQ(stored(QStringLiteral("0")), QStringLiteral("/m/kept.mp3"));
}

TEST(SavedPlaylist, ATerminationSignalAlsoEndsAMessageBoxThatIsOpen) {
    TempConfig config;
    SimulatedForm1 form;
    forms::closeOnSignals(&form);
    form.Show();
    form.List1.AddItem(QStringLiteral("/m/kept.mp3"));
    QTimer::singleShot(0, [] { ::raise(SIGTERM); });
    // Should the signal leave the box open, it is answered here after a
    // while, so that the test ends either way.
    bool answeredHere = false;
    QTimer rescue;
    rescue.setSingleShot(true);
    QObject::connect(&rescue, &QTimer::timeout, [&] {
        if (QWidget* box = QApplication::activeModalWidget()) {
            answeredHere = true;
            box->close();
        }
    });
    rescue.start(10000);
    forms::MsgBox(QStringLiteral("设置文件已损坏。"), forms::MsgBoxStyle::Exclamation);
    EXPECT_FALSE(answeredHere) << "the box outlived the signal";
    EXPECT_FALSE(form.isVisible());
    settings::closeAllStores();
    EXPECT_EQ(stored(QStringLiteral("0")), QStringLiteral("/m/kept.mp3"));
}
