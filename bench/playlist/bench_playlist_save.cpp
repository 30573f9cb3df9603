// The exit save of a full playlist (32,767 entries): every entry, the count,
// and one atomic write of the file. And the restore at start-up on its own.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QTemporaryDir>

#include "Form1.h"
#include "devices/GstMediaDevice.h"
#include "devices/QtFileDialog.h"
#include "settings/SettingsStore.h"

namespace {
// The window as the program makes it.
class PlayerWindow : public Form1 {
public:
    PlayerWindow() : Form1(std::make_unique<GstMediaDevice>(), std::make_unique<QtFileDialog>()) {}
};

void fill(Form1& form) {
    for (int i = 0; i < forms::ListBox::kMaxEntries; ++i)
        form.List1.AddItem(
            QStringLiteral("/home/user/Music/Artist %1/Album/track %2.mp3").arg(i % 97).arg(i));
}

void ExitSave(benchmark::State& state) {
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    for (auto _ : state) {
        state.PauseTiming();
        auto form = std::make_unique<PlayerWindow>();
        fill(*form);
        int cancel = 0;
        state.ResumeTiming();
        // Each save after the first rewrites what the one before wrote, as
        // a real exit after a run with the same list would.
        form->Form_Unload(cancel);
        state.PauseTiming();
        form.reset();
        state.ResumeTiming();
    }
    settings::closeAllStores();
}
BENCHMARK(ExitSave)->Unit(benchmark::kMillisecond)->Iterations(10);

void Restore(benchmark::State& state) {
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
    {
        PlayerWindow form;
        fill(form);
        int cancel = 0;
        form.Form_Unload(cancel);
        settings::closeAllStores();
    }
    for (auto _ : state) {
        PlayerWindow form;
        form.Form_Load();
        benchmark::DoNotOptimize(form.List1.ListCount());
        state.PauseTiming();
        settings::closeAllStores();
        state.ResumeTiming();
    }
}
BENCHMARK(Restore)->Unit(benchmark::kMillisecond)->Iterations(10);
}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ravelle"));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
