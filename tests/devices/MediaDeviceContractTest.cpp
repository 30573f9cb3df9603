// The media device contract the player's handlers rely on, held alike by the
// simulated device on its virtual clock and by the GStreamer one in real time.
#include <gst/gst.h>
#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QTest>
#include <QThread>

#include "GstMediaDevice.h"
#include "MediaError.h"
#include "TestMedia.h"
#include "WaveOut.h"
#include "doubles/SimulatedMediaDevice.h"
#include "errors/RuntimeError.h"
#include "support/GstMediaDeviceProbe.h"
#include "support/LastResortRecorder.h"

namespace {

// What the cases need of each device: files it plays, time passing (the
// thread free to hear the device, or busy elsewhere), a stream that breaks
// off, the output going and coming back, and the stream's gain.
struct SimulatedDriver {
    SimulatedMediaDevice device;

    QString playable(const QString& name, qint32 ms) {
        device.addFile(name, ms);
        return name;
    }
    qint64 now() const { return device.now(); }
    void wait(int ms, bool /*busy*/ = false) { device.advance(ms); }  // nothing waits for it
    bool waitFor(const std::function<bool()>& done, int limitMs) {
        for (int ms = 0; ms < limitMs && !done(); ++ms) device.advance(1);
        return done();
    }
    void breakOff() { device.failPlayback(); }
    void loseOutput() { device.loseOutput(); }
    void restoreOutput() { device.setOutputAvailable(true); }
    double gain() const { return device.appliedGain(); }
};

struct GstDriver {  // on a sink that plays in real time into nothing
    TestMedia media;
    GstMediaDevice device{"fakesink sync=true"};

    QString playable(const QString& name, qint32 ms) { return media.wav(name, ms / 1000.0); }
    qint64 now() const { return QDeadlineTimer::current().deadline(); }
    // Busy, the thread leaves the device's messages waiting.
    void wait(int ms, bool busy = false) { busy ? QThread::msleep(ms) : QTest::qWait(ms); }
    bool waitFor(const std::function<bool()>& done, int limitMs) {
        return QTest::qWaitFor(done, limitMs + 5000);  // a busy machine is late
    }
    // A decoder that fails; a sound server that goes away, its sink failing
    // now and at its next start.
    void breakOff() { postError(playbin(), GST_STREAM_ERROR, GST_STREAM_ERROR_DECODE); }
    void loseOutput() {
        g_object_set(sink(), "state-error", 2 /* ready-to-paused */, nullptr);
        postError(sink(), GST_RESOURCE_ERROR, GST_RESOURCE_ERROR_WRITE);
    }
    void restoreOutput() { g_object_set(sink(), "state-error", 0, nullptr); }
    double gain() const {
        gdouble volume = -1;
        g_object_get(playbin(), "volume", &volume, nullptr);
        return volume;
    }

    GstElement* playbin() const { return GstMediaDeviceProbe::playbin(device); }
    GstElement* sink() const {
        GstElement* sink = nullptr;
        g_object_get(playbin(), "audio-sink", &sink, nullptr);
        gst_object_unref(sink);  // playbin keeps it
        return sink;
    }
    static void postError(GstElement* from, GQuark domain, gint code) {
        GError* failure = g_error_new_literal(domain, code, "injected");
        gst_element_post_message(from, gst_message_new_error(GST_OBJECT(from), failure, nullptr));
        g_error_free(failure);
    }
};

const QString kMissing = QStringLiteral("/nowhere/gone.wav");
// Open, playing, Length, Position, Error, outputMissing.
using State = std::tuple<bool, bool, qint32, qint32, int, bool>;

template <typename Driver>
class DeviceContract : public testing::Test {
protected:
    void TearDown() override { waveOutSetVolume(0, 0xFFFFFFFF); }

    void open(const QString& path) {
        d.setFileName(path);
        d.setCommand("open");
    }
    void playAWhile() {
        d.setCommand("play");
        ASSERT_TRUE(drv.waitFor([this] { return d.Position() >= 100; }, 1000));
    }
    State state() const {
        return {d.isOpen(), d.isPlaying(), d.Length(), d.Position(), d.Error(), d.outputMissing()};
    }
    State stateOnceEnded() {
        drv.waitFor([this] { return d.Position() == d.Length(); }, 500);
        return state();
    }
    State closed(int error = 0, bool outputMissing = false) const {
        return {false, false, 0, 0, error, outputMissing};
    }
    State ended(int error = 0, bool outputMissing = false) const {
        return {true, false, d.Length(), d.Length(), error, outputMissing};
    }

    Driver drv;
    decltype(drv.device)& d = drv.device;
};

using Devices = testing::Types<SimulatedDriver, GstDriver>;
TYPED_TEST_SUITE(DeviceContract, Devices);

TYPED_TEST(DeviceContract, PlaysPausesInPlaceAndHoldsTheEndAtTheOutputLevelTellingWatchers) {
    auto& d = this->d;
    QStringList told;  // open and playing, at each notice
    QObject::connect(&d.changes(), &forms::ChangeNotifier::changed, [&] {
        told << QStringLiteral("%1%2").arg(int(d.isOpen())).arg(int(d.isPlaying()));
    });
    const QString song = this->drv.playable("song.wav", 1500);
    this->open(song);
    this->drv.wait(300);  // open, but not playing
    EXPECT_EQ(this->state(), State(true, false, 1500, 0, 0, false));
    this->playAWhile();
    d.setCommand("pause");
    const qint32 paused = d.Position();
    this->drv.wait(1100);
    EXPECT_EQ(d.Position(), paused);
    d.setCommand("play");
    EXPECT_GE(d.Position(), paused) << "on from the pause, not from the start";
    EXPECT_EQ(told, (QStringList{"00", "10", "11", "10", "11"}));

    // However late the thread hears of the end, only the end reads as the
    // length.
    this->drv.wait(d.Length() - d.Position() + 300, true);
    if (d.isPlaying()) EXPECT_LT(d.Position(), d.Length());
    EXPECT_EQ(this->stateOnceEnded(), this->ended());
    d.setCommand("play");
    this->drv.wait(200);
    d.setCommand("stop");
    EXPECT_EQ(this->state(), this->ended()) << "the end holds until the file is closed";
    d.setCommand("close");
    EXPECT_EQ(this->state(), this->closed());

    // The same file, kept by the close, again is another track; one that
    // fails to open is none.
    d.setCommand("open");
    this->open(kMissing);
    EXPECT_EQ(d.tracksOpened(), 2u);
    EXPECT_EQ(told.mid(5), (QStringList{"10", "10", "10", "00", "10", "10", "00"}));

    // Every stream plays at the output level and follows it; a level set
    // while nothing is open holds for the next stream, and the left level
    // (the low word) is the one gain for both channels.
    this->open(song);
    waveOutSetVolume(0, 0x80008000);
    EXPECT_NEAR(this->drv.gain(), 32768.0 / 65535, 1e-6);
    d.setCommand("close");
    waveOutSetVolume(0, 0xFFFF1000);
    d.setCommand("open");
    EXPECT_NEAR(this->drv.gain(), 4096.0 / 65535, 1e-6);
    EXPECT_NE(waveOutSetVolume(1, 0x12341234), 0u) << "only device 0 exists";
    EXPECT_EQ(WaveOut::instance().volume(), 0xFFFF1000u);
}

TYPED_TEST(DeviceContract, StatusUpdateEverySecondOfAnOpenFileAndItsHandlerMayOpenTheNext) {
    auto& d = this->d;
    auto& drv = this->drv;
    LastResortRecorder lastResort;
    const QString next = drv.playable("next.wav", 1500);
    QList<qint64> at;
    d.StatusUpdate = [&, this] {
        at << drv.now();
        if (at.size() > 1) return;
        // What the player does at the end of a track, then a failure that
        // must not unwind through the device.
        d.setCommand("stop");
        d.setCommand("close");
        this->open(next);
        d.setCommand("play");
        errors::raiseError(errors::InvalidProcedureCall);
    };
    const qint64 opened = drv.now();
    this->open(drv.playable("first.wav", 2500));
    d.setCommand("play");
    ASSERT_TRUE(drv.waitFor([&] { return at.size() == 1; }, 1000));
    EXPECT_TRUE(d.isPlaying() && d.FileName() == next);
    EXPECT_EQ(lastResort.numbers, std::vector<int>{errors::InvalidProcedureCall});
    // Counted afresh from the open; an ended file is still open.
    ASSERT_TRUE(drv.waitFor([&] { return at.size() == 3; }, 2000));
    EXPECT_FALSE(d.isPlaying());
    const qint64 due[] = {opened + 1000, at[0] + 1000, at[0] + 2000};
    // Never early; late only by what a busy machine makes any timer late.
    for (int k = 0; k < 3; ++k) EXPECT_GE(at[k], due[k] - 1) << k;
    d.setCommand("close");
    this->open(kMissing);
    drv.wait(1100);
    EXPECT_EQ(at.size(), 3) << "closed, or failed to open";
}

TYPED_TEST(DeviceContract, WhatItCannotDoLeavesAReportTheNextSuccessClearsAndNoOutputIsToldApart) {
    auto& d = this->d;
    const std::pair<const char*, int> commands[] = {
        {"play", media::NotOpen},  {"pause", media::NotOpen},         {"stop", media::NotOpen},
        {"close", media::NoError}, {"rewind", media::UnknownCommand}, {"open", media::NoFileName}};
    for (const auto& [command, error] : commands) {
        d.setCommand(command);
        EXPECT_EQ(d.Error(), error) << command;
        EXPECT_EQ(d.ErrorMessage().isEmpty(), error == media::NoError) << command;
        if (error == media::UnknownCommand) EXPECT_TRUE(d.ErrorMessage().contains(command));
    }
    this->open(kMissing);
    EXPECT_EQ(this->state(), this->closed(media::FileNotFound));
    EXPECT_TRUE(d.ErrorMessage().contains(kMissing));
    EXPECT_EQ(d.FileName(), kMissing);
    const QString song = this->drv.playable("song.wav", 2500);
    d.setFileName(song);
    d.setCommand(" Open ");  // case and blanks do not matter
    EXPECT_TRUE(d.isOpen() && d.Error() == 0 && d.ErrorMessage().isEmpty());

    // A stream that breaks off, or loses its output, ends the track; with no
    // output no file opens.
    this->playAWhile();
    this->drv.breakOff();
    EXPECT_EQ(this->stateOnceEnded(), this->ended(media::PlaybackFailed));
    EXPECT_TRUE(d.ErrorMessage().contains(song));
    d.setCommand("close");
    EXPECT_EQ(this->state(), this->closed());

    d.setCommand("open");
    this->playAWhile();
    this->drv.loseOutput();
    EXPECT_EQ(this->stateOnceEnded(), this->ended(media::OutputLost, true));
    d.setCommand("close");
    d.setCommand("open");
    EXPECT_EQ(this->state(), this->closed(media::NoOutput, true)) << "missing until an open works";
    this->drv.restoreOutput();
    d.setCommand("open");
    EXPECT_EQ(this->state(), State(true, false, d.Length(), 0, 0, false));

    // Lost while paused: the track keeps its place until it is played.
    this->playAWhile();
    d.setCommand("pause");
    this->drv.loseOutput();
    this->drv.wait(200);
    EXPECT_LT(d.Position(), d.Length());
    d.setCommand("play");
    EXPECT_EQ(this->state(), this->ended(media::OutputLost, true));
}

}  // namespace
