// The state start-up leaves: every carrier of the player's state, the
// collapsed window, the tooltips.
#include <gtest/gtest.h>

#include "devices/WaveOut.h"
#include "doubles/SimulatedForm1.h"
#include "support/TempConfig.h"

TEST(Startup, LeavesTheIdleStateWithTheWindowCollapsed) {
    TempConfig config;
    SimulatedForm1 form;
    form.Show();

    EXPECT_EQ(form.Caption(), QStringLiteral("ravelle"));
    EXPECT_FLOAT_EQ(form.Height(), 2100);
    EXPECT_EQ(form.frameGeometry().height(), 140) << "outer height 2100 twips at 15 a pixel";

    // Transport: Play, Pause and Stop usable, Resume hidden but enabled.
    EXPECT_TRUE(form.Command2.Enabled());
    EXPECT_TRUE(form.Command3.Visible());
    EXPECT_TRUE(form.Command3.Enabled());
    EXPECT_FALSE(form.Command5.Visible());
    EXPECT_TRUE(form.Command5.Enabled());
    EXPECT_TRUE(form.Command4.Enabled());
    EXPECT_TRUE(form.Command1.Visible());

    // Panel closed: "↓" offered, "↑" hidden and disabled, the list hidden.
    EXPECT_TRUE(form.Command7.Visible());
    EXPECT_TRUE(form.Command7.Enabled());
    EXPECT_FALSE(form.Command8.Visible());
    EXPECT_FALSE(form.Command8.Enabled());
    EXPECT_FALSE(form.List1.Visible());
    EXPECT_FALSE(form.List1.widget()->isVisible());

    // Clock, status and marker at rest.
    EXPECT_FALSE(form.Timer2.Enabled());
    EXPECT_TRUE(form.Timer1.Enabled());
    EXPECT_EQ(form.Timer1.Interval(), 50);
    EXPECT_EQ(form.Timer2.Interval(), 1000);
    EXPECT_EQ(form.Label5.Caption(), QString());
    EXPECT_FALSE(form.Label5.Visible());
    EXPECT_EQ(form.Label2.Caption(), QStringLiteral("00:00"));
    EXPECT_EQ(form.Label4.Caption(), QString());
    EXPECT_FLOAT_EQ(form.Command6.Left(), 80);
    EXPECT_FLOAT_EQ(form.Label3.Left(), 420);
    EXPECT_FLOAT_EQ(form.Label4.Left(), 4350);

    EXPECT_EQ(form.HScroll1.Value(), 10000);
    EXPECT_EQ(form.List1.ListCount(), 0) << "a first start has an empty playlist";
    EXPECT_TRUE(form.Picture1.HasPicture()) << "volm.bmp beside the program is shown";
}

TEST(Startup, SetsEveryTooltip) {
    TempConfig config;
    SimulatedForm1 form;
    form.Show();
    const std::pair<forms::CommandButton*, const char16_t*> tips[] = {
        {&form.Command1, u"打开文件"},     {&form.Command2, u"点击播放"},
        {&form.Command3, u"暂停播放"},     {&form.Command5, u"继续播放"},
        {&form.Command4, u"停止播放"},     {&form.Command7, u"打开文件列表"},
        {&form.Command8, u"关闭文件列表"},
    };
    for (const auto& [button, tip] : tips)
        EXPECT_EQ(button->ToolTipText(), QString::fromUtf16(tip)) << button->Name().toStdString();
}

TEST(Startup, TheVolumeIsSetInsideStartUpBeforeThePlaylistIsRestored) {
    TempConfig config;
    config.writeStore(QStringLiteral("ravelle"), "[num]\nvalue=1\n[0]\nvalue=/m/a.mp3\n");
    waveOutSetVolume(0, 0);
    SimulatedForm1 form;
    std::vector<std::pair<quint32, int>> levels;  // level, entries restored by then
    QObject::connect(&WaveOut::instance(), &WaveOut::volumeChanged, &form,
                     [&](quint32 word) { levels.emplace_back(word, form.List1.ListCount()); });
    form.Show();
    ASSERT_EQ(levels.size(), 1u);
    EXPECT_EQ(levels[0], std::make_pair(quint32(0x4E204E20), 0));
    EXPECT_EQ(form.List1.ListCount(), 1);
}
