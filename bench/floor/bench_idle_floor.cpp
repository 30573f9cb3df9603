// A bare Qt window of the player's size whose 50 ms timer does nothing. What
// it costs the machine while it sits there is the least any window ticking
// at the player's strip rate can cost; bench/cpu_idle_and_playing.sh runs it
// beside the player and prints both.
//
//   build/bin/bench_idle_floor      (a window titled "ravelle-floor")
#include <QApplication>
#include <QTimer>
#include <QWidget>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("ravelle-floor"));
    // The player's window with its panel closed: 3510 x 2100 twips.
    window.resize(234, 140);
    window.show();

    // The same kind of timer as the player's strip timer: coarse, 50 ms.
    QTimer tick;
    tick.setTimerType(Qt::CoarseTimer);
    QObject::connect(&tick, &QTimer::timeout, [] {});
    tick.start(50);
    return app.exec();
}
