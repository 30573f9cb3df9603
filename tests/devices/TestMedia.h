#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

// Small audio files made on the spot with the machine's own tools (sox,
// lame, gst-launch-1.0), in a folder that goes away with the object. Each
// maker returns the file's path, or an empty text when its tool failed.
class TestMedia {
public:
    TestMedia();

    QString dir() const { return m_dir.path(); }

    // A 44.1 kHz stereo sine tone.
    QString wav(const QString& name, double seconds);
    // The same tone as an MP3; withLengthHeader = false leaves out the
    // header that carries its length, as some encoders do.
    QString mp3(const QString& name, double seconds, bool withLengthHeader = true);
    // A tone from audiotestsrc through an encoder chain such as
    // "vorbisenc ! oggmux", at the given rate.
    QString encoded(const QString& name, double seconds, const QString& chain, int rate = 44100);
    // A Standard MIDI File of a short tune lasting the given whole seconds.
    QString midi(const QString& name, int seconds);
    // A file holding exactly these bytes.
    QString bytes(const QString& name, const QByteArray& content);

    QString path(const QString& name) const { return m_dir.filePath(name); }

    // What a file holds, or nothing when it cannot be read.
    static QByteArray contents(const QString& file);
    // An ID3v2 tag of `size` bytes of padding, as taggers put before an MP3.
    static QByteArray id3Tag(quint32 size);

private:
    static bool run(const QString& program, const QStringList& arguments);

    QTemporaryDir m_dir;
};
