// The playlist that survives restarts, damaged or unusable stores, and the
// close a termination signal asks for.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>
#include <QTimer>
#include <csignal>

#include "SavedPlaylist.h"
#include "doubles/SimulatedForm1.h"
#include "errors/EventDispatch.h"
#include "errors/RuntimeError.h"
#include "forms/CloseOnSignals.h"
#include "forms/MessageBox.h"
#include "settings/SettingsStore.h"
#include "support/LastResortRecorder.h"
#include "support/ModalWatcher.h"
#include "support/TempConfig.h"

namespace {
const QString kApp = QStringLiteral("ravelle");

struct ProgramRun {
    QStringList restored;
    QStringList boxes;
};

// One run of the program: start, let the boxes start-up asks for come and
// be answered, let the test act, close; bySignal, as at a logout.
ProgramRun runOnce(const std::function<void(Form1&)>& act = {}, bool bySignal = false) {
    ModalWatcher watcher;
    ProgramRun run;
    {
        SimulatedForm1 form;
        if (bySignal) forms::closeOnSignals(&form);
        form.Show();
        run.restored = form.List1.texts().all();
        QTest::qWait(0);
        if (act) act(form);
        if (bySignal)
            ::raise(SIGTERM);
        else
            form.close();
        EXPECT_TRUE(QTest::qWaitFor([&] { return !form.isVisible(); }, 5000));
        settings::closeAllStores();
    }
    for (const ModalWatcher::Seen& seen : watcher.seen()) run.boxes << seen.text;
    return run;
}
void add(Form1& form, const QStringList& paths) {
    for (const QString& path : paths) form.List1.AddItem(path);
}
void addNew(Form1& form) { add(form, {"/m/new.mp3"}); }

// A value as a fresh start reads it from the disk now.
QString stored(const QString& section) {
    return settings::SettingsStore(kApp).get(section, QStringLiteral("value"), "<absent>");
}

QString storeFolder(const TempConfig& config) { return QFileInfo(config.storeFile(kApp)).path(); }
QStringList damagedCopies(const TempConfig& config) {
    return QDir(storeFolder(config)).entryList({"ravelle.ini.damaged-*"}, QDir::Files);
}
}  // namespace

TEST(PlaylistStore, WhatTheExitWritesTheNextStartRestoresExactly) {
    TempConfig config;
    runOnce();
    EXPECT_EQ(stored("num"), "0") << "an empty list";
    EXPECT_EQ(stored("0"), "<absent>");

    // clang-format off
    const QStringList tricky = {"/home/用户/音乐/周末 歌曲.mp3", "/music/a=b;c#d.ogg",
        "/music/\"quoted\".wav", "C:\\old\\style\\path.mid", "  /music/spaces around.flac  ",
        "/music/a, b and c.mp3", "@/music/at.mp3", "/home/用户/音乐/周末 歌曲.mp3"};
    // clang-format on
    runOnce([&](Form1& form) { add(form, tricky); });
    const ProgramRun next = runOnce();
    EXPECT_EQ(next.restored, tricky);
    EXPECT_TRUE(next.boxes.isEmpty());

    // A shorter list leaves the old sections, which are never read.
    const QStringList shorter = {"/m/0.mp3", "/m/1.mp3", "/m/2.mp3"};
    runOnce([&](Form1& form) {
        form.List1.Clear();
        add(form, shorter);
    });
    EXPECT_EQ(stored("num"), "3");
    EXPECT_EQ(stored("3"), tricky[3]);
    EXPECT_EQ(stored("7"), tricky[7]);
    EXPECT_EQ(runOnce().restored, shorter);

    // A missing entry reads as the default tune; a byte-order mark is read
    // past; nothing is selected after restoring.
    config.writeStore(kApp, "\xEF\xBB\xBF[num]\nvalue=2\n[0]\nvalue=/m/一.mp3\n");
    runOnce([](Form1& form) {
        EXPECT_EQ(form.List1.texts().all(), (QStringList{"/m/一.mp3", "42.mid"}));
        EXPECT_EQ(form.List1.ListIndex(), -1);
    });
}

TEST(PlaylistStore, AStoreNotUnderstoodIsKeptAsideToldOnceAndNeverShortensTheList) {
    const QByteArray entriesThere =
        "\n[0]\nvalue=/m/a.mp3\n[1]\nvalue=/m/b.mp3\n[2]\nvalue=/m/c.mp3\n[4]\nvalue=/m/gap.mp3\n";
    const QStringList three = {"/m/a.mp3", "/m/b.mp3", "/m/c.mp3"};
    struct Case {
        QByteArray text;
        QStringList restored;
        const char* toldOf;
    };
    const Case cases[] = {
        {"[num]\nvalue=abc" + entriesThere, three, ""},
        {"[num]\nvalue=-1" + entriesThere, three, ""},
        {"[num]\nvalue=40000" + entriesThere, three, ""},
        {"[num]\nvalue=2.5" + entriesThere, three, ""},
        {"[num]\nvalue=   " + entriesThere, three, ""},
        {"a plain text file\nwith no settings in it\n", {}, ""},
        {"{\"playlist\": [\"/m/a.mp3\"]}\n", {}, ""},
        {"[num]\nvalue=2\n[0]\nvalue=/m/caf\xe9.mp3\n[1]\nvalue=/m/ok.mp3\n",
         {"/m/caf\uFFFD.mp3", "/m/ok.mp3"},
         "UTF-8"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.left(20).toStdString());
        TempConfig config;
        config.writeStore(kApp, c.text);
        const ProgramRun run = runOnce(addNew);
        EXPECT_EQ(run.restored, c.restored);
        ASSERT_EQ(damagedCopies(config).size(), 1);
        QFile copy(storeFolder(config) + u'/' + damagedCopies(config)[0]);
        ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
        EXPECT_EQ(copy.readAll(), c.text) << "kept byte for byte";
        ASSERT_EQ(run.boxes.size(), 1);
        EXPECT_TRUE(run.boxes[0].contains(damagedCopies(config)[0]));
        EXPECT_TRUE(run.boxes[0].contains(QString::fromUtf8(c.toldOf)));

        // The exit wrote a sound store with a proper count; the next start
        // tells nothing and makes no second copy.
        const ProgramRun next = runOnce();
        EXPECT_EQ(next.restored, c.restored + QStringList{"/m/new.mp3"});
        EXPECT_TRUE(next.boxes.isEmpty());
        EXPECT_EQ(damagedCopies(config).size(), 1);
    }
}

TEST(PlaylistStore, AStoreThatCannotBeReadIsLeftAsItIsUnlessTheUserMakesAList) {
    TempConfig config;
    const QString store = config.storeFile(kApp);
    QDir().mkpath(store);  // a folder where the file should be
    ProgramRun run = runOnce(addNew);
    ASSERT_EQ(run.boxes.size(), 2) << "told at start, and at the exit that it was not saved";
    EXPECT_TRUE(run.boxes[0].contains(store) && run.boxes[0].contains("文件夹"));
    EXPECT_TRUE(run.boxes[1].contains(store) && run.boxes[1].contains("没有保存"));
    EXPECT_TRUE(QFileInfo(store).isDir()) << "never replaced";
    // Closed by a signal, the failed save is told by no box, but the next
    // start tells it, once.
    EXPECT_EQ(runOnce(addNew, true).boxes.size(), 1) << "only the start's";
    QDir(store).removeRecursively();
    run = runOnce();
    ASSERT_EQ(run.boxes.size(), 1);
    EXPECT_TRUE(run.boxes[0].contains("上次退出时播放列表没有保存") &&
                run.boxes[0].contains(store));
    QFile::remove(store);  // the list that exit wrote
    ASSERT_TRUE(QFile::link(config.path() + "/gone.ini", store));
    run = runOnce();
    ASSERT_EQ(run.boxes.size(), 1) << "the unsaved list told once";
    EXPECT_TRUE(run.boxes[0].contains("符号链接"));
    QFile::remove(store);

    // Too large to read: left as it is, unless the user makes a list of
    // their own; then it is moved aside whole.
    QFile large(store);
    ASSERT_TRUE(large.open(QIODevice::WriteOnly) && large.resize(settings::kMaxStoreBytes + 1));
    large.close();
    runOnce();
    EXPECT_EQ(QFileInfo(store).size(), settings::kMaxStoreBytes + 1);
    EXPECT_TRUE(damagedCopies(config).isEmpty());
    runOnce(addNew);
    ASSERT_EQ(damagedCopies(config).size(), 1);
    EXPECT_EQ(stored("0"), "/m/new.mp3");

    // A list never read (start-up stopped before the restore), or one whose
    // load failed at a plain step before it, is not written over the store.
    const QByteArray kept = "[num]\nvalue=1\n[0]\nvalue=/m/kept.mp3\n";
    config.writeStore(kApp, kept);
    LastResortRecorder lastResort;
    for (bool shown : {false, true}) {
        SimulatedForm1 form;
        form.Load = [] { errors::raiseError(errors::InternalError); };
        if (shown) form.Show();
        EXPECT_EQ(form.isVisible(), shown);
        form.close();
        settings::closeAllStores();
        EXPECT_EQ(config.readStore(kApp), kept);
    }
}

TEST(PlaylistStore, EveryEditReachesTheDiskWithinASecondWithoutAnExit) {
    TempConfig config;
    SimulatedForm1 form;
    form.Show();
    SavedPlaylist& saved = form.savedPlaylist();
    const auto onDisk = [] {
        QStringList list;
        for (int i = 0; i < stored("num").toInt(); ++i) list << stored(QString::number(i));
        return list;
    };
    const auto add = [&](const char* path) {
        static_cast<ScriptedFileDialog&>(form.cdlg).answer(QString::fromUtf8(path));
        errors::dispatch(form.add.Click);
    };
    add("/m/a.mp3");
    add("/m/b.mp3");
    add("/m/c.mp3");
    ASSERT_TRUE(saved.flush());
    EXPECT_EQ(onDisk(), (QStringList{"/m/a.mp3", "/m/b.mp3", "/m/c.mp3"}));
    EXPECT_EQ(saved.savesBegun(), 1) << "edits close together share one save";

    form.List1.setListIndex(0);  // 删除
    errors::dispatch(form.del.Click);
    ASSERT_TRUE(saved.flush());
    EXPECT_EQ(onDisk(), (QStringList{"/m/b.mp3", "/m/c.mp3"}));
    form.List1.setListIndex(1);  // 删除其余
    errors::dispatch(form.delt.Click);
    ASSERT_TRUE(saved.flush());
    EXPECT_EQ(onDisk(), QStringList{"/m/c.mp3"});

    // Within the second after a save, a change waits for the second to end;
    // the exit writes the list as it ends, not an older one.
    const int begun = saved.savesBegun();
    add("/m/a.mp3");
    EXPECT_EQ(saved.savesBegun(), begun);
    form.close();
    settings::closeAllStores();
    EXPECT_EQ(onDisk(), (QStringList{"/m/c.mp3", "/m/a.mp3"}));
}

TEST(PlaylistStore, ATerminationSignalClosesTheWindowAndSavesEvenOverAMessageBox) {
    TempConfig config;
    SimulatedForm1 form;
    forms::closeOnSignals(&form);
    form.Show();
    addNew(form);
    QTimer::singleShot(0, [] { ::raise(SIGTERM); });
    // Should the signal leave the box open, it is answered here after a
    // while, so that the test ends either way.
    bool answeredHere = false;
    QTimer::singleShot(10000, &form, [&] {
        if (QWidget* box = QApplication::activeModalWidget()) {
            answeredHere = true;
            box->close();
        }
    });
    forms::MsgBox(QStringLiteral("设置文件已损坏。"), forms::MsgBoxStyle::Exclamation);
    EXPECT_FALSE(answeredHere) << "the box outlived the signal";
    EXPECT_FALSE(form.isVisible());
    settings::closeAllStores();
    EXPECT_EQ(stored("0"), "/m/new.mp3");
}

TEST(PlaylistStoreDeathTest, ASecondSignalDuringTheCloseIsIgnoredAThirdEndsAtOnce) {
    const std::string style = GTEST_FLAG_GET(death_test_style);
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
    // A hang-up ignored when the program started (nohup) stays ignored.
    EXPECT_EXIT(
        {
            ::signal(SIGHUP, SIG_IGN);
            QWidget window;
            window.show();
            forms::closeOnSignals(&window);
            ::raise(SIGHUP);
            QCoreApplication::processEvents(QEventLoop::AllEvents, 100);
            std::_Exit(window.isVisible() ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
    GTEST_FLAG_SET(death_test_style, style);
}
