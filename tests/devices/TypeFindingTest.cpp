// The look GStreamer's type finders take at a file before any pipeline
// does: what it refuses must be what the pipeline cannot play, and
// everything the pipeline can play must get past it, whatever its name.
#include <gst/gst.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QFile>
#include <QImage>
#include <QRandomGenerator>
#include <memory>

#include "TestMedia.h"
#include "TypeFinding.h"

namespace {

class TypeFinding : public testing::Test {
protected:
    static void SetUpTestSuite() {
        gst_init(nullptr, nullptr);
        media = std::make_unique<TestMedia>();
    }
    static void TearDownTestSuite() { media.reset(); }

    static QByteArray read(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    static std::unique_ptr<TestMedia> media;
};
std::unique_ptr<TestMedia> TypeFinding::media;

TEST_F(TypeFinding, WhatHoldsNoSoundIsRefused) {
    QImage picture(8, 8, QImage::Format_RGB32);
    picture.fill(Qt::red);
    ASSERT_TRUE(picture.save(media->path("picture.mp3"), "PNG"));
    QByteArray noise(64 * 1024, Qt::Uninitialized);
    QRandomGenerator(7).fillRange(reinterpret_cast<quint32*>(noise.data()), noise.size() / 4);
    const QByteArray mp3 = read(media->mp3("cut.mp3", 1.0));
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
        EXPECT_TRUE(media::holdsNothingToDecode(path));
    }
}

TEST_F(TypeFinding, SoundGetsThroughWhateverItsNameAndWhereverItStarts) {
    const QByteArray mp3 = read(media->mp3("plain.mp3", 1.0));
    ASSERT_FALSE(mp3.isEmpty());
    auto id3Tag = [](quint32 size) {
        QByteArray tag("ID3\x03\x00\x00", 6);
        for (int shift : {21, 14, 7, 0}) tag += char((size >> shift) & 0x7F);
        return tag + QByteArray(int(size), '\0');
    };
    const QStringList files{
        media->wav("tone.wav", 0.5),
        media->path("plain.mp3"),
        media->encoded("tone.ogg", 0.5, QStringLiteral("vorbisenc ! oggmux")),
        media->encoded("tone.flac", 0.5, QStringLiteral("flacenc")),
        media->bytes("named wrongly.txt", mp3),
        media->bytes("no extension", mp3),
        media->bytes("late start.mp3", QByteArray(20000, '\0') + mp3),
        // The tag runs far past the part of the file read at once.
        media->bytes("large tag.mp3", id3Tag(200000) + mp3),
    };
    for (const QString& path : files) {
        SCOPED_TRACE(path.toStdString());
        ASSERT_FALSE(path.isEmpty());
        EXPECT_FALSE(media::holdsNothingToDecode(path));
    }
}

// What cannot be looked at is left for the device to name: a missing
// file, a folder, a FIFO (never waited on), an empty file.
TEST_F(TypeFinding, WhatCannotBeReadIsLeftToThePipeline) {
    const QString fifo = media->path("pipe.mp3");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    for (const QString& path :
         {media->path("missing.mp3"), media->dir(), fifo, media->bytes("empty.mp3", {})}) {
        SCOPED_TRACE(path.toStdString());
        EXPECT_FALSE(media::holdsNothingToDecode(path));
    }
}

}  // namespace
