// What only the simulated device does, beyond the contract it shares with
// the real one: exact positions on its virtual clock, a file of no length,
// a long step of its clock that runs on into the track a handler opened,
// files it is told it cannot play, and the log of what it was told.
#include <gtest/gtest.h>

#include "MediaError.h"
#include "doubles/SimulatedMediaDevice.h"

TEST(SimulatedDevice, KeepsExactTimeOpensAFileOfNoLengthAndLogsEveryCommand) {
    SimulatedMediaDevice device;
    device.addFile("/music/a.mp3", 2500);
    device.addFile("/music/silent.wav", 0);
    device.StatusUpdate = [&] {
        if (device.FileName() == "/music/a.mp3") return;
        device.setFileName("/music/a.mp3");
        device.setCommand("open");
        device.setCommand("play");
    };
    // Opens, already at its end (the real device refuses it): the player
    // must not divide by its length.
    device.setFileName("/music/silent.wav");
    device.setCommand("open");
    EXPECT_TRUE(device.isOpen());
    EXPECT_EQ(device.Error(), 0);
    EXPECT_EQ(device.Length(), 0);
    device.setCommand("play");
    device.advance(2500);  // a.mp3 opens at 1000 and plays the rest of the step
    EXPECT_EQ(device.Position(), 1500);
    device.setCommand("pause");
    device.advance(5000);
    device.setCommand("play");
    device.advance(999);
    EXPECT_EQ(device.Position(), 2499);
    device.advance(1);
    EXPECT_EQ(device.Position(), 2500);
    device.setCommand("close");
    EXPECT_EQ(device.appliedLevel(), 0u) << "no stream, no level";
    device.addUnplayableFile("/music/broken.mp3");
    device.setFileName("/music/broken.mp3");
    device.setCommand("open");
    EXPECT_EQ(device.Error(), media::NotPlayable);
    EXPECT_EQ(device.log(),
              (QStringList{"open /music/silent.wav", "play", "open /music/a.mp3", "play", "pause",
                           "play", "close", "open /music/broken.mp3"}));
}
