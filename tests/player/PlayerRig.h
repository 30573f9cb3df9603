#pragma once

// The player's window on a simulated media device and a scripted Open
// dialog, with settings in a temporary folder, driven as the window system
// would drive it: a click is the button's Click event, a notification comes
// from the device's virtual clock, a timer tick is the timer's own event.

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <cmath>
#include <memory>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <utility>

#include "Form1.h"
#include "doubles/ScriptedFileDialog.h"
#include "doubles/SimulatedMediaDevice.h"
#include "errors/EventDispatch.h"
#include "support/LastResortRecorder.h"
#include "support/ModalWatcher.h"
#include "support/QtPrinters.h"
#include "support/RndProbe.h"
#include "support/TempConfig.h"
#include "support/TimerProbe.h"

// A handler that would keep picking for ever ends in the last-resort
// handler, where the test sees it, instead of hanging the run.
class BoundedDevice : public SimulatedMediaDevice {
public:
    void setCommand(const QString& command) override {
        if (++sent > budget) throw std::runtime_error("the player never stops commanding");
        SimulatedMediaDevice::setCommand(command);
    }
    void setCommandBudget(int commands) { budget = commands; }

private:
    int sent = 0, budget = 20000;
};

// The six transport flags, written "1 10 1 01": Play, Pause shown and
// enabled, Stop, Resume shown and enabled.
inline std::string transportFlags(const Form1& f) {
    const auto bit = [](bool on) { return on ? '1' : '0'; };
    return {
        bit(f.Command2.Enabled()), ' ', bit(f.Command3.Visible()), bit(f.Command3.Enabled()), ' ',
        bit(f.Command4.Enabled()), ' ', bit(f.Command5.Visible()), bit(f.Command5.Enabled())};
}

// Lengths that stand for files the device cannot play; so does length 0.
constexpr qint32 kNotAudio = -1, kMissing = -2;
inline constexpr qint32 kBrokenLengths[] = {kNotAudio, kMissing, 0};

// What the window shows and the device does; unset fields are not checked.
struct Shown {
    const char* flags = nullptr;
    std::optional<QString> status;
    std::optional<bool> playing;
    std::optional<bool> open;
    forms::CommandButton* focus = nullptr;
    const char* clock = nullptr;  // Label2
    std::optional<float> marker;  // Command6's left edge
};

class PlayerRig {
public:
    // active: the window is made the active one, so the focus can be read;
    // that runs the event loop, where the strips' timer ticks for real.
    explicit PlayerRig(bool active = true) {
        // Every rig is a fresh start of the program: the same random picks.
        forms::RndProbe::reset();
        auto device = std::make_unique<BoundedDevice>();
        auto dialog = std::make_unique<ScriptedFileDialog>();
        mci = device.get();
        cdlg = dialog.get();
        form = std::make_unique<Form1>(std::move(device), std::move(dialog));
        form->Show();
        if (active) {
            QApplication::setActiveWindow(form.get());
            EXPECT_TRUE(QTest::qWaitForWindowActive(form.get()));
        }
    }

    // A message box, or an error that reached the last-resort handler,
    // fails the test.
    ~PlayerRig() {
        for (const ModalWatcher::Seen& box : takeBoxes())
            ADD_FAILURE() << "unexpected message box: " << box.text.toStdString();
        for (int number : lastResort.numbers)
            ADD_FAILURE() << "unexpected runtime error " << number;
    }

    // A file the device knows, of the given length or broken; as an entry,
    // also put on the playlist.
    void addFile(const QString& path, qint32 lengthMs) {
        if (lengthMs == kNotAudio) mci->addUnplayableFile(path);
        if (lengthMs >= 0) mci->addFile(path, lengthMs);
    }
    void addEntry(const QString& path, qint32 lengthMs) {
        addFile(path, lengthMs);
        form->List1.AddItem(path);
    }
    QStringList entries() const { return form->List1.texts().all(); }
    QString status() const { return form->Label4.Caption(); }

    // A click by the user, who can only click what is shown and enabled.
    void click(forms::CommandButton& button) {
        EXPECT_TRUE(button.Visible() && button.Enabled())
            << button.Name().toStdString() << " cannot be clicked now";
        errors::dispatch(button.Click);
    }
    void open(const QString& path) {
        cdlg->answer(path);
        click(form->Command1);
    }
    void cancelOpen() {
        cdlg->cancel();
        click(form->Command1);
    }
    // Play, and the advance over broken entries it may start.
    void play() {
        click(form->Command2);
        settle();
    }
    void pause() { click(form->Command3); }
    void stop() { click(form->Command4); }
    void resume() { click(form->Command5); }
    // A double-click on entry index, or with nothing selected for -1.
    void doubleClick(int index) {
        form->List1.setListIndex(index);
        errors::dispatch(form->List1.DblClick);
    }

    // Runs the window's queued work, without waiting for time to pass, until
    // a random advance over broken entries has started an entry or given up.
    void settle() {
        for (int turn = 0; form->advancing() && turn < 200000; ++turn)
            QCoreApplication::sendPostedEvents();
        EXPECT_FALSE(form->advancing()) << "the advance never ends";
    }
    // The device's clock moves on (raising its notification), and an
    // advance that starts runs its course.
    void advance(qint64 ms) {
        mci->advance(ms);
        settle();
    }
    // Whole seconds of playback: the device's clock moves, then the clock
    // timer ticks.
    void playSeconds(int seconds) {
        for (int i = 0; i < seconds; ++i) {
            advance(1000);
            forms::TimerProbe::fire(form->Timer2);
        }
    }

    QStringList opened() const {
        QStringList files;
        for (const QString& entry : mci->log())
            if (entry.startsWith(QLatin1String("open "))) files << entry.mid(5);
        return files;
    }
    QWidget* focus() const { return QApplication::focusWidget(); }

    // Every difference from want, in one failure.
    ::testing::AssertionResult shows(const Shown& want) const {
        std::ostringstream wrong;
        const auto differs = [&](const char* what, const auto& seen, const auto& wanted) {
            if (seen != wanted)
                wrong << what << ' ' << ::testing::PrintToString(seen) << ", not "
                      << ::testing::PrintToString(wanted) << "; ";
        };
        if (want.flags) differs("flags", transportFlags(*form), std::string(want.flags));
        if (want.status) differs("status", form->Label4.Caption(), *want.status);
        if (want.playing) differs("playing", mci->isPlaying(), *want.playing);
        if (want.open) differs("open", mci->isOpen(), *want.open);
        if (want.focus)
            differs("focus", focus() ? focus()->objectName() : QString(), want.focus->Name());
        if (want.clock) differs("clock", form->Label2.Caption(), QString::fromUtf8(want.clock));
        if (want.marker && std::abs(form->Command6.Left() - *want.marker) > 0.01f)
            differs("marker", form->Command6.Left(), *want.marker);
        return wrong.tellp() ? ::testing::AssertionFailure() << wrong.str()
                             : ::testing::AssertionSuccess();
    }

    // The message boxes shown since the last call.
    QList<ModalWatcher::Seen> takeBoxes() {
        const qsizetype from = std::exchange(taken, boxes.seen().size());
        return boxes.seen().mid(from);
    }

    TempConfig config;
    LastResortRecorder lastResort;
    // Answers any message box, so an unexpected one fails the test instead
    // of blocking it.
    ModalWatcher boxes;
    qsizetype taken = 0;
    BoundedDevice* mci = nullptr;
    ScriptedFileDialog* cdlg = nullptr;
    std::unique_ptr<Form1> form;
};

inline QString nowPlaying(const QString& name) { return QStringLiteral("正在播放..") + name; }
inline QString cannotPlay(const QString& name) { return QStringLiteral("无法播放..") + name; }
inline const QString kPausedText = QStringLiteral("已暂停播放");
inline const QString kStoppedText = QStringLiteral("已停止播放");
