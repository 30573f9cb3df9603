// The playlist that survives restarts: what the exit and the saves after each
// edit write, what the next start restores and tells, stores that are
// damaged, unreadable or unwritable, and the close a termination signal asks
// for.
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
#include "support/ModalWatcher.h"
#include "support/TempConfig.h"

namespace {
const QString kApp = QStringLiteral("ravelle");

QStringList entries(const Form1& form) { return form.List1.texts().all(); }

struct ProgramRun {
    QStringList restored;
    QStringList boxes;
};

// One run of the program: start, let the boxes start-up asks for come and
// be answered, let the test act, close.
ProgramRun runOnce(const std::function<void(Form1&)>& act = {}) {
    ModalWatcher watcher;
    ProgramRun run;
    {
        SimulatedForm1 form;
        form.Show();
        run.restored = entries(form);
        QTest::qWait(0);
        if (act) act(form);
        form.close();
        settings::closeAllStores();
    }
    for (const ModalWatcher::Seen& seen : watcher.seen()) run.boxes << seen.text;
    return run;
}

// A value as a fresh start reads it from the disk now.
QString stored(const QString& section) {
    return settings::SettingsStore(kApp).get(section, QStringLiteral("value"),
                                             QStringLiteral("<absent>"));
}

QStringList damagedCopies(const TempConfig& config) {
    return QDir(QFileInfo(config.storeFile(kApp)).path())
        .entryList({QStringLiteral("ravelle.ini.damaged-*")}, QDir::Files);
}

void add(Form1& form, const QString& path) {
    static_cast<ScriptedFileDialog&>(form.cdlg).answer(path);
    errors::dispatch(form.add.Click);
}
}  // namespace

TEST(PlaylistStore, WhatTheExitWritesTheNextStartRestoresExactly) {
    TempConfig config;
    runOnce();
    EXPECT_EQ(stored(QStringLiteral("num")), QStringLiteral("0")) << "an empty list";
    EXPECT_EQ(stored(QStringLiteral("0")), QStringLiteral("<absent>"));

    const QStringList tricky = {
        QStringLiteral("/home/用户/音乐/周末 歌曲.mp3"),
        QStringLiteral("/music/a=b;c#d.ogg"),
        QStringLiteral("/music/\"quoted\".wav"),
        QStringLiteral("C:\\old\\style\\path.mid"),
        QStringLiteral("  /music/spaces around.flac  "),
        QStringLiteral("/music/a, b and c.mp3"),
        QStringLiteral("@/music/at.mp3"),
        QStringLiteral("/home/用户/音乐/周末 歌曲.mp3"),
    };
    runOnce([&](Form1& form) {
        for (const QString& entry : tricky) form.List1.AddItem(entry);
    });
    const ProgramRun next = runOnce();
    EXPECT_EQ(next.restored, tricky);
    EXPECT_TRUE(next.boxes.isEmpty());

    // A shorter list leaves the old sections, which are never read.
    runOnce([](Form1& form) {
        form.List1.Clear();
        for (int i = 0; i < 3; ++i) form.List1.AddItem(QStringLiteral("/m/%1.mp3").arg(i));
    });
    EXPECT_EQ(stored(QStringLiteral("num")), QStringLiteral("3"));
    EXPECT_EQ(stored(QStringLiteral("3")), tricky[3]);
    EXPECT_EQ(stored(QStringLiteral("7")), tricky[7]);
    EXPECT_EQ(runOnce().restored.size(), 3);

    // A missing entry reads as the default tune; a byte-order mark is read
    // past; nothing is selected after restoring.
    config.writeStore(kApp, "\xEF\xBB\xBF[num]\nvalue=2\n[0]\nvalue=/m/一.mp3\n");
    SimulatedForm1 form;
    form.Show();
    EXPECT_EQ(entries(form), (QStringList{QStringLiteral("/m/一.mp3"), QStringLiteral("42.mid")}));
    EXPECT_EQ(form.List1.ListIndex(), -1);
    form.close();
}

TEST(PlaylistStore, AStoreNotUnderstoodIsKeptAsideToldOnceAndNeverShortensTheList) {
    const QByteArray entriesThere =
        "\n[0]\nvalue=/m/a.mp3\n[1]\nvalue=/m/b.mp3\n[2]\nvalue=/m/c.mp3\n[4]\nvalue=/m/gap.mp3\n";
    struct Case {
        QByteArray text;
        qsizetype restored;
        const char* toldOf;
    };
    const Case cases[] = {
        {"[num]\nvalue=abc" + entriesThere, 3, ""},
        {"[num]\nvalue=-1" + entriesThere, 3, ""},
        {"[num]\nvalue=40000" + entriesThere, 3, ""},
        {"[num]\nvalue=2.5" + entriesThere, 3, ""},
        {"[num]\nvalue=   " + entriesThere, 3, ""},
        {"a plain text file\nwith no settings in it\n", 0, ""},
        {"{\"playlist\": [\"/m/a.mp3\"]}\n", 0, ""},
        {"[num]\nvalue=2\n[0]\nvalue=/m/caf\xe9.mp3\n[1]\nvalue=/m/ok.mp3\n", 2, "UTF-8"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.left(20).toStdString());
        TempConfig config;
        config.writeStore(kApp, c.text);
        const ProgramRun run =
            runOnce([](Form1& form) { form.List1.AddItem(QStringLiteral("/m/new.mp3")); });
        EXPECT_EQ(run.restored.size(), c.restored);
        ASSERT_EQ(damagedCopies(config).size(), 1);
        QFile copy(QFileInfo(config.storeFile(kApp)).path() + u'/' + damagedCopies(config)[0]);
        ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
        EXPECT_EQ(copy.readAll(), c.text) << "kept byte for byte";
        ASSERT_EQ(run.boxes.size(), 1);
        EXPECT_TRUE(run.boxes[0].contains(damagedCopies(config)[0]));
        EXPECT_TRUE(run.boxes[0].contains(QString::fromUtf8(c.toldOf)));

        // The exit wrote a sound store with a proper count; the next start
        // tells nothing and makes no second copy.
        const ProgramRun next = runOnce();
        EXPECT_EQ(next.restored.size(), c.restored + 1);
        EXPECT_EQ(next.restored.last(), QStringLiteral("/m/new.mp3"));
        EXPECT_TRUE(next.boxes.isEmpty());
        EXPECT_EQ(damagedCopies(config).size(), 1);
    }
}

TEST(PlaylistStore, AStoreThatCannotBeReadIsLeftAsItIsUnlessTheUserMakesAList) {
    TempConfig config;
    const QString store = config.storeFile(kApp);
    QDir().mkpath(store);  // a folder where the file should be
    ProgramRun run = runOnce([](Form1& form) { form.List1.AddItem(QStringLiteral("/m/new.mp3")); });
    ASSERT_EQ(run.boxes.size(), 2) << "told at start, and at the exit that it was not saved";
    EXPECT_TRUE(run.boxes[0].contains(store));
    EXPECT_TRUE(run.boxes[0].contains(QStringLiteral("文件夹")));
    EXPECT_TRUE(QFileInfo(store).isDir()) << "never replaced";

    QDir(store).removeRecursively();
    ASSERT_TRUE(QFile::link(config.path() + QStringLiteral("/gone.ini"), store));
    run = runOnce();
    ASSERT_EQ(run.boxes.size(), 1);
    EXPECT_TRUE(run.boxes[0].contains(QStringLiteral("符号链接")));
    QFile::remove(store);

    // Too large to read: left as it is, unless the user makes a list of
    // their own; then it is moved aside whole.
    {
        QFile file(store);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_TRUE(file.resize(settings::kMaxStoreBytes + 1));
    }
    runOnce();
    EXPECT_EQ(QFileInfo(store).size(), settings::kMaxStoreBytes + 1);
    EXPECT_TRUE(damagedCopies(config).isEmpty());
    runOnce([](Form1& form) { form.List1.AddItem(QStringLiteral("/m/new.mp3")); });
    ASSERT_EQ(damagedCopies(config).size(), 1);
    EXPECT_EQ(stored(QStringLiteral("0")), QStringLiteral("/m/new.mp3"));

    // A list never read (start-up stopped before the restore) is not written
    // over the store.
    const QByteArray kept = "[num]\nvalue=1\n[0]\nvalue=/m/kept.mp3\n";
    config.writeStore(kApp, kept);
    {
        SimulatedForm1 form;
        form.close();
        settings::closeAllStores();
    }
    EXPECT_EQ(config.readStore(kApp), kept);
    // Nor when a plain step of the load fails before it.
    const errors::LastResortHandler before =
        errors::setLastResortHandler([](const errors::RuntimeError&) {});
    {
        SimulatedForm1 form;
        form.Load = [] { errors::raiseError(errors::InternalError); };
        form.Show();
        EXPECT_TRUE(form.isVisible());
        form.close();
        settings::closeAllStores();
    }
    errors::setLastResortHandler(before);
    EXPECT_EQ(config.readStore(kApp), kept);
}

TEST(PlaylistStore, EveryEditReachesTheDiskWithinASecondWithoutAnExit) {
    TempConfig config;
    SimulatedForm1 form;
    form.Show();
    SavedPlaylist& saved = form.savedPlaylist();
    const QString a = QStringLiteral("/m/a.mp3"), b = QStringLiteral("/m/b.mp3"),
                  c = QStringLiteral("/m/c.mp3");
    auto onDisk = [] {
        QStringList list;
        const int count = stored(QStringLiteral("num")).toInt();
        for (int i = 0; i < count; ++i) list << stored(QString::number(i));
        return list;
    };
    add(form, a);
    add(form, b);
    add(form, c);
    ASSERT_TRUE(saved.flush());
    EXPECT_EQ(onDisk(), (QStringList{a, b, c}));
    EXPECT_EQ(saved.savesBegun(), 1) << "edits close together share one save";

    form.List1.setListIndex(0);  // 删除
    errors::dispatch(form.del.Click);
    ASSERT_TRUE(saved.flush());
    EXPECT_EQ(onDisk(), (QStringList{b, c}));
    form.List1.setListIndex(1);  // 删除其余
    errors::dispatch(form.delt.Click);
    ASSERT_TRUE(saved.flush());
    EXPECT_EQ(onDisk(), QStringList{c});

    // Within the second after a save, a change waits for the second to end;
    // the exit writes the list as it ends, not an older one.
    const int begun = saved.savesBegun();
    add(form, a);
    EXPECT_EQ(saved.savesBegun(), begun);
    form.close();
    settings::closeAllStores();
    EXPECT_EQ(onDisk(), (QStringList{c, a}));
}

TEST(PlaylistStore, AFailedSaveIsToldAtTheCloseOrWhenNobodyIsThereAtTheNextStart) {
    TempConfig config;
    QFile blocker(config.path() + QStringLiteral("/ProgramSettings"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));  // nothing can be made below it
    blocker.close();
    ProgramRun run = runOnce([](Form1& form) { form.List1.AddItem(QStringLiteral("/m/a.mp3")); });
    ASSERT_EQ(run.boxes.size(), 2);
    EXPECT_TRUE(run.boxes[1].contains(QStringLiteral("没有保存")));
    EXPECT_TRUE(run.boxes[1].contains(config.storeFile(kApp)));
    QFile::remove(blocker.fileName());

    // Closed by a signal (a logout): no box, and the next start tells it,
    // once.
    const QString store = config.storeFile(kApp);
    QDir().mkpath(store);
    {
        ModalWatcher watcher;
        SimulatedForm1 form;
        forms::closeOnSignals(&form);
        form.Show();
        form.List1.AddItem(QStringLiteral("/m/a.mp3"));
        QCoreApplication::sendPostedEvents();
        const qsizetype atStart = watcher.seen().size();
        ::raise(SIGTERM);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !form.isVisible(); }, 5000));
        EXPECT_EQ(watcher.seen().size(), atStart) << "no box after the signal";
        settings::closeAllStores();
    }
    QDir(store).removeRecursively();
    const ProgramRun next = runOnce();
    ASSERT_EQ(next.boxes.size(), 1);
    EXPECT_TRUE(next.boxes[0].contains(QStringLiteral("上次退出时播放列表没有保存")));
    EXPECT_TRUE(next.boxes[0].contains(store));
    EXPECT_TRUE(runOnce().boxes.isEmpty()) << "told once";
}

TEST(PlaylistStore, ATerminationSignalClosesTheWindowAndSavesEvenOverAMessageBox) {
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

TEST(PlaylistStoreDeathTest, ASecondSignalDuringTheCloseIsIgnoredAThirdEndsAtOnce) {
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
}
