// The per-user settings store as a file: where it is kept, the dialect
// QSettings reads and writes, whole-file writes that keep what others wrote,
// the read ahead, and files that are not what they should be (never hung
// on, nor written over unread or uncopied, leftovers cleared).
#include <dlfcn.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSettings>
#include <QSysInfo>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <future>
#include <thread>

#include "settings/SettingsStore.h"
#include "support/TempConfig.h"

using settings::SettingsStore;

namespace {
const QString kApp = QStringLiteral("ravelle");

QByteArray native(const QString& path) { return QFile::encodeName(path); }

QStringList besideStore(const TempConfig& config) {
    return QDir(QFileInfo(config.storeFile(kApp)).path())
        .entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

QByteArray contentOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

// Opens the store on another thread, so that a hang fails the test instead.
std::unique_ptr<SettingsStore> openWithin(const TempConfig& config, const QString& pipe = {}) {
    auto opening =
        std::async(std::launch::async, [] { return std::make_unique<SettingsStore>(kApp); });
    if (opening.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
        ADD_FAILURE() << "opening the store did not finish";
        for (const QString& end : {config.storeFile(kApp), pipe}) {
            const int writer = ::open(native(end).constData(), O_WRONLY | O_NONBLOCK);
            if (writer >= 0) ::close(writer);
        }
    }
    return opening.get();
}

// Makes every fdatasync in this process fail with this error (0: work
// again), as a failing or full disk does, or hang while diskSyncHangs is
// set, as a disk that stopped answering does. The test program itself
// defines fdatasync, so the libraries' calls reach this stand-in first.
std::atomic<int> diskSyncFailure{0};
std::atomic<bool> diskSyncHangs{false}, diskSyncHanging{false};
}  // namespace

extern "C" int fdatasync(int fd) {
    for (; diskSyncHangs; diskSyncHanging = true)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    diskSyncHanging = false;
    if (const int error = diskSyncFailure.load()) {
        errno = error;
        return -1;
    }
    static const auto real = reinterpret_cast<int (*)(int)>(::dlsym(RTLD_NEXT, "fdatasync"));
    return real(fd);
}

TEST(SettingsStore, OneFileAnApplicationThatQSettingsReadsAndWritesWithEveryValueExact) {
    TempConfig config;
    EXPECT_EQ(SettingsStore::filePath(kApp),
              config.path() + QStringLiteral("/ProgramSettings/ravelle.ini"));
    settings::SaveSetting(kApp, QStringLiteral("num"), QStringLiteral("value"), "3");
    settings::SaveSetting(QStringLiteral("工程1"), QStringLiteral("Settings"),
                          QStringLiteral("ShowAbout"), QStringLiteral("True"));
    settings::closeAllStores();
    EXPECT_EQ(config.readStore(kApp), QByteArray("[num]\nvalue=3\n"));
    EXPECT_TRUE(config.readStore(QStringLiteral("工程1")).contains("[Settings]\nShowAbout=True"));

    // Values that need quotes or escapes in the file, one after another.
    QStringList values =
        QStringLiteral(
            "/home/用户/音乐/歌 🎵.mp3|tab\there, newline\nthere|\\x41 is not A, "
            "\\\\ stays|ends with backslash\\|\"fully quoted\"|@@double at|semi;colon| "
            "|café ñ|one,two, three|/m/tab\tthen\uFEFFa byte-order mark.mp3|"
            "@Variant(not really)|[section]|\u0001"
            "1f after a control character|")
            .split(u'|');
    values << QString(1 << 20, u'x');
    {
        SettingsStore store(kApp);
        for (int i = 0; i < values.size(); ++i)
            store.save(QString::number(i), QStringLiteral("value"), values[i]);
        store.save(QStringLiteral("名 字"), QStringLiteral("k e%y"), QStringLiteral("x"));
        ASSERT_TRUE(store.sync());
    }
    {
        QSettings qt(config.storeFile(kApp), QSettings::IniFormat);
        for (int i = 0; i < values.size(); ++i)
            EXPECT_EQ(qt.value(QString::number(i) + QStringLiteral("/value")).toString(), values[i])
                << i;
        EXPECT_EQ(qt.value(QStringLiteral("名 字/k e%y")).toString(), QStringLiteral("x"));
        for (int i = 0; i < values.size(); ++i)
            qt.setValue(QString::number(100 + i) + QStringLiteral("/value"), values[i]);
        qt.sync();
    }
    SettingsStore reread(kApp);
    for (int i = 0; i < values.size(); ++i) {
        EXPECT_EQ(reread.get(QString::number(i), QStringLiteral("value"), "x"), values[i]) << i;
        EXPECT_EQ(reread.get(QString::number(100 + i), QStringLiteral("value")), values[i]) << i;
    }
    EXPECT_EQ(reread.get(QStringLiteral("99"), QStringLiteral("value"), "42.mid"), u"42.mid");
    EXPECT_FALSE(reread.contains(QStringLiteral("99"), QStringLiteral("value")));
    EXPECT_EQ(reread.get(QStringLiteral("名 字"), QStringLiteral("k e%y")), QStringLiteral("x"));

    // An escaped half of a surrogate pair reads as a replacement character,
    // and is written back as read; a leading byte-order mark is a character
    // of the value (QSettings drops it).
    const QString marked = QStringLiteral("\uFEFF/m/starts with a byte-order mark.mp3");
    config.writeStore(kApp, "[0]\nvalue=a\\xdfff-b\n");
    for (int start = 0; start < 2; ++start) {
        SettingsStore store(kApp);
        EXPECT_EQ(store.get(QStringLiteral("0"), QStringLiteral("value")), u"a\uFFFD-b");
        EXPECT_EQ(store.get(QStringLiteral("marked"), QStringLiteral("value")),
                  start ? marked : QString());
        store.save(QStringLiteral("marked"), QStringLiteral("value"), marked);
        ASSERT_TRUE(store.sync());
    }
}

TEST(SettingsStore, AWriteReplacesTheFileWholeWithWhatOthersWroteOrFailsLeavingItAsItWas) {
    TempConfig config;
    const QByteArray before = "[num]\nvalue=1\n[0]\nvalue=/old.mp3\n";
    config.writeStore(kApp, before);
    SettingsStore mine(kApp);
    mine.save(QStringLiteral("0"), QStringLiteral("value"), QStringLiteral("/new.mp3"));
    // A flush to the disk that fails is a failed save, with its reason and
    // the file named; the file is as it was and nothing is left beside it.
    const std::pair<int, QString> failures[] = {{EIO, QStringLiteral("输入/输出错误")},
                                                {ENOSPC, QStringLiteral("设备上没有空间")},
                                                {EROFS, QStringLiteral("只读文件系统")}};
    for (const auto& [error, words] : failures) {
        diskSyncFailure = error;
        const bool saved = mine.sync();
        diskSyncFailure = 0;
        EXPECT_FALSE(saved) << error;
        EXPECT_TRUE(mine.error().contains(words)) << mine.error().toStdString();
        EXPECT_TRUE(mine.error().contains(config.storeFile(kApp))) << mine.error().toStdString();
        EXPECT_EQ(config.readStore(kApp), before);
        EXPECT_EQ(besideStore(config), QStringList{QStringLiteral("ravelle.ini")});
    }

    // Another program wrote meanwhile: the save tried again keeps its entry,
    // in a new file renamed over the old one (a crash leaves no half file).
    {
        SettingsStore other(kApp);
        other.save(QStringLiteral("Settings"), QStringLiteral("ShowAbout"), QStringLiteral("True"));
        ASSERT_TRUE(other.sync());
    }
    const auto inode = [&] {
        struct stat info = {};
        ::stat(native(config.storeFile(kApp)).constData(), &info);
        return info.st_ino;
    };
    const auto inodeBefore = inode();
    ASSERT_TRUE(mine.sync()) << mine.error().toStdString();
    EXPECT_NE(inode(), inodeBefore);
    EXPECT_EQ(besideStore(config), QStringList{QStringLiteral("ravelle.ini")});
    const SettingsStore reread(kApp);
    EXPECT_EQ(reread.get(QStringLiteral("0"), QStringLiteral("value")), u"/new.mp3");
    EXPECT_EQ(reread.get(QStringLiteral("Settings"), QStringLiteral("ShowAbout")), u"True");
}

TEST(SettingsStore, ASaveHungOnTheDiskHoldsTheOthersBackOnceAndNoLongerThanItHangs) {
    TempConfig config;
    SettingsStore hung(kApp), other(kApp);
    int saves = 0;  // each save writes something new
    const auto hangWhile = [&](auto&& during) {
        hung.save(QStringLiteral("0"), QStringLiteral("value"), QString::number(++saves));
        diskSyncHangs = true;
        auto saving = std::async(std::launch::async, [&] { return hung.sync(); });
        QElapsedTimer waited;
        waited.start();
        while (!diskSyncHanging && waited.elapsed() < 10000)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        if (diskSyncHanging)
            during();
        else
            ADD_FAILURE() << "the save never reached the disk";
        diskSyncHangs = false;
        EXPECT_TRUE(saving.get()) << hung.error().toStdString();
    };
    const auto otherSaves = [&] {
        other.save(QStringLiteral("1"), QStringLiteral("value"), QString::number(++saves));
        return other.sync();
    };
    hangWhile([&] {
        // The first save behind it waits, and gives up in the end; the next
        // ones do not wait again.
        EXPECT_FALSE(otherSaves());
        EXPECT_TRUE(other.error().contains(QStringLiteral("另一次保存没有结束")));
        QElapsedTimer waited;
        waited.start();
        EXPECT_FALSE(otherSaves());
        EXPECT_LT(waited.elapsed(), 5000) << "a second wait for the same hung save";
    });
    // Once the disk answers, saves wait for each other again.
    hangWhile([&] {
        auto answering = std::async(std::launch::async, [] {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            diskSyncHangs = false;
        });
        EXPECT_TRUE(otherSaves()) << other.error().toStdString();
    });
}

TEST(SettingsStore, AStoreReadAheadIsTheOneTheProgramThenUsesAndItsDamageIsKeptAside) {
    TempConfig config;
    const QByteArray damaged = "[num]\nvalue=1\n[0]\nvalue=/m/a.mp3\nno settings here\n";
    config.writeStore(kApp, damaged);
    settings::prefetch(kApp);
    settings::prefetch(kApp);
    EXPECT_EQ(settings::GetSetting(kApp, QStringLiteral("0"), QStringLiteral("value")),
              u"/m/a.mp3");
    EXPECT_EQ(contentOf(settings::store(kApp).damagedCopy()), damaged);
    settings::SaveSetting(kApp, QStringLiteral("1"), QStringLiteral("value"), "/m/b.mp3");
    EXPECT_TRUE(settings::store(kApp).sync());
    EXPECT_TRUE(config.readStore(kApp).contains("/m/b.mp3"));

    // One that is never asked for is still closed cleanly. One whose read
    // does not end (a network disk gone) is given up, the file unread.
    settings::prefetch(QStringLiteral("工程1"));
    config.writeStore(QStringLiteral("hung"), "[num]\nvalue=1\n");
    std::promise<void> answer;
    settings::prefetch(QStringLiteral("hung"),
                       [hang = answer.get_future().share()](const auto&) { hang.wait(); });
    auto taking =
        std::async(std::launch::async, [] { return &settings::store(QStringLiteral("hung")); });
    const bool gaveUp = taking.wait_for(std::chrono::seconds(30)) == std::future_status::ready;
    answer.set_value();
    EXPECT_TRUE(gaveUp);
    EXPECT_TRUE(taking.get()->readProblem().contains(config.storeFile(QStringLiteral("hung"))));
}

TEST(SettingsStore, APipeOrADeviceAtTheStoresPathIsNeverOpenedAndNeverReplaced) {
    TempConfig config;
    const QString store = config.storeFile(kApp);
    QDir().mkpath(QFileInfo(store).path());
    const QString pipe = config.path() + QStringLiteral("/a pipe");
    ASSERT_EQ(::mkfifo(native(pipe).constData(), 0600), 0);
    // A socket stands for the device nodes, which may act when opened or be
    // replaced through a link: links here lead only to files the test made.
    const QString socketPath = config.path() + QStringLiteral("/a socket");
    const int listening = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address = {};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, native(socketPath).constData(), sizeof address.sun_path - 1);
    ASSERT_EQ(::bind(listening, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);

    for (const QString& target : {pipe, socketPath}) {
        QFile::remove(store);
        ASSERT_EQ(::mkfifo(native(store).constData(), 0600), 0);
        for (bool throughALink : {false, true}) {
            if (throughALink) {
                QFile::remove(store);
                ASSERT_TRUE(QFile::link(target, store));
            }
            std::unique_ptr<SettingsStore> opened = openWithin(config, pipe);
            EXPECT_TRUE(opened->readProblem().contains(store)) << target.toStdString();
            EXPECT_TRUE(opened->neverReplaced());
            opened->save(QStringLiteral("num"), QStringLiteral("value"), QStringLiteral("1"));
            EXPECT_FALSE(opened->sync());
            EXPECT_TRUE(opened->error().contains(store)) << opened->error().toStdString();
            struct stat info = {};
            ASSERT_EQ(::lstat(native(store).constData(), &info), 0);
            EXPECT_EQ(throughALink ? S_ISLNK(info.st_mode) : S_ISFIFO(info.st_mode), true)
                << "what stands at the path is left as it is";
            ASSERT_EQ(::stat(native(target).constData(), &info), 0);
            EXPECT_FALSE(S_ISREG(info.st_mode)) << "what a link leads to is left as it is";
        }
    }
    ::close(listening);
}

TEST(SettingsStore, DamageIsReadAsFarAsItGoesAndCopiedAsideOnceBeforeAnyWriteOverIt) {
    TempConfig config;
    const auto copies = [&] { return besideStore(config).filter(QStringLiteral(".damaged-")); };
    const QByteArray cutShort =
        "[num]\nvalue=3\n[0]\nvalue=" + QByteArray(1 << 20, 'x') + "\n[1]\nval";
    const QByteArray notUtf8 = "[num]\nvalue=3\n[0]\nvalue=/m/\xff\xfe\xc3(.mp3\n";
    for (const QByteArray& damaged : {cutShort, notUtf8}) {
        config.writeStore(kApp, damaged);
        // Each start finds the same damage when the exit could not replace it.
        for (int start = 0; start < 3; ++start) {
            const SettingsStore store(kApp);
            EXPECT_EQ(store.get(QStringLiteral("num"), QStringLiteral("value")), u"3");
            EXPECT_FALSE(store.get(QStringLiteral("0"), QStringLiteral("value")).isEmpty());
        }
    }
    EXPECT_EQ(copies().size(), 2) << "one copy of each damage";

    // Damage another program made after the start is kept before a save.
    config.writeStore(kApp, "[num]\nvalue=0\n");
    SettingsStore store(kApp);
    const QByteArray damaged = "written meanwhile, not settings\n";
    config.writeStore(kApp, damaged);
    store.save(QStringLiteral("num"), QStringLiteral("value"), QStringLiteral("1"));
    ASSERT_TRUE(store.sync()) << store.error().toStdString();
    EXPECT_EQ(copies().size(), 3);
    EXPECT_EQ(contentOf(store.damagedCopy()), damaged);
}

TEST(SettingsStore, WhatASaveCutShortLeftIsRemovedUnlessARunningCopyHoldsTheLock) {
    TempConfig config;
    config.writeStore(kApp, "[num]\nvalue=0\n");
    const QString store = config.storeFile(kApp);
    // The new files of a save and of a copy aside, cut short; then a copy
    // aside, and copies the user made by hand, under names a save never uses.
    for (const char* name : {".tmp-aB3xY9", ".damaged-20240101-000000.tmp-Zz09Qq",
                             ".damaged-20240101-000000", ".backup", ".old001"}) {
        QFile file(store + QString::fromLatin1(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write("[num]\nvalue=5\n") > 0);
    }
    // A running copy saving now: its new files stay.
    {
        QLockFile saving(store + QStringLiteral(".lock"));
        ASSERT_TRUE(saving.tryLock(0));
        SettingsStore opened(kApp);
        EXPECT_EQ(besideStore(config).size(), 7);
    }

    // The lock of a copy that was killed: its process is gone.
    const pid_t gone = ::fork();
    if (gone == 0) ::_exit(0);
    ASSERT_GT(gone, 0);
    ASSERT_EQ(::waitpid(gone, nullptr, 0), gone);
    {
        QFile lock(store + QStringLiteral(".lock"));
        ASSERT_TRUE(lock.open(QIODevice::WriteOnly));
        lock.write(QByteArray::number(gone) + "\nravelle\n" + QSysInfo::machineHostName().toUtf8() +
                   "\n");
    }
    SettingsStore opened(kApp);
    EXPECT_EQ(besideStore(config),
              (QStringList{"ravelle.ini", "ravelle.ini.backup",
                           "ravelle.ini.damaged-20240101-000000", "ravelle.ini.old001"}));
}
