// The media device playing a 44.1 kHz stereo MP3 of 20 s (192 kbit/s):
//  - CPU of the whole process (every GStreamer thread) while it plays, as
//    a share of one core, and its context switches a second;
//  - from "play" to the first sample at the sink: the preroll buffer is
//    already there when "open" returns, so the moment counted is when the
//    sink asks for the next one, i.e. has rendered the first;
//  - from the end of one track to the first sample of the next as the
//    device adds it (close, open, play), without the status period.
//
//   build/bin/bench_device_playback [sink description] [seconds]
//
// The default sink is "fakesink sync=true" (real time, no sound card). To
// measure a real output, run a PulseAudio null sink (as
// scripts/headless_session.sh starts one) and pass "pulsesink".
#include <gst/gst.h>
#include <sys/resource.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <ctime>
#include <vector>

#include "GstMediaDevice.h"
#include "support/GstMediaDeviceProbe.h"

namespace {

long long monotonicNs() {
    timespec now = {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1000000000LL + now.tv_nsec;
}

double cpuSeconds() {
    rusage usage = {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Context switches of every thread of the process: how often it wakes.
long long contextSwitches() {
    long long total = 0;
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile status(tasks.filePath(task + QStringLiteral("/status")));
        if (!status.open(QIODevice::ReadOnly)) continue;
        for (const QByteArray& line : status.readAll().split('\n'))
            if (line.contains("ctxt_switches"))
                total += line.split('\t').last().trimmed().toLongLong();
    }
    return total;
}

bool run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(program, arguments);
    return process.waitForFinished(120000) && process.exitCode() == 0;
}

// Notes when the sink takes a buffer, once armed.
struct FirstSample {
    std::atomic<long long> armedAt{0};
    std::atomic<long long> seenAt{0};

    static GstPadProbeReturn onBuffer(GstPad*, GstPadProbeInfo*, gpointer self) {
        auto* first = static_cast<FirstSample*>(self);
        long long expected = 0;
        if (first->armedAt.load() != 0)
            first->seenAt.compare_exchange_strong(expected, monotonicNs());
        return GST_PAD_PROBE_OK;
    }

    void watch(GstElement* playbin) {
        GstElement* sink = nullptr;
        g_object_get(playbin, "audio-sink", &sink, nullptr);
        GstPad* pad = gst_element_get_static_pad(sink, "sink");
        gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_BUFFER, onBuffer, this, nullptr);
        gst_object_unref(pad);
        gst_object_unref(sink);
    }
    void arm() {
        seenAt = 0;
        armedAt = monotonicNs();
    }
    // Milliseconds from arming to the first buffer, or -1 on a timeout.
    double waitMs() {
        QElapsedTimer limit;
        limit.start();
        while (seenAt.load() == 0 && limit.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        return seenAt.load() ? (seenAt.load() - armedAt.load()) / 1e6 : -1;
    }
};

// Waits in the event loop, as the player does, looking at the position
// five times a second.
bool waitForEnd(GstMediaDevice& device, int limitMs) {
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, [&] {
        if (device.Position() == device.Length()) loop.quit();
    });
    check.start(200);
    QTimer::singleShot(limitMs, &loop, &QEventLoop::quit);
    loop.exec();
    return device.Position() == device.Length();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QString sink = argc > 1 ? QString::fromLocal8Bit(argv[1]) : "fakesink sync=true";
    const int seconds = argc > 2 ? std::max(2, atoi(argv[2])) : 20;

    QTemporaryDir dir;
    const QString wav = dir.filePath("tone.wav");
    const QString mp3 = dir.filePath("tone.mp3");
    if (!run("sox", {"-n", "-r", "44100", "-c", "2", "-b", "16", wav, "synth",
                     QString::number(seconds), "pinknoise", "sine", "440", "vol", "0.3"}) ||
        !run("lame", {"--quiet", "-b", "192", wav, mp3})) {
        std::fprintf(stderr, "could not make the MP3 (sox and lame are needed)\n");
        return 1;
    }

    GstMediaDevice device(sink);
    FirstSample first;

    device.setFileName(mp3);
    long long t0 = monotonicNs();
    device.setCommand("open");
    const double coldOpenMs = (monotonicNs() - t0) / 1e6;
    if (!device.isOpen()) {
        std::fprintf(stderr, "open failed: %s\n", qPrintable(device.ErrorMessage()));
        return 1;
    }
    first.watch(GstMediaDeviceProbe::playbin(device));

    const double cpu0 = cpuSeconds();
    const long long switches0 = contextSwitches();
    first.arm();
    device.setCommand("play");
    const double coldPlayMs = first.waitMs();
    if (!waitForEnd(device, (seconds + 10) * 1000)) {
        std::fprintf(stderr, "the track did not end\n");
        return 1;
    }
    const double wall = (monotonicNs() - first.armedAt.load()) / 1e9;
    const double cpuShare = (cpuSeconds() - cpu0) / wall * 100;
    const double switchRate = (contextSwitches() - switches0) / wall;

    // The next track, as the player starts it at the end of one: close,
    // open, play. A short file keeps the runs brief.
    const QString shortMp3 = dir.filePath("short.mp3");
    run("sox", {"-n", "-r", "44100", "-c", "2", "-b", "16", wav, "synth", "1", "sine", "440"});
    run("lame", {"--quiet", "-b", "192", wav, shortMp3});
    std::vector<double> openMs, playMs, switchMs;
    for (int i = 0; i < 7; ++i) {
        t0 = monotonicNs();
        device.setCommand("close");
        device.setFileName(i % 2 ? shortMp3 : mp3);
        device.setCommand("open");
        const long long opened = monotonicNs();
        first.arm();
        device.setCommand("play");
        const double ms = first.waitMs();
        openMs.push_back((opened - t0) / 1e6);
        playMs.push_back(ms);
        switchMs.push_back((first.seenAt.load() - t0) / 1e6);
    }
    device.setCommand("close");

    std::printf("sink: %s\n", qPrintable(sink));
    std::printf("MP3 %d s, 44.1 kHz stereo, 192 kbit/s\n", seconds);
    std::printf("open, first in the process (GStreamer starts): %.1f ms\n", coldOpenMs);
    std::printf("play -> first sample at the sink, first time:    %.1f ms\n", coldPlayMs);
    std::printf("CPU while playing: %.2f %% of one core over %.1f s\n", cpuShare, wall);
    std::printf("context switches while playing: %.0f a second\n", switchRate);
    std::printf("open, later (median of %zu):                   %.1f ms\n", openMs.size(),
                median(openMs));
    std::printf("play -> first sample, later (median):           %.1f ms\n", median(playMs));
    std::printf("close+open+play -> first sample (median):       %.1f ms\n", median(switchMs));
    return 0;
}
