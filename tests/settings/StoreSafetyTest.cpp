// Stores that are not what they should be: never hung on, never read into
// memory in proportion to their size, never written over unread or uncopied,
// and a failed save said as such, with its reason and the file.
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

void makeStoreFolder(const TempConfig& config) {
    QDir().mkpath(QFileInfo(config.storeFile(kApp)).path());
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

TEST(StoreSafety, APipeOrADeviceAtTheStoresPathIsNeverOpenedAndNeverReplaced) {
    TempConfig config;
    makeStoreFolder(config);
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

TEST(StoreSafety, AFileLargerThanAnyPlaylistIsRefusedUnreadAndLeftAsItIs) {
    TempConfig config;
    makeStoreFolder(config);
    const QString store = config.storeFile(kApp);
    {
        // A sparse file: its size costs no disk.
        QFile file(store);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_TRUE(file.resize(settings::kMaxStoreBytes + 1));
    }
    // Read ahead, as the program does, then taken once and closed: no
    // failure comes back at the end.
    settings::prefetch(kApp);
    SettingsStore& opened = settings::store(kApp);
    EXPECT_TRUE(opened.readProblem().contains(store));
    EXPECT_TRUE(opened.readProblem().contains(QStringLiteral("过大")));
    EXPECT_TRUE(damagedCopies(config).isEmpty()) << "nothing was read, so nothing is copied";
    opened.save(QStringLiteral("num"), QStringLiteral("value"), QStringLiteral("0"));
    EXPECT_FALSE(opened.sync()) << "an unread file is not written over";
    settings::closeAllStores();
    EXPECT_EQ(QFileInfo(store).size(), settings::kMaxStoreBytes + 1);

    // Unless the program says so: then it is moved aside, whole.
    SettingsStore replacing(kApp);
    replacing.save(QStringLiteral("num"), QStringLiteral("value"), QStringLiteral("0"));
    replacing.replaceUnreadFile();
    ASSERT_TRUE(replacing.sync()) << replacing.error().toStdString();
    ASSERT_EQ(damagedCopies(config).size(), 1);
    EXPECT_EQ(QFileInfo(QFileInfo(store).path() + u'/' + damagedCopies(config)[0]).size(),
              settings::kMaxStoreBytes + 1);
    EXPECT_EQ(config.readStore(kApp), QByteArray("[num]\nvalue=0\n"));
}

TEST(StoreSafety, AByteOrderMarkIsReadPastAndTheFileIsUnderstood) {
    TempConfig config;
    config.writeStore(kApp, "\xEF\xBB\xBF[num]\nvalue=1\n[0]\nvalue=/m/a.mp3\n");
    SettingsStore store(kApp);
    EXPECT_EQ(store.get(QStringLiteral("num"), QStringLiteral("value")), QStringLiteral("1"));
    EXPECT_EQ(store.get(QStringLiteral("0"), QStringLiteral("value")), QStringLiteral("/m/a.mp3"));
    EXPECT_TRUE(store.damagedCopy().isEmpty());
}

TEST(StoreSafety, TextThatIsNotSettingsOrNotUtf8IsKeptAsideByteForByte) {
    TempConfig config;
    const QList<QByteArray> stores = {
        "just some words\nabout music\n", "{\"num\": 2, \"entries\": [\"/m/a.mp3\"]}\n",
        "[num]\nvalue=2\n[0]\nvalue=/m/caf\xe9.mp3\n[1]\nvalue=/m/ok.mp3\n",  // Latin-1
        "[num]\nvalue=1\n[0]\nvalue=/m/\xd2\xf4\xc0\xd6.mp3\n",               // GBK
    };
    for (const QByteArray& bytes : stores) {
        TempConfig fresh;
        fresh.writeStore(kApp, bytes);
        SettingsStore store(kApp);
        ASSERT_FALSE(store.damagedCopy().isEmpty()) << bytes.constData();
        EXPECT_EQ(contentOf(store.damagedCopy()), bytes);
    }
    TempConfig latin1;
    latin1.writeStore(kApp, stores[2]);
    SettingsStore store(kApp);
    EXPECT_TRUE(store.damagedEncoding());
    EXPECT_EQ(store.get(QStringLiteral("1"), QStringLiteral("value")), QStringLiteral("/m/ok.mp3"))
        << "what can be read is kept";
}

TEST(StoreSafety, ADamagedFileMetAgainGetsNoSecondCopy) {
    TempConfig config;
    config.writeStore(kApp, QByteArray("not settings\n") + QByteArray(100000, 'x'));
    // Each start finds the same damage when the exit could not replace it.
    for (int start = 0; start < 3; ++start) SettingsStore(kApp).damagedCopy();
    EXPECT_EQ(damagedCopies(config).size(), 1);
    config.writeStore(kApp, "other damage\n");
    SettingsStore(kApp).damagedCopy();
    EXPECT_EQ(damagedCopies(config).size(), 2) << "different damage is kept too";
}

TEST(StoreSafety, AFailedFlushToTheDiskIsAFailedSaveWithItsReasonAndTheFile) {
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

TEST(StoreSafety, WhatASaveCutShortLeftIsRemovedUnlessARunningCopyHoldsTheLock) {
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

TEST(StoreSafety, AFileDamagedByAnotherProgramAfterTheStartIsKeptBeforeASaveReplacesIt) {
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
