// From process start to the window on screen, with an empty playlist and
// with a full one of 32,767 entries. Each run starts the probe (the player
// with a timestamp at its first expose) as a fresh process.
//
//   xvfb-run -a build/bin/bench_startup [runs]
//
// Without a display it falls back to Qt's offscreen platform.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {
long long monotonicNs() {
    timespec now = {};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1000000000LL + now.tv_nsec;
}

void writeStore(const QString& configHome, int entries) {
    QDir().mkpath(configHome + QStringLiteral("/ProgramSettings"));
    QFile file(configHome + QStringLiteral("/ProgramSettings/ravelle.ini"));
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    QByteArray text;
    for (int i = 0; i < entries; ++i)
        text += "[" + QByteArray::number(i) + "]\nvalue=/home/user/Music/Artist " +
                QByteArray::number(i % 97) + "/Album/track " + QByteArray::number(i) + ".mp3\n\n";
    text += "[num]\nvalue=" + QByteArray::number(entries) + "\n";
    file.write(text);
}

double runOnce(const QString& probe, const QString& configHome) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome);
    if (!env.contains(QStringLiteral("DISPLAY")))
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    process.setProcessEnvironment(env);
    const long long start = monotonicNs();
    process.start(probe, {});
    if (!process.waitForFinished(30000)) return -1;
    const long long shown = process.readAllStandardOutput().trimmed().toLongLong();
    return shown > start ? (shown - start) / 1e6 : -1;
}
}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 15;
    const QString probe =
        QCoreApplication::applicationDirPath() + QStringLiteral("/ravelle_startup_probe");
    std::printf("platform: %s\n", qEnvironmentVariableIsSet("DISPLAY") ? "xcb" : "offscreen");
    for (int entries : {0, 32767}) {
        QTemporaryDir config;
        writeStore(config.path(), entries);
        runOnce(probe, config.path());  // warm the file cache
        std::vector<double> ms;
        for (int i = 0; i < runs; ++i) ms.push_back(runOnce(probe, config.path()));
        std::sort(ms.begin(), ms.end());
        std::printf(
            "start to window shown, %5d entries: median %.1f ms, best %.1f ms, worst %.1f ms (%d "
            "runs)\n",
            entries, ms[ms.size() / 2], ms.front(), ms.back(), runs);
    }
    return 0;
}
