// The simulated device keeps the real one's contract on a virtual clock:
// what the player's logic tests can rely on.
#include <gtest/gtest.h>

#include "MediaError.h"
#include "WaveOut.h"
#include "doubles/SimulatedMediaDevice.h"
#include "errors/RuntimeError.h"
#include "support/LastResortRecorder.h"

namespace {

class SimulatedDevice : public testing::Test {
protected:
    SimulatedDevice() {
        device.addFile("/music/a.mp3", 2500);
        device.addFile("/music/b.mid", 700);
        device.addFile("/music/silent.wav", 0);
        device.addUnplayableFile("/music/broken.mp3");
        device.StatusUpdate = [this] {
            ++updates;
            if (onUpdate) onUpdate();
        };
    }
    void TearDown() override { waveOutSetVolume(0, 0xFFFFFFFF); }

    void open(const QString& path) {
        device.setFileName(path);
        device.setCommand("open");
    }

    SimulatedMediaDevice device;
    int updates = 0;
    std::function<void()> onUpdate;
};

TEST_F(SimulatedDevice, PlaysPausesResumesAndEndsAtTheLength) {
    open("/music/a.mp3");
    ASSERT_TRUE(device.isOpen());
    EXPECT_EQ(device.Length(), 2500);
    EXPECT_EQ(device.Position(), 0);
    device.advance(400);  // open but not playing: no movement
    EXPECT_EQ(device.Position(), 0);

    device.setCommand("play");
    device.advance(600);
    EXPECT_EQ(device.Position(), 600);
    device.setCommand("pause");
    device.advance(5000);
    EXPECT_EQ(device.Position(), 600);
    device.setCommand("play");
    device.advance(1899);
    EXPECT_EQ(device.Position(), 2499);
    device.advance(1);
    EXPECT_EQ(device.Position(), 2500);
    device.advance(3000);
    device.setCommand("play");
    device.advance(1000);
    EXPECT_EQ(device.Position(), device.Length());

    device.setCommand("stop");
    device.setCommand("close");
    EXPECT_FALSE(device.isOpen());
    EXPECT_EQ(device.Length(), 0);
    EXPECT_EQ(device.Position(), 0);
    EXPECT_EQ(device.FileName(), "/music/a.mp3");
    EXPECT_EQ(device.log(),
              (QStringList{"open /music/a.mp3", "play", "pause", "play", "play", "stop", "close"}));
}

TEST_F(SimulatedDevice, FilesItCannotOpenLeaveAnErrorReportAndZeroLengthOpens) {
    for (const auto& [path, error] :
         {std::pair{"/music/broken.mp3", media::NotPlayable},
          std::pair{"/music/unknown.mp3", media::FileNotFound}, std::pair{"", media::NoFileName}}) {
        open(path);
        EXPECT_FALSE(device.isOpen()) << path;
        EXPECT_EQ(device.Error(), error) << path;
        EXPECT_FALSE(device.ErrorMessage().isEmpty());
        EXPECT_EQ(device.Length(), 0);
        device.setCommand("play");
        EXPECT_EQ(device.Error(), media::NotOpen);
    }
    device.setCommand("close");
    EXPECT_EQ(device.Error(), 0);
    device.setCommand("seek");
    EXPECT_EQ(device.Error(), media::UnknownCommand);

    // Opens, but already at its end: the player must not divide by it.
    open("/music/silent.wav");
    EXPECT_TRUE(device.isOpen());
    EXPECT_EQ(device.Error(), 0);
    EXPECT_EQ(device.Length(), 0);
    EXPECT_EQ(device.Position(), 0);
}

TEST_F(SimulatedDevice, StatusUpdateEveryVirtualSecondWhileOpen) {
    device.advance(5000);
    EXPECT_EQ(updates, 0);
    open("/music/a.mp3");
    device.setCommand("play");
    device.advance(999);
    EXPECT_EQ(updates, 0);
    device.advance(1);
    EXPECT_EQ(updates, 1);
    // Paused and ended files still notify: they are open.
    device.setCommand("pause");
    device.advance(1000);
    EXPECT_EQ(updates, 2);
    device.setCommand("play");
    device.advance(3000);
    EXPECT_EQ(updates, 5);
    EXPECT_EQ(device.Position(), device.Length());

    // The countdown starts afresh with each open, as the real timer does.
    device.advance(400);
    open("/music/b.mid");
    device.advance(999);
    EXPECT_EQ(updates, 5);
    device.advance(1);
    EXPECT_EQ(updates, 6);

    device.setCommand("close");
    device.advance(10000);
    EXPECT_EQ(updates, 6);
    open("/music/broken.mp3");
    device.advance(10000);
    EXPECT_EQ(updates, 6);
}

TEST_F(SimulatedDevice, HandlerMayAdvanceToTheNextTrackAndErrorsReachTheLastResort) {
    LastResortRecorder lastResort;
    onUpdate = [this] {
        if (device.Position() != device.Length()) return;
        device.setCommand("stop");
        device.setCommand("close");
        device.setFileName("/music/a.mp3");
        device.setCommand("open");
        device.setCommand("play");
        errors::raiseError(errors::Overflow);
    };
    open("/music/b.mid");
    device.setCommand("play");
    device.advance(1000);  // b ended at 700; the first notification moves on
    EXPECT_EQ(device.FileName(), "/music/a.mp3");
    EXPECT_EQ(device.Position(), 0);
    EXPECT_EQ(lastResort.numbers, std::vector<int>{errors::Overflow});
    // The rest of a longer step runs on the new track, counted from its open.
    device.advance(1500);
    EXPECT_EQ(device.Position(), 1500);
    EXPECT_EQ(updates, 2);
}

TEST_F(SimulatedDevice, BreakingOffCountsAsTheEnd) {
    open("/music/a.mp3");
    device.setCommand("play");
    device.advance(300);
    device.failPlayback();
    EXPECT_EQ(device.Position(), device.Length());
    EXPECT_EQ(device.Error(), media::PlaybackFailed);
    EXPECT_TRUE(device.isOpen());
}

TEST_F(SimulatedDevice, AppliesTheOutputLevelToEveryStream) {
    waveOutSetVolume(0, 0x4E204E20);
    EXPECT_EQ(device.appliedLevel(), 0u);  // nothing open
    open("/music/a.mp3");
    EXPECT_EQ(device.appliedLevel(), 0x4E204E20u);
    EXPECT_NEAR(device.appliedGain(), 20000.0 / 65535, 1e-9);
    waveOutSetVolume(0, 0x80008000);
    EXPECT_EQ(device.appliedLevel(), 0x80008000u);
    device.setCommand("close");
    waveOutSetVolume(0, 0x10001000);
    open("/music/b.mid");
    EXPECT_EQ(device.appliedLevel(), 0x10001000u);
}

}  // namespace
