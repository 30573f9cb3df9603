// The playlist's store as start-up finds it and the exit leaves it: what is
// restored and told, what is kept aside, what is never written over, and
// the close a termination signal asks for.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>
#include <csignal>

#include "doubles/SimulatedForm1.h"
#include "errors/EventDispatch.h"
#include "errors/RuntimeError.h"
#include "forms/CloseOnSignals.h"
#include "settings/SettingsStore.h"
#include "support/ModalWatcher.h"
#include "support/TempConfig.h"

namespace {
const QString kApp = QStringLiteral("ravelle");

QStringList entries(const Form1& form) {
    QStringList list;
    for (int i = 0; i < form.List1.ListCount(); ++i) list << form.List1.List(i);
    return list;
}

struct StartResult {
    QStringList restored;
    QStringList boxes;
};

// One run of the program: start, let the told boxes come, let the test act,
// close.
StartResult runOnce(const std::function<void(Form1&)>& act = {}) {
    ModalWatcher watcher;
    StartResult run;
    {
        SimulatedForm1 form;
        form.Show();
        run.restored = entries(form);
        // The boxes start-up asks for open now, and are answered.
        QTest::qWait(0);
        if (act) act(form);
        form.close();
        settings::closeAllStores();
    }
    for (const ModalWatcher::Seen& seen : watcher.seen()) run.boxes << seen.text;
    return run;
}

QStringList damagedCopies(const TempConfig& config) {
    return QDir(QFileInfo(config.storeFile(kApp)).path())
        .entryList({QStringLiteral("ravelle.ini.damaged-*")}, QDir::Files);
}
}  // namespace

TEST(StoreAtStart, AStoreWithAByteOrderMarkIsRestored) {
    TempConfig config;
    const QByteArray text =
        "\xEF\xBB\xBF[num]\nvalue=2\n[0]\nvalue=/m/一.mp3\n[1]\nvalue=/m/b.mp3\n";
    config.writeStore(kApp, text);
    const StartResult run = runOnce();
    EXPECT_EQ(run.restored, (QStringList{QStringLiteral("/m/一.mp3"), QStringLiteral("/m/b.mp3")}));
    EXPECT_TRUE(run.boxes.isEmpty()) << run.boxes.join(u'\n').toStdString();
    EXPECT_TRUE(config.readStore(kApp).contains("value=/m/b.mp3"));
}

TEST(StoreAtStart, AStoreNotFullyUnderstoodIsKeptAsideAndTheUserToldOnce) {
    const QList<QByteArray> stores = {
        "[num]\nvalue=\n[0]\nvalue=/m/a.mp3\n",
        "[num]\nvalue=   \n[0]\nvalue=/m/a.mp3\n",
        "a plain text file\nwith no settings in it\n",
        "{\"playlist\": [\"/m/a.mp3\"]}\n",
    };
    for (const QByteArray& bytes : stores) {
        TempConfig config;
        config.writeStore(kApp, bytes);
        const StartResult run = runOnce();
        ASSERT_EQ(damagedCopies(config).size(), 1) << bytes.constData();
        QFile copy(QFileInfo(config.storeFile(kApp)).path() + u'/' + damagedCopies(config)[0]);
        ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
        EXPECT_EQ(copy.readAll(), bytes);
        ASSERT_EQ(run.boxes.size(), 1) << bytes.constData();
        EXPECT_TRUE(run.boxes[0].contains(damagedCopies(config)[0]));
        if (bytes.startsWith("[num]"))
            EXPECT_EQ(run.restored, QStringList{QStringLiteral("/m/a.mp3")});
    }
}

TEST(StoreAtStart, EntriesThatAreNotUtf8AreKeptAsideAndTheRestRestored) {
    TempConfig config;
    const QByteArray latin1 = "[num]\nvalue=2\n[0]\nvalue=/m/caf\xe9.mp3\n[1]\nvalue=/m/ok.mp3\n";
    config.writeStore(kApp, latin1);
    const StartResult run = runOnce();
    ASSERT_EQ(run.restored.size(), 2);
    EXPECT_EQ(run.restored[1], QStringLiteral("/m/ok.mp3"));
    ASSERT_EQ(damagedCopies(config).size(), 1);
    ASSERT_EQ(run.boxes.size(), 1);
    EXPECT_TRUE(run.boxes[0].contains(QStringLiteral("UTF-8")));
}

TEST(StoreAtStart, AStoreThatCannotBeReadIsToldWhenTheWindowShows) {
    TempConfig config;
    const QString store = config.storeFile(kApp);
    QDir().mkpath(store);  // a folder where the file should be
    StartResult run = runOnce();
    ASSERT_EQ(run.boxes.size(), 1);
    EXPECT_TRUE(run.boxes[0].contains(store));
    EXPECT_TRUE(run.boxes[0].contains(QStringLiteral("文件夹")));
    EXPECT_TRUE(QFileInfo(store).isDir());

    QDir(store).removeRecursively();
    ASSERT_TRUE(QFile::link(config.path() + QStringLiteral("/gone.ini"), store));
    run = runOnce();
    ASSERT_EQ(run.boxes.size(), 1);
    EXPECT_TRUE(run.boxes[0].contains(store));
    EXPECT_TRUE(run.boxes[0].contains(QStringLiteral("符号链接")));
}

TEST(StoreAtExit, AListNeverReadFromTheStoreIsNotWrittenOverIt) {
    TempConfig config;
    const QByteArray stored = "[num]\nvalue=1\n[0]\nvalue=/m/kept.mp3\n";
    config.writeStore(kApp, stored);
    {
        // Start-up ended before the playlist was restored.
        SimulatedForm1 form;
        form.close();
        settings::closeAllStores();
    }
    EXPECT_EQ(config.readStore(kApp), stored);

    // A store too large to read: left as it is, unless the user makes a
    // list of their own; then it is moved aside whole.
    {
        QFile file(config.storeFile(kApp));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_TRUE(file.resize(settings::kMaxStoreBytes + 1));
    }
    StartResult run = runOnce();
    EXPECT_EQ(QFileInfo(config.storeFile(kApp)).size(), settings::kMaxStoreBytes + 1);
    EXPECT_TRUE(damagedCopies(config).isEmpty());
    run = runOnce([](Form1& form) { form.List1.AddItem(QStringLiteral("/m/new.mp3")); });
    ASSERT_EQ(damagedCopies(config).size(), 1);
    EXPECT_TRUE(config.readStore(kApp).contains("value=/m/new.mp3"));
}

TEST(StoreAtExit, AFailingStepOfTheLoadShowsTheWindowAndLeavesTheStoredListAsItWas) {
    TempConfig config;
    const QByteArray stored = "[0]\nvalue=/m/kept.mp3\n\n[num]\nvalue=1\n";
    config.writeStore(kApp, stored);
    QStringList told;
    const errors::LastResortHandler before = errors::setLastResortHandler(
        [&told](const errors::RuntimeError& error) { told << error.description(); });
    {
        SimulatedForm1 form;
        // A plain step of the load fails, so the rest of the load (the
        // playlist's restore among it) never runs.
        form.Load = [] { errors::raiseError(errors::InternalError); };
        form.Show();
        EXPECT_TRUE(form.isVisible());
        EXPECT_EQ(form.List1.ListCount(), 0);
        form.close();
        settings::closeAllStores();
    }
    errors::setLastResortHandler(before);
    EXPECT_EQ(told.size(), 1);
    EXPECT_EQ(config.readStore(kApp), stored);
}

TEST(StoreAtExit, ASignalledCloseSaysAFailedSaveWithoutABoxAndTheNextStartTellsIt) {
    TempConfig config;
    const QString store = config.storeFile(kApp);
    QDir().mkpath(store);  // cannot be replaced
    {
        ModalWatcher watcher;
        SimulatedForm1 form;
        forms::closeOnSignals(&form);
        form.Show();
        form.List1.AddItem(QStringLiteral("/m/a.mp3"));
        QCoreApplication::sendPostedEvents();
        const int boxesAtStart = int(watcher.seen().size());
        ::raise(SIGTERM);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !form.isVisible(); }, 5000));
        EXPECT_EQ(watcher.seen().size(), boxesAtStart) << "no box after the signal";
        settings::closeAllStores();
    }
    QDir(store).removeRecursively();
    EXPECT_TRUE(QFileInfo::exists(store + QStringLiteral(".unsaved")));
    const StartResult next = runOnce();
    ASSERT_EQ(next.boxes.size(), 1);
    EXPECT_TRUE(next.boxes[0].contains(QStringLiteral("上次退出时播放列表没有保存")));
    EXPECT_TRUE(next.boxes[0].contains(store));
    EXPECT_TRUE(runOnce().boxes.isEmpty()) << "told once";
}

TEST(StoreAtExitDeathTest, ASecondSignalDuringTheCloseIsIgnoredAndAThirdEndsAtOnce) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            QWidget window;
            forms::closeOnSignals(&window);
            ::raise(SIGTERM);
            ::raise(SIGTERM);
            std::fputs("alive after two\n", stderr);
            ::raise(SIGTERM);
            std::_Exit(0);
        },
        testing::KilledBySignal(SIGTERM), "alive after two");
}

TEST(StoreAtExitDeathTest, AHangUpIgnoredWhenTheProgramStartedStaysIgnored) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            ::signal(SIGHUP, SIG_IGN);  // as nohup starts a program
            QWidget window;
            window.show();
            forms::closeOnSignals(&window);
            ::raise(SIGHUP);
            QCoreApplication::processEvents(QEventLoop::AllEvents, 100);
            std::_Exit(window.isVisible() ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
}
