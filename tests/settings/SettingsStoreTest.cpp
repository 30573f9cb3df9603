// The per-user settings store: where it keeps its file, that values come
// back exactly, and that damaged or unwritable stores lose nothing.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

#include "settings/SettingsStore.h"
#include "support/TempConfig.h"

using settings::SettingsStore;

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

TEST(SettingsStore, ValuesComeBackExactlyAndAbsentOnesReadTheirDefault) {
    TempConfig config;
    const QStringList values = {
        QStringLiteral("/home/用户/音乐/一首歌.mp3"),
        QStringLiteral("/music/with space/a b.ogg"),
        QStringLiteral("a=b;c#d\"e\\f"),
        QStringLiteral("  leading and trailing  "),
        QStringLiteral("one,two, three"),
        QStringLiteral("@Variant(not really)"),
        QStringLiteral("[section]"),
        QStringLiteral("C:\\windows\\style\\path.wav"),
        QStringLiteral("\uFEFF/m/starts with a byte-order mark.mp3"),
        QStringLiteral("/m/tab\tthen\uFEFFa byte-order mark.mp3"),
        QString(),
    };
    {
        SettingsStore store(QStringLiteral("ravelle"));
        for (int i = 0; i < values.size(); ++i)
            store.save(QString::number(i), QStringLiteral("value"), values[i]);
        ASSERT_TRUE(store.sync()) << store.error().toStdString();
    }
    SettingsStore reread(QStringLiteral("ravelle"));
    for (int i = 0; i < values.size(); ++i)
        EXPECT_EQ(reread.get(QString::number(i), QStringLiteral("value"), QStringLiteral("x")),
                  values[i])
            << i;
    EXPECT_EQ(reread.get(QStringLiteral("99"), QStringLiteral("value"), QStringLiteral("42.mid")),
              QStringLiteral("42.mid"));
    EXPECT_EQ(reread.get(QStringLiteral("99"), QStringLiteral("value")), QString());
    EXPECT_FALSE(reread.contains(QStringLiteral("99"), QStringLiteral("value")));
    EXPECT_TRUE(reread.contains(QStringLiteral("8"), QStringLiteral("value")));
}

TEST(SettingsStore, AFileThatIsNotSettingsIsKeptAsideAndWhatCanBeReadIsKept) {
    TempConfig config;
    QByteArray garbage("[num]\nvalue=2\n[0]\nvalue=/a/keep.mp3\n");
    for (int i = 0; i < 4096; ++i) garbage.append(char((i * 7919) % 256));
    config.writeStore(QStringLiteral("ravelle"), garbage);

    SettingsStore store(QStringLiteral("ravelle"));
    ASSERT_FALSE(store.damagedCopy().isEmpty());
    QFile copy(store.damagedCopy());
    ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
    EXPECT_EQ(copy.readAll(), garbage) << "the original bytes are kept as they were";
    EXPECT_EQ(store.get(QStringLiteral("0"), QStringLiteral("value")),
              QStringLiteral("/a/keep.mp3"));

    store.save(QStringLiteral("1"), QStringLiteral("value"), QStringLiteral("/a/new.mp3"));
    ASSERT_TRUE(store.sync()) << store.error().toStdString();
    SettingsStore reread(QStringLiteral("ravelle"));
    EXPECT_TRUE(reread.damagedCopy().isEmpty()) << "the rewritten file is sound";
    EXPECT_EQ(reread.get(QStringLiteral("0"), QStringLiteral("value")),
              QStringLiteral("/a/keep.mp3"));
    EXPECT_EQ(reread.get(QStringLiteral("1"), QStringLiteral("value")),
              QStringLiteral("/a/new.mp3"));
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

TEST(SettingsStore, AStoreThatCannotBeWrittenSaysSoAndNamesTheFile) {
    TempConfig config;
    // A plain file where the settings folder should be: nothing can be
    // created below it, whoever runs the test.
    QFile blocker(config.path() + QStringLiteral("/ProgramSettings"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    SettingsStore store(QStringLiteral("ravelle"));
    EXPECT_EQ(store.get(QStringLiteral("num"), QStringLiteral("value"), QStringLiteral("d")),
              QStringLiteral("d"));
    store.save(QStringLiteral("num"), QStringLiteral("value"), QStringLiteral("1"));
    EXPECT_FALSE(store.sync());
    EXPECT_TRUE(store.error().contains(store.path())) << store.error().toStdString();
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
    for (int i = 0; i < values.size(); ++i)
        EXPECT_EQ(reread.get(QString::number(100 + i), QStringLiteral("value")), values[i]) << i;
    EXPECT_EQ(reread.get(QStringLiteral("名 字"), QStringLiteral("k e%y")), QStringLiteral("x"));
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
