// The volume chain: scroll bar, the hidden slider created from quillet,
// the level word, and the output level every stream plays at.
#include <gtest/gtest.h>

#include <QSettings>
#include <QSignalSpy>
#include <QTest>

#include "Form1.h"
#include "Module1.h"
#include "com/ComponentRegistry.h"
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
    TempConfig config;
    SimulatedMediaDevice* device;
    Form1 form;
};
}  // namespace

TEST(Volume, StartUpCreatesTheSliderAndSetsTheLevelOnce) {
    waveOutSetVolume(0, 0xFFFFFFFF);
    QSignalSpy levels(&WaveOut::instance(), &WaveOut::volumeChanged);
    Rig rig;
    ASSERT_NE(rig.form.vsVolume, nullptr) << rig.form.componentError().toStdString();
    rig.form.Show();
    ASSERT_EQ(levels.size(), 1);
    EXPECT_EQ(levels[0][0].toUInt(), 0x4E204E20u);
    EXPECT_EQ(rig.form.vsVolume->get(kValue).toInt32(), 10000);
    EXPECT_FALSE(rig.form.vsVolume->Visible());
}

TEST(Volume, ARegistrationLeftByADeletedBuildDoesNotHideTheSliderBesideTheProgram) {
    TempConfig config;
    {
        QSettings registry(com::registry::filePath(), QSettings::IniFormat);
        registry.setValue("ProgID.工程1.NewHscrollbar/CLSID",
                          "{4BC2321F-C8F0-11D3-86B8-52544C9974A0}");
        registry.setValue("CLSID.4BC2321F-C8F0-11D3-86B8-52544C9974A0/InprocServer",
                          config.path() + "/deleted-build/libquillet.so");
    }
    Form1 form(std::make_unique<SimulatedMediaDevice>(), std::make_unique<ScriptedFileDialog>());
    ASSERT_NE(form.vsVolume, nullptr) << form.componentError().toStdString();
    EXPECT_TRUE(form.componentError().isEmpty()) << "no message box at start";
    form.Show();
    form.HScroll1.setValue(20000);
    EXPECT_EQ(form.vsVolume->get(kValue).toInt32(), 20000);
}

TEST(Volume, EveryScrollBarValueReachesBothChannelsThroughTheSlider) {
    Rig rig;
    rig.form.Show();
    const std::pair<int, quint32> table[] = {
        {0, 0x00000000},     {1, 0x00020002},     {10000, 0x4E204E20},
        {16383, 0x7FFF7FFF}, {16384, 0x80008000}, {32767, 0xFFFFFFFF},
    };
    for (const auto& [value, word] : table) {
        rig.form.HScroll1.setValue(value);
        EXPECT_EQ(rig.form.vsVolume->get(kValue).toInt32(), value);
        EXPECT_EQ(WaveOut::instance().volume(), word) << value;
    }
}

TEST(Volume, ArrowClickStepsByOneAndTheLevelFollowsForLaterStreams) {
    Rig rig;
    rig.form.Show();
    QScrollBar* bar = rig.form.HScroll1.bar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(bar->width() - 3, bar->height() / 2));
    EXPECT_EQ(rig.form.HScroll1.Value(), 10001);
    EXPECT_EQ(rig.form.vsVolume->get(kValue).toInt32(), 10001);
    EXPECT_EQ(WaveOut::instance().volume(), Module1::volumeWord(float(10001.0 / 32767)));

    rig.device->addFile(QStringLiteral("/m/a.wav"), 5000);
    rig.form.List1.AddItem(QStringLiteral("/m/a.wav"));
    rig.form.Command2_Click();
    EXPECT_EQ(rig.device->appliedLevel(), WaveOut::instance().volume());
}

TEST(Volume, LevelWordsKeepTheSignedCarryAndRoundTiesToEven) {
    EXPECT_EQ(Module1::volumeWord(0.0f), 0u);
    EXPECT_EQ(Module1::volumeWord(1.0f), 0xFFFFFFFFu);
    EXPECT_EQ(Module1::volumeWord(0.5f), 0x80008000u) << "32767.5 rounds to the even 32768";
    EXPECT_EQ(Module1::volumeWord(float(16383.0 / 32767)), 0x7FFF7FFFu);
}
