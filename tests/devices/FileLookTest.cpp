// The look at a file before any pipeline gets it: what it refuses must be
// what the pipeline cannot play, everything the pipeline can play must get
// past it whatever its name, and a look the file system never answers must
// not hold up the caller.
#include <gst/gst.h>
#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QImage>
#include <QRandomGenerator>
#include <QThread>
#include <condition_variable>
#include <memory>
#include <mutex>

#include "FileLook.h"
#include "TestMedia.h"

namespace {

class FileLookAt : public testing::Test {
protected:
    static void SetUpTestSuite() {
        gst_init(nullptr, nullptr);
        media = std::make_unique<TestMedia>();
    }
    static void TearDownTestSuite() { media.reset(); }

    static std::unique_ptr<TestMedia> media;
};
std::unique_ptr<TestMedia> FileLookAt::media;

TEST_F(FileLookAt, WhatHoldsNoSoundIsRefused) {
    QImage picture(8, 8, QImage::Format_RGB32);
    picture.fill(Qt::red);
    ASSERT_TRUE(picture.save(media->path("picture.mp3"), "PNG"));
    QByteArray noise(64 * 1024, Qt::Uninitialized);
    QRandomGenerator(7).fillRange(reinterpret_cast<quint32*>(noise.data()), noise.size() / 4);
    const QByteArray mp3 = TestMedia::contents(media->mp3("cut.mp3", 1.0));
    ASSERT_FALSE(mp3.isEmpty());

    const QStringList files{
        media->bytes("text.mp3", "this is not a sound at all\n"),
        media->bytes("page.mp3", "<html><body>404 Not Found</body></html>\n"),
        media->path("picture.mp3"),
        media->bytes("noise.mp3", noise),
        media->bytes("head only.mp3", mp3.left(300)),
    };
    for (const QString& path : files) {
        SCOPED_TRACE(path.toStdString());
        ASSERT_FALSE(path.isEmpty());
        EXPECT_EQ(::media::lookAt(path), ::media::FileLook::NothingToDecode);
    }
}

TEST_F(FileLookAt, SoundGetsThroughWhateverItsNameAndWhereverItStarts) {
    const QByteArray mp3 = TestMedia::contents(media->mp3("plain.mp3", 1.0));
    ASSERT_FALSE(mp3.isEmpty());
    const QStringList files{
        media->wav("tone.wav", 0.5),
        media->path("plain.mp3"),
        media->encoded("tone.ogg", 0.5, QStringLiteral("vorbisenc ! oggmux")),
        media->encoded("tone.flac", 0.5, QStringLiteral("flacenc")),
        media->encoded("tone.opus", 0.5, QStringLiteral("opusenc ! oggmux"), 48000),
        media->midi("tune.mid", 1),
        media->bytes("named wrongly.txt", mp3),
        media->bytes("no extension", mp3),
        media->bytes("late start.mp3", QByteArray(20000, '\0') + mp3),
        // The tag runs far past the part of the file read at once.
        media->bytes("large tag.mp3", TestMedia::id3Tag(200000) + mp3),
    };
    for (const QString& path : files) {
        SCOPED_TRACE(path.toStdString());
        ASSERT_FALSE(path.isEmpty());
        EXPECT_EQ(::media::lookAt(path), ::media::FileLook::MayPlay);
    }
}

// A look that does not come back until the test lets it, as a read on a
// network share whose server is gone.
class Hang {
public:
    media::FileLook operator()(const QString&) {
        std::unique_lock hold(m_mutex);
        ++m_entered;
        m_changed.wait(hold, [&] { return m_released; });
        return media::FileLook::MayPlay;
    }
    void release() {
        std::lock_guard hold(m_mutex);
        m_released = true;
        m_changed.notify_all();
    }
    int entered() {
        std::lock_guard hold(m_mutex);
        return m_entered;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_released = false;
    int m_entered = 0;
};

TEST(FileLooker, AnswersOnItsThreadAndGivesUpOnALookThatNeverEnds) {
    auto hang = std::make_shared<Hang>();
    bool hangNext = false;
    media::FileLooker looker([&, hang](const QString& path) {
        return hangNext ? (*hang)(path) : media::FileLook::Empty;
    });
    EXPECT_EQ(looker.look(QStringLiteral("a"), 5000), media::FileLook::Empty);

    hangNext = true;
    constexpr int limit = media::FileLooker::kMostStuckThreads;
    for (int i = 0; i < limit; ++i)
        EXPECT_EQ(looker.look(QStringLiteral("stuck"), 20), media::FileLook::NoAnswer);
    EXPECT_EQ(hang->entered(), limit);
    EXPECT_EQ(looker.stuckThreads(), limit);
    // With that many threads stuck the file system is not answering: no
    // further thread is left behind.
    EXPECT_EQ(looker.look(QStringLiteral("stuck"), 20), media::FileLook::NoAnswer);
    EXPECT_EQ(hang->entered(), limit);

    // Once the file system answers again, the stuck threads end and looks
    // are answered again.
    hang->release();
    const QDeadlineTimer patience(10000);
    while (looker.stuckThreads() > 0 && !patience.hasExpired()) QThread::msleep(5);
    EXPECT_EQ(looker.stuckThreads(), 0);
    hangNext = false;
    EXPECT_EQ(looker.look(QStringLiteral("b"), 5000), media::FileLook::Empty);
}

}  // namespace
