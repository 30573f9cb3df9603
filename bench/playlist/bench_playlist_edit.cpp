// A click on 删除 in a full playlist (32,767 entries) with the playlist
// saved soon after each change: the click itself, the window thread's share
// of the save that follows (a copy of the list handed to the saving
// thread), and the save on that thread, which the window does not wait for.
//
//   QT_QPA_PLATFORM=offscreen build/bin/bench_playlist_edit
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include "Form1.h"
#include "SavedPlaylist.h"
#include "devices/GstMediaDevice.h"
#include "devices/QtFileDialog.h"
#include "errors/EventDispatch.h"
#include "settings/SettingsStore.h"

namespace {
class PlayerWindow : public Form1 {
public:
    PlayerWindow() : Form1(std::make_unique<GstMediaDevice>(), std::make_unique<QtFileDialog>()) {}
};

QString entry(int i) {
    return QStringLiteral("/home/user/Music/Artist %1/Album/track %2.mp3").arg(i % 97).arg(i);
}

// A full list restored from the store, with the panel open, as the user
// sees it before the click.
struct FullPlaylist {
    QTemporaryDir config;
    std::unique_ptr<PlayerWindow> form;

    FullPlaylist() {
        qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
        {
            PlayerWindow writer;
            for (int i = 0; i < forms::ListBox::kMaxEntries; ++i) writer.List1.AddItem(entry(i));
            int cancel = 0;
            writer.Form_Unload(cancel);
            settings::closeAllStores();
        }
        form = std::make_unique<PlayerWindow>();
        form->Show();
        errors::dispatch(form->Command7.Click);
        QCoreApplication::processEvents();
    }
    ~FullPlaylist() {
        form->close();
        form.reset();
        settings::closeAllStores();
    }
    // The list back to full, and every save written, outside the timing.
    void refill() {
        form->List1.AddItem(entry(0));
        form->savedPlaylist().flush();
    }
};

void ClickDelete(benchmark::State& state) {
    FullPlaylist list;
    int row = 0;
    for (auto _ : state) {
        state.PauseTiming();
        list.form->List1.setListIndex(row = (row + 7919) % (forms::ListBox::kMaxEntries - 1));
        state.ResumeTiming();
        errors::dispatch(list.form->del.Click);
        state.PauseTiming();
        list.refill();
        state.ResumeTiming();
    }
}
BENCHMARK(ClickDelete)->Unit(benchmark::kMillisecond)->Iterations(30);

// The turn of the event loop after the click, in which the save begins: the
// window's thread copies the list and hands it over.
void SaveBeginsOnTheWindowThread(benchmark::State& state) {
    FullPlaylist list;
    for (auto _ : state) {
        state.PauseTiming();
        list.form->List1.setListIndex(100);
        errors::dispatch(list.form->del.Click);
        // The save is due at once or after the rest of the second: wait
        // for it without timing the wait.
        QElapsedTimer due;
        due.start();
        const int before = list.form->savedPlaylist().savesBegun();
        while (due.elapsed() < SavedPlaylist::kIntervalMs - 50) QCoreApplication::processEvents();
        state.ResumeTiming();
        while (list.form->savedPlaylist().savesBegun() == before)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        state.PauseTiming();
        list.refill();
        state.ResumeTiming();
    }
}
BENCHMARK(SaveBeginsOnTheWindowThread)->Unit(benchmark::kMillisecond)->Iterations(10);

// The whole save on its own thread: read the file as it is, merge, write,
// flush to the disk, rename.
void SaveOnItsThread(benchmark::State& state) {
    FullPlaylist list;
    for (auto _ : state) {
        state.PauseTiming();
        list.form->List1.setListIndex(100);
        errors::dispatch(list.form->del.Click);
        list.form->savedPlaylist().flush();
        list.form->List1.AddItem(entry(0));
        state.ResumeTiming();
        list.form->savedPlaylist().flush();
    }
}
BENCHMARK(SaveOnItsThread)->Unit(benchmark::kMillisecond)->Iterations(10);
}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ravelle"));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
