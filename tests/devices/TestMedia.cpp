#include "TestMedia.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

TestMedia::TestMedia() = default;

bool TestMedia::run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(program, arguments);
    return process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

QString TestMedia::wav(const QString& name, double seconds) {
    const QString file = path(name);
    QDir().mkpath(QFileInfo(file).path());
    const QStringList args{"-n",   "-r",  "44100", "-c",    "2",
                           "-b",   "16",  file,    "synth", QString::number(seconds),
                           "sine", "440", "vol",   "0.5"};
    return run("sox", args) ? file : QString();
}

QString TestMedia::mp3(const QString& name, double seconds, bool withLengthHeader) {
    const QString source = wav(name + ".source.wav", seconds);
    if (source.isEmpty()) return {};
    const QString file = path(name);
    QStringList args{"--quiet"};
    if (!withLengthHeader) args << "-t";
    args << source << file;
    const bool made = run("lame", args);
    QFile::remove(source);
    return made ? file : QString();
}

QString TestMedia::encoded(const QString& name, double seconds, const QString& chain, int rate) {
    const QString file = path(name);
    // 100 ms a buffer, so the tone lasts whole tenths of a second.
    const int buffers = qRound(seconds * 10);
    const QString pipeline =
        QStringLiteral(
            "audiotestsrc num-buffers=%1 samplesperbuffer=%2 freq=440 volume=0.5 ! "
            "audio/x-raw,rate=%3,channels=2 ! audioconvert ! %4 ! filesink location=\"%5\"")
            .arg(buffers)
            .arg(rate / 10)
            .arg(rate)
            .arg(chain, file);
    QStringList args{"-q"};
    args << QProcess::splitCommand(pipeline);
    return run("gst-launch-1.0", args) ? file : QString();
}

QString TestMedia::midi(const QString& name, int seconds) {
    // One track at the default tempo (120 beats a minute) and 480 ticks a
    // beat: two quarter notes a second, a C major arpeggio on the piano.
    QByteArray track;
    auto delta = [&track](int ticks) {
        QByteArray v(1, char(ticks & 0x7F));
        for (ticks >>= 7; ticks; ticks >>= 7) v.prepend(char(0x80 | (ticks & 0x7F)));
        track += v;
    };
    auto event = [&track](std::initializer_list<int> bytes) {
        for (int b : bytes) track += char(b);
    };
    delta(0);
    event({0xC0, 0});  // acoustic grand piano
    const int notes[] = {60, 64, 67, 72};
    for (int i = 0; i < seconds * 2; ++i) {
        const int note = notes[i % 4];
        delta(0);
        event({0x90, note, 100});
        delta(480);
        event({0x80, note, 0});
    }
    delta(0);
    event({0xFF, 0x2F, 0});

    QByteArray file("MThd\0\0\0\x06\0\0\0\x01\x01\xE0", 14);
    file += "MTrk";
    const quint32 size = quint32(track.size());
    file += char(size >> 24);
    file += char(size >> 16);
    file += char(size >> 8);
    file += char(size);
    file += track;
    return bytes(name, file);
}

QString TestMedia::bytes(const QString& name, const QByteArray& content) {
    const QString file = path(name);
    QDir().mkpath(QFileInfo(file).path());
    QFile out(file);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)) return {};
    return out.write(content) == content.size() ? file : QString();
}

QByteArray TestMedia::contents(const QString& file) {
    QFile in(file);
    return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
}

QByteArray TestMedia::id3Tag(quint32 size) {
    // The tag announces its size in seven-bit bytes.
    QByteArray tag("ID3\x03\x00\x00", 6);
    for (int shift : {21, 14, 7, 0}) tag += char((size >> shift) & 0x7F);
    return tag + QByteArray(int(size), '\0');
}
