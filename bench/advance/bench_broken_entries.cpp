// The player's window on the GStreamer device with a playlist of nothing but
// broken entries: Play is clicked and the random advance passes over them
// until it gives up. Meanwhile another thread "clicks" every 5 to 25 ms: it
// posts an event to the window's thread, as the X connection's reader does
// with a mouse press, and the time until the window's thread takes it is the
// answer time. For each kind and size it prints how long the advance took,
// how many files it opened and the longest open, and the answer times
// (median, 99th percentile, longest).
//
//   build/bin/bench_broken_entries [KINDS] [SIZES] [SINK]
//
// KINDS is a comma-separated list of
//   missing    paths with no file behind them
//   empty      files of 0 bytes
//   notaudio   a line of text: GStreamer looks at it and refuses it
//   webpage    a short HTML page, as a failed download leaves it
//   noise      64 KiB of random bytes
//   truncated  the first 300 bytes of an MP3: taken for audio, then refused
// (default "missing,notaudio"); SIZES likewise (default "300,1000,32767");
// SINK a GStreamer output description (default "fakesink sync=true"; under
// a PulseAudio server, "autoaudiosink" is what the program uses). Run it on
// the display the figures are for (xvfb-run -a for X, or
// QT_QPA_PLATFORM=offscreen).
//
// GStreamer starts on the device's first open, and the first start of a
// session also builds its plugin registry. That happens once, before the
// measurements, and its time is printed on its own.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <random>
#include <thread>
#include <vector>

#include "Form1.h"
#include "devices/GstMediaDevice.h"
#include "devices/MediaCommand.h"
#include "devices/QtFileDialog.h"

namespace {

using Clock = std::chrono::steady_clock;

// Counts the files the window asks the device to open, and notes the
// longest open: a click cannot be answered while one runs.
class CountingDevice : public GstMediaDevice {
public:
    using GstMediaDevice::GstMediaDevice;
    void setCommand(const QString& command) override {
        if (media::parseCommand(command) != media::Command::Open)
            return GstMediaDevice::setCommand(command);
        ++opens;
        QElapsedTimer elapsed;
        elapsed.start();
        GstMediaDevice::setCommand(command);
        longestOpenMs = std::max(longestOpenMs, elapsed.nsecsElapsed() / 1e6);
    }
    int opens = 0;
    double longestOpenMs = 0;
};

// Takes the posted clicks on the window's thread and notes how long each
// waited.
class Answerer : public QObject {
public:
    static inline const QEvent::Type kClick = QEvent::Type(QEvent::registerEventType());

    struct Click : QEvent {
        explicit Click(Clock::time_point at) : QEvent(kClick), postedAt(at) {}
        Clock::time_point postedAt;
    };

    std::vector<double> waitsMs;

protected:
    bool event(QEvent* e) override {
        if (e->type() != kClick) return QObject::event(e);
        const auto waited = Clock::now() - static_cast<Click*>(e)->postedAt;
        waitsMs.push_back(std::chrono::duration<double, std::milli>(waited).count());
        return true;
    }
};

struct Result {
    double advanceSeconds = 0;
    int opens = 0;
    double longestOpenMs = 0;
    std::vector<double> waitsMs;
};

QByteArray mp3Start() {
    QTemporaryDir dir;
    const QString wav = dir.filePath(QStringLiteral("t.wav"));
    const QString mp3 = dir.filePath(QStringLiteral("t.mp3"));
    QProcess::execute(QStringLiteral("sox"),
                      {QStringLiteral("-n"), QStringLiteral("-r"), QStringLiteral("44100"),
                       QStringLiteral("-c"), QStringLiteral("2"), wav, QStringLiteral("synth"),
                       QStringLiteral("1"), QStringLiteral("sine"), QStringLiteral("440")});
    QProcess::execute(QStringLiteral("lame"), {QStringLiteral("--quiet"), wav, mp3});
    QFile file(mp3);
    return file.open(QIODevice::ReadOnly) ? file.read(300) : QByteArray();
}

QStringList makeEntries(const QString& kind, int count, const QDir& dir) {
    static const QByteArray truncated = mp3Start();
    static const QByteArray noise = [] {
        QByteArray bytes(64 * 1024, Qt::Uninitialized);
        QRandomGenerator(7).fillRange(reinterpret_cast<quint32*>(bytes.data()), bytes.size() / 4);
        return bytes;
    }();
    QStringList paths;
    for (int i = 0; i < count; ++i) {
        const QString path = dir.filePath(QStringLiteral("%1 %2.mp3").arg(kind).arg(i));
        paths << path;
        if (kind == QLatin1String("missing")) continue;
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly)) continue;
        if (kind == QLatin1String("notaudio")) file.write("this is not a sound at all\n");
        if (kind == QLatin1String("truncated")) file.write(truncated);
        if (kind == QLatin1String("webpage"))
            file.write(
                "<!DOCTYPE html>\n<html><head><title>404 Not Found</title></head>\n"
                "<body><h1>Not Found</h1></body></html>\n");
        if (kind == QLatin1String("noise")) file.write(noise);
    }
    return paths;
}

Result measure(const QStringList& entries, const QString& sink) {
    auto owned = std::make_unique<CountingDevice>(sink);
    CountingDevice* device = owned.get();
    Form1 form(std::move(owned), std::make_unique<QtFileDialog>());
    form.Show();
    for (const QString& entry : entries) form.List1.AddItem(entry);
    QApplication::processEvents();

    Answerer answerer;
    std::atomic<bool> clicking{true};
    std::thread clicker([&] {
        std::mt19937 random(7);
        std::uniform_int_distribution<int> pause(5, 25);
        while (clicking) {
            std::this_thread::sleep_for(std::chrono::milliseconds(pause(random)));
            QCoreApplication::postEvent(&answerer, new Answerer::Click(Clock::now()));
        }
    });

    QElapsedTimer elapsed;
    elapsed.start();
    form.Command2.Click();
    QEventLoop loop;
    QTimer watch;
    watch.setTimerType(Qt::PreciseTimer);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (!form.advancing()) loop.quit();
    });
    watch.start(1);
    if (form.advancing()) loop.exec();
    Result result;
    result.advanceSeconds = elapsed.nsecsElapsed() / 1e9;
    clicking = false;
    clicker.join();
    QCoreApplication::sendPostedEvents(&answerer);
    result.opens = device->opens;
    result.longestOpenMs = device->longestOpenMs;
    result.waitsMs = answerer.waitsMs;
    return result;
}

// GStreamer's start: an open of a file it refuses, the first in the process.
double startGStreamer(const QString& sink) {
    QTemporaryDir dir;
    const QStringList text = makeEntries(QStringLiteral("notaudio"), 1, QDir(dir.path()));
    GstMediaDevice device(sink);
    device.setFileName(text.first());
    QElapsedTimer elapsed;
    elapsed.start();
    device.setCommand(media::kOpen);
    return elapsed.nsecsElapsed() / 1e6;
}

double percentile(std::vector<double> values, double p) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, size_t(p * (values.size() - 1) + 0.5))];
}

}  // namespace

int main(int argc, char* argv[]) {
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    QApplication app(argc, argv);
    const QStringList kinds = QString::fromLocal8Bit(argc > 1 ? argv[1] : "missing,notaudio")
                                  .split(u',', Qt::SkipEmptyParts);
    const QStringList sizes = QString::fromLocal8Bit(argc > 2 ? argv[2] : "300,1000,32767")
                                  .split(u',', Qt::SkipEmptyParts);
    const QString sink = QString::fromLocal8Bit(argc > 3 ? argv[3] : "fakesink sync=true");

    std::printf("platform %s, sink \"%s\"\n", qPrintable(QApplication::platformName()),
                qPrintable(sink));
    std::printf("GStreamer's first start (before the measurements): %.0f ms\n",
                startGStreamer(sink));
    std::printf("%-10s %7s %10s %7s %12s %7s %10s %10s %10s\n", "kind", "entries", "advance s",
                "opens", "longest open", "clicks", "median ms", "p99 ms", "longest ms");
    for (const QString& kind : kinds) {
        for (const QString& size : sizes) {
            QTemporaryDir media;
            const QStringList entries = makeEntries(kind, size.toInt(), QDir(media.path()));
            const Result r = measure(entries, sink);
            std::printf("%-10s %7lld %10.2f %7d %9.2f ms %7zu %10.2f %10.2f %10.2f\n",
                        qPrintable(kind), qsizetype(entries.size()), r.advanceSeconds, r.opens,
                        r.longestOpenMs, r.waitsMs.size(), percentile(r.waitsMs, 0.5),
                        percentile(r.waitsMs, 0.99), percentile(r.waitsMs, 1.0));
            std::fflush(stdout);
        }
    }
    return 0;
}
