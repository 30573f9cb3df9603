// The player in a folder that holds nothing beside the program: no volume
// picture, no slider component, no manifest. This test program is built into
// such a folder of its own, so what start-up finds there is real.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QTest>

#include "devices/WaveOut.h"
#include "doubles/SimulatedForm1.h"
#include "support/ModalWatcher.h"
#include "support/TempConfig.h"

namespace {
// What the folder the program runs from holds, besides the program itself
// and the platform library it needs.
QStringList strangers() {
    QDir folder(QCoreApplication::applicationDirPath());
    QStringList names = folder.entryList(QDir::Files);
    names.removeAll(QFileInfo(QCoreApplication::applicationFilePath()).fileName());
    names.removeIf([](const QString& name) { return name.startsWith(u"libravelle-platform"); });
    return names;
}
}  // namespace

TEST(BareFolder, StartUpRestoresThePlaylistWithoutThePictureOrTheSlider) {
    ASSERT_EQ(strangers(), QStringList()) << "the program's folder must hold nothing else";
    TempConfig config;
    config.writeStore(QStringLiteral("ravelle"),
                      "[num]\nvalue=2\n[0]\nvalue=/m/a.mp3\n[1]\nvalue=/m/b.mp3\n");
    ModalWatcher boxes;
    SimulatedForm1 form;
    form.Show();

    EXPECT_FALSE(form.Picture1.HasPicture());
    EXPECT_EQ(form.vsVolume, nullptr);
    ASSERT_EQ(form.List1.ListCount(), 2);
    EXPECT_EQ(form.List1.List(1), QStringLiteral("/m/b.mp3"));
    // The user is told, once the window is up, that the slider is missing.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !boxes.seen().isEmpty(); }, 5000));
    EXPECT_TRUE(boxes.seen().front().text.contains(QStringLiteral("工程1.NewHscrollbar")));
}

TEST(BareFolder, WithoutTheSliderTheScrollBarSetsTheOutputStraight) {
    const quint32 before = WaveOut::instance().volume();
    TempConfig config;
    ModalWatcher boxes;
    SimulatedForm1 form;
    form.Show();
    ASSERT_EQ(form.vsVolume, nullptr);
    EXPECT_EQ(WaveOut::instance().volume(), 0x4E204E20u) << "10000 at start, on both channels";
    form.HScroll1.setValue(32767);
    EXPECT_EQ(WaveOut::instance().volume(), 0xFFFFFFFFu);
    form.HScroll1.setValue(0);
    EXPECT_EQ(WaveOut::instance().volume(), 0u);
    waveOutSetVolume(0, before);
}
