// The playlist is saved soon after each change, without waiting for the
// exit: what a crash would find on disk.
#include <gtest/gtest.h>

#include "PlayerRig.h"
#include "SavedPlaylist.h"
#include "doubles/SimulatedForm1.h"
#include "settings/SettingsStore.h"

namespace {
// The list as a fresh start would read it from disk now.
QStringList onDisk() {
    settings::SettingsStore store(QStringLiteral("ravelle"));
    const int count = store.get(QStringLiteral("num"), QStringLiteral("value")).toInt();
    QStringList list;
    for (int i = 0; i < count; ++i)
        list << store.get(QString::number(i), QStringLiteral("value"), QStringLiteral("<absent>"));
    return list;
}

void writtenNow(PlayerRig& rig) { ASSERT_TRUE(rig.form->savedPlaylist().flush()); }
}  // namespace

TEST(Autosave, EveryEditOfThePlaylistReachesTheDiskWithoutAnExit) {
    PlayerRig rig;
    const QString a = QStringLiteral("/m/a.mp3"), b = QStringLiteral("/m/b.mp3"),
                  c = QStringLiteral("/m/c.mp3");
    rig.mci->addFile(a, 1000);
    rig.open(a);  // Open appends
    writtenNow(rig);
    EXPECT_EQ(onDisk(), QStringList{a});

    rig.cdlg->answer(b);  // 添加
    errors::dispatch(rig.form->add.Click);
    rig.cdlg->answer(c);
    errors::dispatch(rig.form->add.Click);
    writtenNow(rig);
    EXPECT_EQ(onDisk(), (QStringList{a, b, c}));

    rig.form->List1.setListIndex(0);  // 删除
    errors::dispatch(rig.form->del.Click);
    writtenNow(rig);
    EXPECT_EQ(onDisk(), (QStringList{b, c}));

    rig.form->List1.setListIndex(1);  // 删除其余
    errors::dispatch(rig.form->delt.Click);
    writtenNow(rig);
    EXPECT_EQ(onDisk(), QStringList{c});
}

TEST(Autosave, EditsCloseTogetherShareOneSaveAndTheExitSavesNoOlderList) {
    PlayerRig rig;
    for (int i = 0; i < 50; ++i) rig.form->List1.AddItem(QStringLiteral("/m/%1.mp3").arg(i));
    writtenNow(rig);
    EXPECT_EQ(rig.form->savedPlaylist().savesBegun(), 1);
    EXPECT_EQ(onDisk().size(), 50);

    // Within the second after that save, a change waits for the second to end.
    rig.form->List1.RemoveItem(0);
    EXPECT_EQ(rig.form->savedPlaylist().savesBegun(), 1);
    rig.form->close();
    settings::closeAllStores();
    EXPECT_EQ(onDisk().size(), 49) << "the exit writes the list as it ends";
}

TEST(Autosave, AStoreKeptAsideAsDamagedIsReplacedByTheFirstSave) {
    TempConfig config;
    config.writeStore(QStringLiteral("ravelle"), "[num]\nvalue=\n[0]\nvalue=/m/a.mp3\n");
    ModalWatcher told;
    SimulatedForm1 form;
    form.Show();
    QTest::qWait(0);
    ASSERT_EQ(told.seen().size(), 1);
    form.List1.AddItem(QStringLiteral("/m/b.mp3"));
    ASSERT_TRUE(form.savedPlaylist().flush());
    EXPECT_EQ(onDisk(), (QStringList{QStringLiteral("/m/a.mp3"), QStringLiteral("/m/b.mp3")}));
    form.close();
}
