#pragma once

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

// Small audio files made on the spot with GStreamer's own encoders, in a
// folder that goes away with the object. Each maker returns the file's path,
// or an empty text when the file could not be made.
class TestMedia {
public:
    QString path(const QString& name) const { return m_dir.filePath(name); }

    // A 440 Hz stereo tone of whole tenths of a second through an encoder
    // chain such as "vorbisenc ! oggmux", at the given rate.
    QString encoded(const QString& name, double seconds, const QString& chain, int rate = 44100) {
        QDir().mkpath(QFileInfo(path(name)).path());
        const QString pipeline =
            QStringLiteral(
                "-q audiotestsrc num-buffers=%1 samplesperbuffer=%2 volume=0.5 "
                "! audio/x-raw,rate=%3,channels=2 ! audioconvert ! %4 ! "
                "filesink location=\"%5\"")
                .arg(QString::number(qRound(seconds * 10)), QString::number(rate / 10),
                     QString::number(rate), chain, path(name));  // 100 ms a buffer
        if (QProcess::execute("gst-launch-1.0", QProcess::splitCommand(pipeline)) != 0) return {};
        return path(name);
    }
    QString wav(const QString& name, double seconds) { return encoded(name, seconds, "wavenc"); }
    // At a constant bit rate; without the header that carries its length,
    // as some encoders write it.
    QString mp3(const QString& name, double seconds, bool withLengthHeader = true) {
        return encoded(name, seconds,
                       QStringLiteral("lamemp3enc target=bitrate cbr=true bitrate=128%1")
                           .arg(withLengthHeader ? " ! xingmux" : ""));
    }
    // A file holding exactly these bytes.
    QString bytes(const QString& name, const QByteArray& content) {
        QFile out(path(name));
        const bool made = out.open(QIODevice::WriteOnly) && out.write(content) == content.size();
        return made ? path(name) : QString();
    }
    // What a file holds, or nothing when it cannot be read.
    static QByteArray contents(const QString& file) {
        QFile in(file);
        return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
    }

private:
    QTemporaryDir m_dir;
};
