// What only the GStreamer device does, on small files made for the run, and the
// look at a file that a file system which stops answering never holds up.
#include <fcntl.h>
#include <gst/gst.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QRandomGenerator>
#include <QTest>
#include <future>

#include "FileLook.h"
#include "GstMediaDevice.h"
#include "MediaError.h"
#include "TestMedia.h"
#include "support/GstMediaDeviceProbe.h"

namespace {

using media::FileLook;

const QByteArray kPicture = "R0lGODlhAQABAIAAAP///wAAACwAAAAAAQABAAACAkQBADs=";  // a GIF
// A Standard MIDI File: C, E, G and C on the piano, a beat each at 120 a minute.
const QByteArray kMidi =
    "TVRoZAAAAAYAAAABAeBNVHJrAAAAKwDAAACQPGSDYIA8AACQQGSDYIBAAACQQ2SDYIBDAACQSGSDYIBIAAD/LwA=";

TEST(GstDevice, EachFileIsRefusedWithItsReasonOrPlayedToItsEnd) {
    gst_init(nullptr, nullptr);
    TestMedia made;
    const QByteArray mp3 = TestMedia::contents(made.mp3("plain.mp3", 1.0));
    QDir().mkpath(made.path("folder.mp3"));
    // Reading a FIFO waits for a writer: the test holds its other end, so a
    // device that did open it fails here instead of hanging.
    const QString fifo = made.path("pipe.mp3");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const int fifoHeld = ::open(QFile::encodeName(fifo).constData(), O_RDWR | O_NONBLOCK);
    QByteArray noise(64 * 1024, Qt::Uninitialized);
    QRandomGenerator(7).fillRange(reinterpret_cast<quint32*>(noise.data()), noise.size() / 4);
    // A tone's header, announcing no samples.
    QByteArray silence = TestMedia::contents(made.wav("tone.wav", 0.1)).left(44);
    silence.replace(4, 4, QByteArray("\x24\0\0\0", 4)).replace(40, 4, QByteArray(4, '\0'));
    // Root reads whatever the permissions say, but not the kernel's
    // write-only files.
    const QString locked = geteuid() ? made.bytes("locked.mp3", mp3) : "/sys/bus/platform/uevent";
    if (geteuid()) QFile::setPermissions(locked, {});

    // The look, then the device: refused with its reason, or played with
    // about its length to its exact end.
    GstMediaDevice device("fakesink sync=false");
    const auto check = [&](FileLook look, int error, const QStringList& files, qint32 lengthMs = 0,
                           qint32 toleranceMs = 0) {
        for (const QString& file : files) {
            SCOPED_TRACE(file.toStdString());
            EXPECT_EQ(media::lookAt(file), look);
            device.setFileName(file);
            device.setCommand("open");
            EXPECT_EQ(device.Error(), error) << device.ErrorMessage().toStdString();
            EXPECT_EQ(device.isOpen(), !error);
            if (error) EXPECT_TRUE(device.ErrorMessage().contains(file));
            if (error || !device.isOpen()) continue;
            EXPECT_NEAR(device.Length(), lengthMs, toleranceMs);
            device.setCommand("play");
            EXPECT_TRUE(QTest::qWaitFor([&] { return !device.isPlaying(); }, 8000));
            EXPECT_EQ(device.Position(), device.Length());
        }
    };
    check(FileLook::NotAFile, media::NotAFile, {made.path("folder.mp3"), fifo, "/dev/zero"});
    check(FileLook::Empty, media::EmptyFile, {made.bytes("empty.mp3", {})});
    check(FileLook::NothingToDecode, media::NotPlayable,
          {made.bytes("text.mp3", "not a sound at all\n"),
           made.bytes("page.mp3", "<html><body>404 Not Found</body></html>\n"),
           made.bytes("picture.mp3", QByteArray::fromBase64(kPicture)),
           made.bytes("noise.mp3", noise), made.bytes("head only.mp3", mp3.left(300))});
    check(FileLook::MayPlay, media::ZeroLength, {made.bytes("silence.wav", silence)});
    if (QFileInfo::exists(locked)) check(FileLook::Unreadable, media::Unreadable, {locked});
    // No output takes these caps: the automatic sink stands in a fake one,
    // and a file that plays is refused for want of an output.
    GstMediaDevice unheard("autoaudiosink filter-caps=audio/x-unheard");
    unheard.setFileName(made.path("tone.wav"));
    unheard.setCommand("open");
    EXPECT_EQ(std::tuple(unheard.isOpen(), unheard.Error(), unheard.outputMissing()),
              std::tuple(false, int(media::NoOutput), true));

    const FileLook mayPlay = FileLook::MayPlay;
    check(mayPlay, 0, {made.wav("a.wav", 1.2), made.wav("带 空格/音 乐.wav", 1.2)}, 1200, 2);
    check(mayPlay, 0, {made.mp3("a.mp3", 1.2)}, 1200, 60);  // the encoder's delay counted in
    check(mayPlay, 0, {made.mp3("b.mp3", 1.2, false)}, 1200, 120);
    check(mayPlay, 0,
          {made.encoded("a.ogg", 1.2, "vorbisenc ! oggmux"),
           made.encoded("a.opus", 1.2, "opusenc ! oggmux", 48000),
           made.encoded("a.flac", 1.2, "flacenc")},
          1200, 30);
    // Whatever the name says, and wherever the sound starts: past silence a
    // pipeline reads through, or an ID3v2 tag whose size (in seven-bit
    // bytes) runs far past the part of the file read at once.
    check(
        mayPlay, 0,
        {made.bytes("mp3 named.wav", mp3),
         made.bytes("flac named.mp3", TestMedia::contents(made.encoded("b.flac", 1.0, "flacenc"))),
         made.bytes("no extension", TestMedia::contents(made.wav("b.wav", 1.0))),
         made.bytes("late start.mp3", QByteArray(20000, '\0') + mp3),
         made.bytes("large tag.mp3",
                    QByteArray("ID3\x03\0\0\0\x0C\x1A\x40", 10) + QByteArray(200000, '\0') + mp3)},
        1000, 120);
    // MIDI plays through the General MIDI font, louder than FluidSynth's own
    // gain of 0.2, too quiet beside other files.
    check(mayPlay, 0, {made.bytes("a.mid", QByteArray::fromBase64(kMidi))}, 2000, 30);
    g_autoptr(GstIterator) synths = gst_bin_iterate_all_by_element_factory_name(
        GST_BIN(GstMediaDeviceProbe::playbin(device)), "fluiddec");
    g_auto(GValue) synth = G_VALUE_INIT;
    ASSERT_EQ(gst_iterator_next(synths, &synth), GST_ITERATOR_OK);
    gdouble gain = 0;
    g_autofree gchar* font = nullptr;
    g_object_get(g_value_get_object(&synth), "synth-gain", &gain, "soundfont", &font, nullptr);
    EXPECT_GT(gain, 0.2);
    if (QFile::exists("/usr/share/sounds/sf2/TimGM6mb.sf2"))
        EXPECT_STREQ(font, "/usr/share/sounds/sf2/TimGM6mb.sf2");
    ::close(fifoHeld);
    if (!QFileInfo::exists(locked)) GTEST_SKIP() << "no file here that root may not read";
}

TEST(FileLooker, AnswersOnItsThreadAndGivesUpOnALookThatNeverEnds) {
    // A look at "stuck" does not come back until the test lets it, as a read
    // on a network share whose server is gone.
    std::promise<void> serverBack;
    media::FileLooker looker([answers = serverBack.get_future().share()](const QString& file) {
        if (file == "stuck") answers.wait();
        return FileLook::Empty;
    });
    EXPECT_EQ(looker.look("a", 5000), FileLook::Empty);
    // Once that many threads are stuck the file system is not answering: no
    // further thread is left behind.
    constexpr int limit = media::FileLooker::kMostStuckThreads;
    for (int i = 0; i <= limit; ++i) EXPECT_EQ(looker.look("stuck", 20), FileLook::NoAnswer);
    EXPECT_EQ(looker.stuckThreads(), limit);
    // The file system back, the stuck threads end and looks are answered.
    serverBack.set_value();
    EXPECT_TRUE(QTest::qWaitFor([&] { return looker.stuckThreads() == 0; }, 10000));
    EXPECT_EQ(looker.look("b", 5000), FileLook::Empty);
}

}  // namespace
