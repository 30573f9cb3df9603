// The volume chain: scroll bar, the hidden slider created from quillet,
// the level word, and the output level every stream plays at.
#include <gtest/gtest.h>

#include "Form1.h"
#include "devices/WaveOut.h"
#include "doubles/SimulatedForm1.h"
#include "doubles/SimulatedMediaDevice.h"
#include "support/TempConfig.h"

namespace {
constexpr com::DispId kValue = 1745027073;
int sliderValue(Form1& form) { return form.vsVolume->get(kValue).toInt32(); }

// The output level is the process's: each case leaves it as it found it.
class Volume : public ::testing::Test {
    const quint32 m_before = WaveOut::instance().volume();

protected:
    ~Volume() override { waveOutSetVolume(0, m_before); }
};
}  // namespace

TEST_F(Volume, StartUpCreatesTheSliderAndSetsTheLevelOnceBeforeThePlaylistIsRestored) {
    waveOutSetVolume(0, 0xFFFFFFFF);
    TempConfig config;
    config.writeStore(QStringLiteral("ravelle"), "[num]\nvalue=1\n[0]\nvalue=/m/a.mp3\n");
    SimulatedForm1 form;
    ASSERT_NE(form.vsVolume, nullptr) << form.componentError().toStdString();
    std::vector<std::pair<quint32, int>> levels;  // level, entries restored by then
    QObject::connect(&WaveOut::instance(), &WaveOut::volumeChanged, &form,
                     [&](quint32 word) { levels.emplace_back(word, form.List1.ListCount()); });
    form.Show();
    EXPECT_EQ(levels, (std::vector<std::pair<quint32, int>>{{0x4E204E20, 0}}));
    EXPECT_EQ(form.List1.ListCount(), 1);
    EXPECT_EQ(sliderValue(form), 10000);
    EXPECT_FALSE(form.vsVolume->Visible());
}

TEST_F(Volume, EveryScrollBarValueReachesBothChannelsThroughTheSliderForEveryStream) {
    TempConfig config;
    SimulatedForm1 form;
    form.Show();
    // A tie rounds to even: 16384 / 32767 of 65535 is 32767.5, so 32768.
    const std::pair<int, quint32> table[] = {
        {0, 0x00000000},     {1, 0x00020002},     {10000, 0x4E204E20},
        {16383, 0x7FFF7FFF}, {16384, 0x80008000}, {32767, 0xFFFFFFFF},
    };
    for (const auto& [value, word] : table) {
        form.HScroll1.setValue(value);
        EXPECT_EQ(sliderValue(form), value);
        EXPECT_EQ(WaveOut::instance().volume(), word) << value;
    }

    // A stream opened later plays at the level (10001 / 32767 of 65535 is
    // 20002), and an open one follows it.
    form.HScroll1.setValue(10001);
    auto& device = static_cast<SimulatedMediaDevice&>(form.mci);
    device.addFile(QStringLiteral("/m/a.wav"), 5000);
    form.List1.AddItem(QStringLiteral("/m/a.wav"));
    form.Command2_Click();
    EXPECT_EQ(device.appliedLevel(), 0x4E224E22u);
    form.HScroll1.setValue(16384);
    EXPECT_EQ(device.appliedLevel(), 0x80008000u);
}
