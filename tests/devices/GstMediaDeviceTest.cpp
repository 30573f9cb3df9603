// The GStreamer media device on small files made for the run: lengths,
// positions through play, pause and the end, the one-second notification,
// files it must refuse, re-entrant commands, and the output level.
#include <fcntl.h>
#include <gst/gst.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QTest>
#include <memory>

#include "GstMediaDevice.h"
#include "MediaError.h"
#include "TestMedia.h"
#include "WaveOut.h"
#include "errors/RuntimeError.h"
#include "support/GstMediaDeviceProbe.h"
#include "support/LastResortRecorder.h"

namespace {

// Real time for the tests that watch playback, as fast as decoding goes for
// the ones that only look at the end.
const QString RealTime = QStringLiteral("fakesink sync=true");
const QString Fast = QStringLiteral("fakesink sync=false");

constexpr int EndTimeoutMs = 8000;

struct Clip {
    const char* label;
    QString path;
    qint32 lengthMs;
    qint32 toleranceMs;
};

double playbinVolume(const GstMediaDevice& device) {
    gdouble volume = -1;
    g_object_get(GstMediaDeviceProbe::playbin(device), "volume", &volume, nullptr);
    return volume;
}

// The first element inside playbin made by the named factory.
GstElement* findElement(GstElement* bin, const char* factoryName) {
    GstIterator* it = gst_bin_iterate_recurse(GST_BIN(bin));
    GValue item = G_VALUE_INIT;
    GstElement* found = nullptr;
    while (!found && gst_iterator_next(it, &item) == GST_ITERATOR_OK) {
        auto* element = GST_ELEMENT(g_value_get_object(&item));
        GstElementFactory* factory = gst_element_get_factory(element);
        if (factory && g_strcmp0(GST_OBJECT_NAME(factory), factoryName) == 0)
            found = GST_ELEMENT(gst_object_ref(element));
        g_value_reset(&item);
    }
    g_value_unset(&item);
    gst_iterator_free(it);
    return found;
}

// A well-formed 44.1 kHz stereo WAV header announcing no samples at all.
QByteArray wavHeaderWithoutSamples() {
    QByteArray header;
    auto le = [&header](quint32 value, int bytes) {
        for (int i = 0; i < bytes; ++i) header += char((value >> (8 * i)) & 0xFF);
    };
    header += "RIFF";
    le(36, 4);
    header += "WAVEfmt ";
    le(16, 4);
    le(1, 2);  // PCM
    le(2, 2);
    le(44100, 4);
    le(44100 * 4, 4);
    le(4, 2);
    le(16, 2);
    header += "data";
    le(0, 4);
    return header;
}

void expectClosed(const MediaDevice& device) {
    EXPECT_FALSE(device.isOpen());
    EXPECT_EQ(device.Length(), 0);
    EXPECT_EQ(device.Position(), 0);
}

class GstDevice : public testing::Test {
protected:
    static void SetUpTestSuite() {
        media = std::make_unique<TestMedia>();
        tone = media->wav("tone.wav", 2.5);
    }
    static void TearDownTestSuite() { media.reset(); }

    void TearDown() override { waveOutSetVolume(0, 0xFFFFFFFF); }

    static std::unique_ptr<TestMedia> media;
    static QString tone;
};
std::unique_ptr<TestMedia> GstDevice::media;
QString GstDevice::tone;

TEST_F(GstDevice, EveryFormatOpensWithItsLengthAndEndsExactlyAtIt) {
    const QList<Clip> clips{
        {"wav", media->wav("a.wav", 1.2), 1200, 2},
        {"mp3", media->mp3("a.mp3", 1.2), 1200, 30},
        // Length estimated from size and bit rate until the decoder knows.
        {"mp3 without length header", media->mp3("b.mp3", 1.2, false), 1200, 120},
        {"ogg", media->encoded("a.ogg", 1.2, "vorbisenc ! oggmux"), 1200, 30},
        {"opus", media->encoded("a.opus", 1.2, "opusenc ! oggmux", 48000), 1200, 30},
        {"flac", media->encoded("a.flac", 1.2, "flacenc"), 1200, 30},
        {"midi", media->midi("a.mid", 1), 1000, 30},
        {"path with spaces and Chinese", media->wav("带 空格/音乐 文件.wav", 1.0), 1000, 2},
    };
    GstMediaDevice device(Fast);
    for (const Clip& clip : clips) {
        SCOPED_TRACE(clip.label);
        ASSERT_FALSE(clip.path.isEmpty()) << "could not make the file";
        device.setFileName(clip.path);
        device.setCommand("open");
        ASSERT_TRUE(device.isOpen()) << device.ErrorMessage().toStdString();
        EXPECT_EQ(device.Error(), 0);
        EXPECT_NEAR(device.Length(), clip.lengthMs, clip.toleranceMs);
        EXPECT_EQ(device.Position(), 0);

        device.setCommand("play");
        EXPECT_TRUE(
            QTest::qWaitFor([&] { return device.Position() == device.Length(); }, EndTimeoutMs));
        EXPECT_GT(device.Length(), 0);
        // The end holds until the file is closed, a "play" included.
        device.setCommand("play");
        QTest::qWait(0);
        EXPECT_EQ(device.Position(), device.Length());

        device.setCommand("close");
        expectClosed(device);
        EXPECT_EQ(device.FileName(), clip.path);
        EXPECT_EQ(device.Error(), 0);
    }
}

TEST_F(GstDevice, PlaysInRealTimePausesInPlaceAndResumes) {
    GstMediaDevice device(RealTime);
    int updates = 0;
    device.StatusUpdate = [&] { ++updates; };
    device.setFileName(tone);
    device.setCommand("open");
    ASSERT_TRUE(device.isOpen()) << device.ErrorMessage().toStdString();
    EXPECT_NEAR(device.Length(), 2500, 2);

    device.setCommand("play");
    ASSERT_TRUE(QTest::qWaitFor([&] { return device.Position() >= 300; }, 3000));
    EXPECT_LT(device.Position(), device.Length());

    device.setCommand("pause");
    const qint32 paused = device.Position();
    EXPECT_LT(paused, device.Length());
    // Let a notification go by: the position must not move meanwhile.
    const int seen = updates;
    ASSERT_TRUE(QTest::qWaitFor([&] { return updates > seen; }, 2000));
    EXPECT_EQ(device.Position(), paused);

    device.setCommand("play");
    ASSERT_TRUE(QTest::qWaitFor([&] { return device.Position() >= paused + 200; }, 3000));
    EXPECT_LT(device.Position(), device.Length());
    // Well short of the length: it continued from the pause, not the start.
    EXPECT_GE(device.Position(), paused);

    ASSERT_TRUE(QTest::qWaitFor([&] { return device.Position() == device.Length(); }, 5000));
    device.setCommand("stop");
    EXPECT_EQ(device.Position(), device.Length());
    device.setCommand("close");
    expectClosed(device);
}

TEST_F(GstDevice, WatchersHearOfEveryTrackStartedAndOfItsEnd) {
    GstMediaDevice device(Fast);
    // What the device says at each notice: open, playing.
    QStringList told;
    QObject::connect(&device.changes(), &forms::ChangeNotifier::changed, [&] {
        told << QStringLiteral("%1%2").arg(int(device.isOpen())).arg(int(device.isPlaying()));
    });
    device.setFileName(tone);
    device.setCommand("open");
    device.setCommand("play");
    EXPECT_EQ(told, (QStringList{"00", "10", "11"}));
    EXPECT_EQ(device.tracksOpened(), 1u);

    // The end comes by itself, and is told.
    ASSERT_TRUE(QTest::qWaitFor([&] { return told.size() == 4; }, EndTimeoutMs));
    EXPECT_EQ(told.last(), "10");
    EXPECT_EQ(device.Position(), device.Length());

    // The same file again is another track; one that fails to open is none.
    device.setCommand("close");
    device.setCommand("open");
    EXPECT_EQ(device.tracksOpened(), 2u);
    device.setFileName(media->path("no such file.wav"));
    device.setCommand("open");
    EXPECT_EQ(device.tracksOpened(), 2u);
    EXPECT_EQ(told.mid(4), (QStringList{"00", "10", "10", "00"}));
}

TEST_F(GstDevice, StatusUpdateEverySecondOnlyWhileAFileIsOpen) {
    GstMediaDevice device(RealTime);
    QList<qint64> at;
    QElapsedTimer clock;
    device.StatusUpdate = [&] { at << clock.elapsed(); };
    device.setFileName(tone);
    clock.start();
    device.setCommand("open");
    ASSERT_TRUE(device.isOpen());
    device.setCommand("play");
    ASSERT_TRUE(QTest::qWaitFor([&] { return at.size() >= 2; }, 6000));
    // On a one-second beat counted from the open: never early, and late only
    // by what a busy machine makes any timer late (a late one does not push
    // the next one back).
    for (int k = 0; k < at.size(); ++k) EXPECT_GE(at[k], 1000 * (k + 1) - 1) << k;

    device.setCommand("close");
    // A failed open leaves it closed: still no notification.
    device.setFileName(media->path("no such file.wav"));
    device.setCommand("open");
    const int seen = int(at.size());
    EXPECT_FALSE(QTest::qWaitFor([&] { return at.size() > seen; }, 1300));
}

TEST_F(GstDevice, CommandsItCannotCarryOutLeaveAnErrorReport) {
    GstMediaDevice device(Fast);
    for (const char* command : {"play", "pause", "stop"}) {
        device.setCommand(command);
        EXPECT_EQ(device.Error(), media::NotOpen) << command;
        EXPECT_FALSE(device.ErrorMessage().isEmpty());
    }
    device.setCommand("close");  // nothing open: no effect, no error
    EXPECT_EQ(device.Error(), 0);
    device.setCommand("rewind");
    EXPECT_EQ(device.Error(), media::UnknownCommand);
    EXPECT_TRUE(device.ErrorMessage().contains("rewind"));
    device.setCommand("open");
    EXPECT_EQ(device.Error(), media::NoFileName);

    device.setFileName(tone);
    device.setCommand(" Open ");  // case and blanks do not matter
    EXPECT_TRUE(device.isOpen());
    EXPECT_EQ(device.Error(), 0);
    EXPECT_TRUE(device.ErrorMessage().isEmpty());
}

TEST_F(GstDevice, UnplayableFilesFailTheOpenAndLeaveTheDeviceClosed) {
    const QByteArray mp3 = TestMedia::contents(media->mp3("whole.mp3", 1.0));
    ASSERT_FALSE(mp3.isEmpty());
    QDir().mkpath(media->path("folder.mp3"));
    QImage picture(8, 8, QImage::Format_RGB32);
    picture.fill(Qt::red);
    picture.save(media->path("picture.png"));
    const QString noSamples = media->bytes("silence.wav", wavHeaderWithoutSamples());
    // Reading a FIFO waits for a writer, and a device may never end: the
    // device must refuse both without opening them. The test holds the
    // FIFO's other end, so a device that did open it fails here instead of
    // hanging.
    const QByteArray fifo = QFile::encodeName(media->path("pipe.mp3"));
    ASSERT_EQ(::mkfifo(fifo.constData(), 0600), 0);
    const int fifoHeld = ::open(fifo.constData(), O_RDWR | O_NONBLOCK);
    ASSERT_GE(fifoHeld, 0);

    const QList<std::pair<QString, int>> cases{
        {media->path("missing.mp3"), media::FileNotFound},
        {media->path("folder.mp3"), media::NotAFile},
        {media->path("pipe.mp3"), media::NotAFile},
        {QStringLiteral("/dev/zero"), media::NotAFile},
        {media->bytes("empty.mp3", {}), media::EmptyFile},
        {media->bytes("text.mp3", "this is not a sound at all\n"), media::NotPlayable},
        {media->bytes("truncated.mp3", mp3.left(300)), media::NotPlayable},
        {media->bytes("garbage.wav", QByteArray(4096, '\x5A')), media::NotPlayable},
        {media->bytes("page.mp3", "<html><body>404 Not Found</body></html>\n"), media::NotPlayable},
        {media->path("picture.png"), media::NotPlayable},
        {noSamples, media::ZeroLength},
    };
    GstMediaDevice device(Fast);
    int updates = 0;
    device.StatusUpdate = [&] { ++updates; };
    for (const auto& [path, error] : cases) {
        SCOPED_TRACE(path.toStdString());
        ASSERT_FALSE(path.isEmpty());
        device.setFileName(path);
        device.setCommand("open");
        expectClosed(device);
        EXPECT_EQ(device.Error(), error);
        EXPECT_TRUE(device.ErrorMessage().contains(path)) << device.ErrorMessage().toStdString();
        EXPECT_EQ(device.FileName(), path);
        device.setCommand("play");
        expectClosed(device);
    }
    ::close(fifoHeld);
    // None of that wedged it: a good file still opens.
    device.setFileName(tone);
    device.setCommand("open");
    EXPECT_TRUE(device.isOpen());
    EXPECT_EQ(updates, 0);
}

// Files are refused without a pipeline when GStreamer's type finders see
// nothing in them; everything the pipeline itself would play must still get
// to it, whatever the name says and however far into the file the sound
// begins.
TEST_F(GstDevice, FilesThatOnlyLookOddStillOpen) {
    const QByteArray mp3 = TestMedia::contents(media->mp3("plain.mp3", 1.0));
    const QByteArray flac =
        TestMedia::contents(media->encoded("plain.flac", 1.0, QStringLiteral("flacenc")));
    ASSERT_FALSE(mp3.isEmpty());
    ASSERT_FALSE(flac.isEmpty());
    const QStringList files{
        media->bytes("named wrongly.wav", mp3),
        media->bytes("flac named.mp3", flac),
        media->bytes("no extension", TestMedia::contents(tone)),
        // The first 4 KiB are silence a pipeline reads past.
        media->bytes("late start.mp3", QByteArray(20000, '\0') + mp3),
        media->bytes("large tag.mp3", TestMedia::id3Tag(200000) + mp3),
    };
    GstMediaDevice device(Fast);
    for (const QString& path : files) {
        SCOPED_TRACE(path.toStdString());
        ASSERT_FALSE(path.isEmpty());
        device.setFileName(path);
        device.setCommand("open");
        EXPECT_TRUE(device.isOpen()) << device.ErrorMessage().toStdString();
        EXPECT_GT(device.Length(), 900);
        device.setCommand("close");
    }
}

TEST_F(GstDevice, AFileTheUserMayNotReadFailsTheOpen) {
    if (geteuid() == 0) GTEST_SKIP() << "root reads every file";
    const QString locked = media->wav("locked.wav", 0.5);
    QFile::setPermissions(locked, QFileDevice::Permissions{});
    GstMediaDevice device(Fast);
    device.setFileName(locked);
    device.setCommand("open");
    expectClosed(device);
    EXPECT_EQ(device.Error(), media::Unreadable);
}

TEST_F(GstDevice, AStreamThatBreaksOffWhilePlayingCountsAsEnded) {
    const QString doomed = media->wav("doomed.wav", 2.5);
    GstMediaDevice device(RealTime);
    device.setFileName(doomed);
    device.setCommand("open");
    device.setCommand("play");
    ASSERT_TRUE(QTest::qWaitFor([&] { return device.Position() >= 200; }, 3000));
    // The file cut short under the player: the stream ends early.
    QFile::resize(doomed, 100);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return device.Position() == device.Length(); }, EndTimeoutMs));
    EXPECT_GT(device.Length(), 0);
    EXPECT_TRUE(device.isOpen());

    // A decoder or output that fails posts an error: the track ends there,
    // with the error in the report.
    device.setCommand("close");
    device.setFileName(tone);
    device.setCommand("open");
    device.setCommand("play");
    ASSERT_TRUE(QTest::qWaitFor([&] { return device.Position() >= 100; }, 3000));
    GError* failure = g_error_new_literal(GST_STREAM_ERROR, GST_STREAM_ERROR_DECODE, "broken");
    gst_element_post_message(GstMediaDeviceProbe::playbin(device),
                             gst_message_new_error(GST_OBJECT(GstMediaDeviceProbe::playbin(device)),
                                                   failure, "injected"));
    g_error_free(failure);
    ASSERT_TRUE(QTest::qWaitFor([&] { return device.Position() == device.Length(); }, 2000));
    EXPECT_EQ(device.Error(), media::PlaybackFailed);
    EXPECT_TRUE(device.ErrorMessage().contains(tone));
    EXPECT_TRUE(device.isOpen());
    device.setCommand("close");
    expectClosed(device);
    EXPECT_EQ(device.Error(), 0);
}

TEST_F(GstDevice, StatusUpdateHandlerMayCloseAndOpenAgain) {
    const QString second = media->wav("second.wav", 1.5);
    LastResortRecorder lastResort;
    GstMediaDevice device(RealTime);
    int updates = 0;
    device.StatusUpdate = [&] {
        ++updates;
        if (updates == 1) {
            // What the player does at the end of a track, then a failure
            // that must not unwind through the event loop.
            device.setCommand("stop");
            device.setCommand("close");
            device.setFileName(second);
            device.setCommand("open");
            device.setCommand("play");
            errors::raiseError(errors::InvalidProcedureCall);
        } else if (updates == 2) {
            device.setCommand("close");
        }
    };
    device.setFileName(tone);
    device.setCommand("open");
    device.setCommand("play");
    ASSERT_TRUE(QTest::qWaitFor([&] { return updates >= 1; }, 2500));
    EXPECT_TRUE(device.isOpen());
    EXPECT_EQ(device.FileName(), second);
    EXPECT_NEAR(device.Length(), 1500, 2);
    EXPECT_EQ(lastResort.numbers, std::vector<int>{errors::InvalidProcedureCall});
    ASSERT_TRUE(QTest::qWaitFor([&] { return device.Position() > 100; }, 2000));

    ASSERT_TRUE(QTest::qWaitFor([&] { return updates >= 2; }, 2500));
    expectClosed(device);
    EXPECT_EQ(device.FileName(), second);
}

TEST_F(GstDevice, EveryStreamPlaysAtTheOutputLevel) {
    GstMediaDevice device(Fast);
    waveOutSetVolume(0, 0x4E204E20);  // 20000 on both channels
    device.setFileName(tone);
    device.setCommand("open");
    ASSERT_TRUE(device.isOpen());
    EXPECT_NEAR(playbinVolume(device), 20000.0 / 65535, 1e-6);

    // Followed while the stream is open.
    waveOutSetVolume(0, 0x80008000);
    EXPECT_NEAR(playbinVolume(device), 32768.0 / 65535, 1e-6);

    // A level set while nothing is open holds for the next stream.
    device.setCommand("close");
    waveOutSetVolume(0, 0x10001000);
    device.setCommand("open");
    EXPECT_NEAR(playbinVolume(device), 4096.0 / 65535, 1e-6);

    // One gain for both channels: the left level counts.
    waveOutSetVolume(0, 0xFFFF0000);
    EXPECT_NEAR(playbinVolume(device), 0.0, 1e-9);

    // Only device 0 exists.
    EXPECT_NE(waveOutSetVolume(1, 0x12341234), 0u);
    EXPECT_EQ(WaveOut::instance().volume(), 0xFFFF0000u);
}

TEST_F(GstDevice, MidiPlaysWithTheGeneralMidiFontAndRaisedGain) {
    GstMediaDevice device(Fast);
    device.setFileName(media->midi("tune.mid", 2));
    device.setCommand("open");
    ASSERT_TRUE(device.isOpen()) << device.ErrorMessage().toStdString();
    EXPECT_NEAR(device.Length(), 2000, 30);
    GstElement* synth = findElement(GstMediaDeviceProbe::playbin(device), "fluiddec");
    ASSERT_NE(synth, nullptr);
    gdouble gain = 0;
    gchar* font = nullptr;
    g_object_get(synth, "synth-gain", &gain, "soundfont", &font, nullptr);
    EXPECT_DOUBLE_EQ(gain, GstMediaDevice::MidiSynthGain);
    EXPECT_GT(gain, 0.2);  // FluidSynth's own default
    if (QFile::exists("/usr/share/sounds/sf2/TimGM6mb.sf2"))
        EXPECT_STREQ(font, "/usr/share/sounds/sf2/TimGM6mb.sf2");
    g_free(font);
    gst_object_unref(synth);
}

}  // namespace
