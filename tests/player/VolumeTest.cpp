// The volume chain: scroll bar, the hidden slider created from quillet,
// the level word, and the output level every stream plays at.
#include <gtest/gtest.h>

#include <QTest>

#include "Form1.h"
#include "devices/WaveOut.h"
#include "doubles/ScriptedFileDialog.h"
#include "doubles/SimulatedMediaDevice.h"
#include "support/TempConfig.h"

namespace {
constexpr com::DispId kValue = 1745027073;

struct Rig {
    Rig()
        : device(new SimulatedMediaDevice),
          form(std::unique_ptr<MediaDevice>(device), std::make_unique<ScriptedFileDialog>()) {}
    int sliderValue() { return form.vsVolume->get(kValue).toInt32(); }
    TempConfig config;
    SimulatedMediaDevice* device;
    Form1 form;
};
}  // namespace

TEST(Volume, StartUpCreatesTheSliderAndSetsTheLevelOnceBeforeThePlaylistIsRestored) {
    waveOutSetVolume(0, 0xFFFFFFFF);
    Rig rig;
    rig.config.writeStore(QStringLiteral("ravelle"), "[num]\nvalue=1\n[0]\nvalue=/m/a.mp3\n");
    ASSERT_NE(rig.form.vsVolume, nullptr) << rig.form.componentError().toStdString();
    std::vector<std::pair<quint32, int>> levels;  // level, entries restored by then
    QObject::connect(&WaveOut::instance(), &WaveOut::volumeChanged, &rig.form,
                     [&](quint32 word) { levels.emplace_back(word, rig.form.List1.ListCount()); });
    rig.form.Show();
    EXPECT_EQ(levels, (std::vector<std::pair<quint32, int>>{{0x4E204E20, 0}}));
    EXPECT_EQ(rig.form.List1.ListCount(), 1);
    EXPECT_EQ(rig.sliderValue(), 10000);
    EXPECT_FALSE(rig.form.vsVolume->Visible());
}

TEST(Volume, EveryScrollBarValueReachesBothChannelsThroughTheSliderForEveryStream) {
    Rig rig;
    rig.form.Show();
    // A tie rounds to even: 16384 / 32767 of 65535 is 32767.5, so 32768.
    const std::pair<int, quint32> table[] = {
        {0, 0x00000000},     {1, 0x00020002},     {10000, 0x4E204E20},
        {16383, 0x7FFF7FFF}, {16384, 0x80008000}, {32767, 0xFFFFFFFF},
    };
    for (const auto& [value, word] : table) {
        rig.form.HScroll1.setValue(value);
        EXPECT_EQ(rig.sliderValue(), value);
        EXPECT_EQ(WaveOut::instance().volume(), word) << value;
    }

    // An arrow click steps by one: 10001 / 32767 of 65535 is 20002.
    rig.form.HScroll1.setValue(10000);
    QScrollBar* bar = rig.form.HScroll1.bar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(bar->width() - 3, bar->height() / 2));
    EXPECT_EQ(rig.form.HScroll1.Value(), 10001);
    EXPECT_EQ(rig.sliderValue(), 10001);
    EXPECT_EQ(WaveOut::instance().volume(), 0x4E224E22u);
    // A stream opened later plays at the level, and an open one follows it.
    rig.device->addFile(QStringLiteral("/m/a.wav"), 5000);
    rig.form.List1.AddItem(QStringLiteral("/m/a.wav"));
    rig.form.Command2_Click();
    EXPECT_EQ(rig.device->appliedLevel(), 0x4E224E22u);
    rig.form.HScroll1.setValue(16384);
    EXPECT_EQ(rig.device->appliedLevel(), 0x80008000u);
}
