// The per-user settings store as a file: where it is kept and in which
// dialect (QSettings reads what it writes, and the other way round), values
// that come back exactly, a write that replaces the file whole and keeps
// what another program wrote, and files that are not what they should be:
// never hung on, never written over unread or uncopied, a failed flush said
// as such, and what a save cut short left cleared. What the player makes of
// a damaged or unreadable store is tested with the player.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSettings>
#include <QSysInfo>
#include <cerrno>
#include <cstring>
#include <future>

#include "FailingDiskSync.h"
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

QStringList damagedCopies(const TempConfig& config) {
    return besideStore(config).filter(QStringLiteral("ravelle.ini.damaged-"));
}

QByteArray contentOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

// Opens the store on another thread: a store that would hang start-up fails
// the test instead of hanging it. Unblocks a pipe's reader if need be.
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
}  // namespace

TEST(SettingsStore, KeepsOneIniFilePerApplicationUnderTheConfigFolder) {
    TempConfig config;
    EXPECT_EQ(SettingsStore::filePath(QStringLiteral("ravelle")),
              config.path() + QStringLiteral("/ProgramSettings/ravelle.ini"));

    settings::SaveSetting(QStringLiteral("ravelle"), QStringLiteral("num"), QStringLiteral("value"),
                          QStringLiteral("3"));
    settings::SaveSetting(QStringLiteral("工程1"), QStringLiteral("Settings"),
                          QStringLiteral("ShowAbout"), QStringLiteral("True"));
    ASSERT_TRUE(settings::store(QStringLiteral("ravelle")).sync());
    ASSERT_TRUE(settings::store(QStringLiteral("工程1")).sync());
    EXPECT_EQ(config.readStore(QStringLiteral("ravelle")), QByteArray("[num]\nvalue=3\n"));
    EXPECT_TRUE(config.readStore(QStringLiteral("工程1")).contains("[Settings]\nShowAbout=True"));
}

TEST(SettingsStore, QSettingsReadsWhatTheStoreWritesAndTheOtherWayRound) {
    TempConfig config;
    const QStringList values = {
        QStringLiteral("/home/用户/音乐/歌 🎵.mp3"),
        QStringLiteral("tab\there, newline\nthere"),
        QStringLiteral("\\x41 is not A, \\\\ stays"),
        QStringLiteral("ends with backslash\\"),
        QStringLiteral("\"fully quoted\""),
        QStringLiteral("@@double at"),
        QStringLiteral("semi;colon"),
        QStringLiteral(" "),
        QString(QChar(1)) + QStringLiteral("1f after a control character"),
        QStringLiteral("café ñ"),
        QStringLiteral("/m/tab\tthen\uFEFFa byte-order mark.mp3"),
        QStringLiteral("one,two, three"),
        QStringLiteral("@Variant(not really)"),
        QStringLiteral("[section]"),
        QString(),
    };
    const QString file = config.storeFile(QStringLiteral("ravelle"));
    {
        SettingsStore store(QStringLiteral("ravelle"));
        for (int i = 0; i < values.size(); ++i)
            store.save(QString::number(i), QStringLiteral("value"), values[i]);
        store.save(QStringLiteral("名 字"), QStringLiteral("k e%y"), QStringLiteral("x"));
        ASSERT_TRUE(store.sync());
    }
    {
        QSettings qt(file, QSettings::IniFormat);
        for (int i = 0; i < values.size(); ++i)
            EXPECT_EQ(qt.value(QString::number(i) + QStringLiteral("/value")).toString(), values[i])
                << i;
        EXPECT_EQ(qt.value(QStringLiteral("名 字/k e%y")).toString(), QStringLiteral("x"));
        for (int i = 0; i < values.size(); ++i)
            qt.setValue(QString::number(100 + i) + QStringLiteral("/value"), values[i]);
        qt.sync();
    }
    SettingsStore reread(QStringLiteral("ravelle"));
    for (int i = 0; i < values.size(); ++i) {
        EXPECT_EQ(reread.get(QString::number(i), QStringLiteral("value"), "x"), values[i]) << i;
        EXPECT_EQ(reread.get(QString::number(100 + i), QStringLiteral("value")), values[i]) << i;
    }
    EXPECT_EQ(reread.get(QStringLiteral("99"), QStringLiteral("value"), QStringLiteral("42.mid")),
              QStringLiteral("42.mid"));

    // A value that starts with a byte-order mark keeps it (QSettings itself
    // drops it).
    const QString marked = QStringLiteral("\uFEFF/m/starts with a byte-order mark.mp3");
    {
        SettingsStore store(QStringLiteral("ravelle"));
        store.save(QStringLiteral("marked"), QStringLiteral("value"), marked);
        ASSERT_TRUE(store.sync());
    }
    EXPECT_EQ(SettingsStore(QStringLiteral("ravelle"))
                  .get(QStringLiteral("marked"), QStringLiteral("value")),
              marked);
    EXPECT_FALSE(reread.contains(QStringLiteral("99"), QStringLiteral("value")));
    EXPECT_EQ(reread.get(QStringLiteral("名 字"), QStringLiteral("k e%y")), QStringLiteral("x"));
}

TEST(SettingsStore, OddButReadableFilesAreReadWithoutHarm) {
    TempConfig config;
    const QByteArray longLine = "[0]\nvalue=" + QByteArray(1 << 20, 'x') + "\n[num]\nvalue=1\n";
    const QByteArray badUtf8 = "[num]\nvalue=1\n[0]\nvalue=/m/\xff\xfe\xc3(.mp3\n";
    const QByteArray truncated = "[num]\nvalue=3\n[0]\nvalue=/m/a.mp3\n[1]\nval";
    for (const QByteArray& text : {longLine, badUtf8, truncated}) {
        config.writeStore(QStringLiteral("ravelle"), text);
        SettingsStore store(QStringLiteral("ravelle"));
        EXPECT_FALSE(store.get(QStringLiteral("num"), QStringLiteral("value")).isEmpty());
        EXPECT_FALSE(store.get(QStringLiteral("0"), QStringLiteral("value")).isEmpty());
    }
}

TEST(SettingsStore, AnEscapedHalfOfASurrogatePairReadsAsAReplacementAndWritesBackTheSame) {
    TempConfig config;
    config.writeStore(QStringLiteral("ravelle"), "[0]\nvalue=a\\xdfff-b\n");
    const QString read = QStringLiteral("a\uFFFD-b");
    {
        SettingsStore store(QStringLiteral("ravelle"));
        EXPECT_EQ(store.get(QStringLiteral("0"), QStringLiteral("value")), read);
        store.save(QStringLiteral("1"), QStringLiteral("value"), QStringLiteral("x"));
        ASSERT_TRUE(store.sync());
    }
    EXPECT_EQ(
        SettingsStore(QStringLiteral("ravelle")).get(QStringLiteral("0"), QStringLiteral("value")),
        read);
}

TEST(SettingsStore, AWriteReplacesTheFileWholeAndLeavesNoTemporaryBehind) {
    TempConfig config;
    config.writeStore(QStringLiteral("ravelle"), "[num]\nvalue=1\n[0]\nvalue=/old.mp3\n");
    const QString file = config.storeFile(QStringLiteral("ravelle"));
    auto inode = [&] {
        struct stat info = {};
        ::stat(QFile::encodeName(file).constData(), &info);
        return info.st_ino;
    };
    const auto inodeBefore = inode();
    {
        SettingsStore store(QStringLiteral("ravelle"));
        store.save(QStringLiteral("0"), QStringLiteral("value"), QStringLiteral("/new.mp3"));
        ASSERT_TRUE(store.sync());
    }
    // A new file renamed over the old one: a crash part-way leaves the old
    // file untouched rather than half-written.
    EXPECT_NE(inode(), inodeBefore);
    const QStringList left = QDir(QFileInfo(file).path()).entryList(QDir::Files);
    EXPECT_EQ(left, QStringList{QStringLiteral("ravelle.ini")});
}

TEST(SettingsStore, ASyncKeepsWhatAnotherProgramWroteMeanwhile) {
    TempConfig config;
    SettingsStore mine(QStringLiteral("工程1"));
    {
        SettingsStore other(QStringLiteral("工程1"));
        other.save(QStringLiteral("Settings"), QStringLiteral("ShowAbout"), QStringLiteral("True"));
        ASSERT_TRUE(other.sync());
    }
    mine.save(QStringLiteral("Other"), QStringLiteral("key"), QStringLiteral("mine"));
    ASSERT_TRUE(mine.sync());
    SettingsStore reread(QStringLiteral("工程1"));
    EXPECT_EQ(reread.get(QStringLiteral("Settings"), QStringLiteral("ShowAbout")),
              QStringLiteral("True"));
    EXPECT_EQ(reread.get(QStringLiteral("Other"), QStringLiteral("key")), QStringLiteral("mine"));
}

TEST(SettingsStore, APrefetchedStoreIsTheOneTheProgramThenUses) {
    TempConfig config;
    config.writeStore(QStringLiteral("ravelle"), "[num]\nvalue=1\n[0]\nvalue=/m/a.mp3\n");
    settings::prefetch(QStringLiteral("ravelle"));
    settings::prefetch(QStringLiteral("ravelle"));
    EXPECT_EQ(settings::GetSetting(QStringLiteral("ravelle"), QStringLiteral("0"),
                                   QStringLiteral("value")),
              QStringLiteral("/m/a.mp3"));
    settings::SaveSetting(QStringLiteral("ravelle"), QStringLiteral("1"), QStringLiteral("value"),
                          QStringLiteral("/m/b.mp3"));
    EXPECT_TRUE(settings::store(QStringLiteral("ravelle")).sync());
    EXPECT_TRUE(config.readStore(QStringLiteral("ravelle")).contains("/m/b.mp3"));

    // One that is never asked for is still closed cleanly.
    settings::prefetch(QStringLiteral("工程1"));
}

TEST(SettingsStore, ADamagedStoreParsedAheadIsKeptAsideAsWell) {
    TempConfig config;
    const QByteArray damaged = "[num]\nvalue=1\n[0]\nvalue=/m/a.mp3\nno settings here\n";
    config.writeStore(QStringLiteral("ravelle"), damaged);
    settings::prefetch(QStringLiteral("ravelle"));
    const SettingsStore& store = settings::store(QStringLiteral("ravelle"));
    EXPECT_EQ(store.get(QStringLiteral("0"), QStringLiteral("value")), QStringLiteral("/m/a.mp3"));
    ASSERT_FALSE(store.damagedCopy().isEmpty());
    QFile copy(store.damagedCopy());
    ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
    EXPECT_EQ(copy.readAll(), damaged);
}

TEST(SettingsStore, APipeOrADeviceAtTheStoresPathIsNeverOpenedAndNeverReplaced) {
    TempConfig config;
    QDir().mkpath(QFileInfo(config.storeFile(kApp)).path());
    const QString store = config.storeFile(kApp);
    const QString pipe = config.path() + QStringLiteral("/a pipe");
    ASSERT_EQ(::mkfifo(native(pipe).constData(), 0600), 0);
    // A socket stands for the device nodes: opened, a device may do
    // something, and a store that wrote through a link would replace it.
    // Links here lead only to files the test made.
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

TEST(SettingsStore, ADamagedFileMetAgainGetsNoSecondCopy) {
    TempConfig config;
    config.writeStore(kApp, QByteArray("not settings\n") + QByteArray(100000, 'x'));
    // Each start finds the same damage when the exit could not replace it.
    for (int start = 0; start < 3; ++start) SettingsStore(kApp).damagedCopy();
    EXPECT_EQ(damagedCopies(config).size(), 1);
    config.writeStore(kApp, "other damage\n");
    SettingsStore(kApp).damagedCopy();
    EXPECT_EQ(damagedCopies(config).size(), 2) << "different damage is kept too";
}

TEST(SettingsStore, AFailedFlushToTheDiskIsAFailedSaveWithItsReasonAndTheFile) {
    TempConfig config;
    config.writeStore(kApp, "[num]\nvalue=1\n[0]\nvalue=/m/old.mp3\n");
    const struct {
        int error;
        QString words;
    } failures[] = {{EIO, QStringLiteral("输入/输出错误")},
                    {ENOSPC, QStringLiteral("设备上没有空间")},
                    {EROFS, QStringLiteral("只读文件系统")}};
    for (const auto& failure : failures) {
        SettingsStore store(kApp);
        store.save(QStringLiteral("0"), QStringLiteral("value"), QStringLiteral("/m/new.mp3"));
        failDiskSyncWith(failure.error);
        const bool saved = store.sync();
        failDiskSyncWith(0);
        EXPECT_FALSE(saved) << failure.error;
        EXPECT_TRUE(store.error().contains(failure.words)) << store.error().toStdString();
        EXPECT_TRUE(store.error().contains(config.storeFile(kApp))) << store.error().toStdString();
        EXPECT_EQ(config.readStore(kApp), QByteArray("[num]\nvalue=1\n[0]\nvalue=/m/old.mp3\n"));
        EXPECT_EQ(besideStore(config), QStringList{QStringLiteral("ravelle.ini")})
            << "no new file is left behind";
    }
}

TEST(SettingsStore, WhatASaveCutShortLeftIsRemovedUnlessARunningCopyHoldsTheLock) {
    TempConfig config;
    config.writeStore(kApp, "[num]\nvalue=0\n");
    const QString store = config.storeFile(kApp);
    const QString leftover = store + QStringLiteral(".tmp-aB3xY9");
    const QString copyLeftover = store + QStringLiteral(".damaged-20240101-000000.tmp-Zz09Qq");
    const QString notOurs = store + QStringLiteral(".damaged-20240101-000000");
    // Copies the user made by hand, under names a save never uses.
    const QString backup = store + QStringLiteral(".backup");
    const QString old = store + QStringLiteral(".old001");
    for (const QString& name : {leftover, copyLeftover, notOurs, backup, old}) {
        QFile file(name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("[num]\nvalue=5\n");
    }

    // A running copy saving now: its new file stays.
    {
        QLockFile saving(store + QStringLiteral(".lock"));
        ASSERT_TRUE(saving.tryLock(0));
        SettingsStore opened(kApp);
        EXPECT_TRUE(QFileInfo::exists(leftover));
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
    EXPECT_FALSE(QFileInfo::exists(leftover));
    EXPECT_FALSE(QFileInfo::exists(copyLeftover));
    EXPECT_FALSE(QFileInfo::exists(store + QStringLiteral(".lock")));
    EXPECT_TRUE(QFileInfo::exists(notOurs));
    EXPECT_TRUE(QFileInfo::exists(backup));
    EXPECT_TRUE(QFileInfo::exists(old));
    EXPECT_TRUE(QFileInfo::exists(store));
}

TEST(SettingsStore, AFileDamagedByAnotherProgramAfterTheStartIsKeptBeforeASaveReplacesIt) {
    TempConfig config;
    config.writeStore(kApp, "[num]\nvalue=0\n");
    SettingsStore store(kApp);
    const QByteArray damaged = "written meanwhile, not settings\n";
    config.writeStore(kApp, damaged);
    store.save(QStringLiteral("num"), QStringLiteral("value"), QStringLiteral("1"));
    ASSERT_TRUE(store.sync()) << store.error().toStdString();
    ASSERT_EQ(damagedCopies(config).size(), 1);
    EXPECT_EQ(contentOf(store.damagedCopy()), damaged);
}
