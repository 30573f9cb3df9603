// The player in a folder that holds nothing beside the program: no volume
// picture, no slider component, no manifest. This test program is built into
// such a folder of its own, so what start-up finds there is real.
#include <gtest/gtest.h>

#include <QTest>

#include "devices/WaveOut.h"
#include "doubles/SimulatedForm1.h"
#include "support/ModalWatcher.h"
#include "support/TempConfig.h"

TEST(BareFolder, StartUpRestoresThePlaylistAndTheScrollBarSetsTheOutputStraight) {
    const quint32 before = WaveOut::instance().volume();
    TempConfig config;
    config.writeStore(QStringLiteral("ravelle"),
                      "[num]\nvalue=2\n[0]\nvalue=/m/a.mp3\n[1]\nvalue=/m/b.mp3\n");
    ModalWatcher boxes;
    SimulatedForm1 form;
    form.Show();
    EXPECT_FALSE(form.Picture1.HasPicture());
    ASSERT_EQ(form.vsVolume, nullptr);
    EXPECT_EQ(form.List1.texts().all(), (QStringList{"/m/a.mp3", "/m/b.mp3"}));
    // The user is told, once the window is up, that the slider is missing.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !boxes.seen().isEmpty(); }, 5000));
    EXPECT_TRUE(boxes.seen().front().text.contains(QStringLiteral("工程1.NewHscrollbar")));

    // The scroll bar sets both channels itself: 10000 at start.
    EXPECT_EQ(WaveOut::instance().volume(), 0x4E204E20u);
    form.HScroll1.setValue(32767);
    EXPECT_EQ(WaveOut::instance().volume(), 0xFFFFFFFFu);
    form.HScroll1.setValue(0);
    EXPECT_EQ(WaveOut::instance().volume(), 0u);
    waveOutSetVolume(0, before);
}
