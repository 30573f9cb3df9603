// The media device's status notification: the progress marker follows the
// track, and at the end of a track a random playlist entry starts, without
// end. Every pick is uniform over all entries, the one that just ended
// included; no history is kept beyond the advance under way.
//
// A picked entry that cannot be played is passed over for another pick.
// Each try is a turn of its own on the event loop, so the window keeps
// answering however many broken entries the playlist holds; an entry found
// broken is not opened again in the same advance, and the advance gives up
// after a few picks per entry. A command of the user's ends it.
#include <QTimer>

#include "Form1.h"
#include "devices/MediaCommand.h"
#include "errors/EventDispatch.h"
#include "errors/Steps.h"
#include "forms/Rnd.h"

namespace {
// Entries that cannot be played are passed over, but only so often: a
// playlist of nothing but broken files must not keep the player busy.
constexpr int kPicksPerEntry = 3;
}  // namespace

// A try that did not play: without a sound output no entry would, so the
// advance waits for one; otherwise the entry is passed over.
void Form1::triedAndFailed(const QString& path) {
    if (mci.outputMissing())
        awaitOutput();
    else
        passOver(path);
}

// No sound output (the sound server restarts, or there is none): nothing is
// wrong with the entries, and no pick is spent on them. The window says so
// and looks like the stopped player, and the advance tries again every few
// seconds, until a track plays or a command of the user's ends the wait.
void Form1::awaitOutput() {
    --m_advance->picks;
    showNothingPlays(kNoOutputText);
    outputWait.setEnabled(true);
}

void Form1::moveMarker() {
    const float width = Line1.X2() - Line1.X1();
    const qint32 length = mci.Length();
    const qint32 position = mci.Position();
    const double fraction = length > 0 ? double(position) / double(length) : 0.0;
    Command6.setLeft(float(fraction * width + kMarkerHome));
}

// The marker follows the track, and the clock runs while the track has
// not reached its end. True once it has.
bool Form1::followTrack() {
    moveMarker();
    if (mci.Position() < mci.Length()) Timer2.setEnabled(true);
    return mci.Position() == mci.Length();
}

void Form1::closeEndedTrack() {
    mci.setCommand(media::kStop);
    mci.setCommand(media::kClose);
    Command2.setEnabled(false);
    Command6.setLeft(kMarkerHome);
}

void Form1::mci_StatusUpdate() {
    if (!followTrack()) return;
    closeEndedTrack();
    beginAdvance();
    advanceTurn(m_advance->generation);
}

void Form1::beginAdvance() { m_advance = Advance{.generation = ++m_advances}; }

// The entry just tried does not play: it is closed if it opened at all,
// and the next try waits for the next turn of the event loop, so that a
// click, a repaint or a timer gets in between.
void Form1::passOver(const QString& path) {
    if (mci.isOpen()) closeEndedTrack();
    m_advance->unplayable.insert(path);
    QTimer::singleShot(0, this,
                       [this, generation = m_advance->generation] { advanceTurn(generation); });
}

// One turn of the advance: a try, unless a command of the user's has ended
// this advance or started another since the turn was queued.
void Form1::advanceTurn(int generation) {
    if (!m_advance || m_advance->generation != generation) return;
    errors::dispatch([this] {
        try {
            tryRandomEntry();
        } catch (...) {
            // The failure goes to the last-resort handler; the advance
            // must not be left waiting for a turn that never comes.
            stopAdvancing(QStringLiteral("已停止播放"));
            throw;
        }
    });
}

// One try: picks until an entry not yet found broken comes up, then opens
// and plays it. The list is read afresh on every try, since the user may
// edit it while the advance goes on.
void Form1::tryRandomEntry() {
    const int count = List1.ListCount();
    if (count == 0) return stopAdvancing(QStringLiteral("已停止播放"));
    const int last = count - 1;
    const int maxPicks = kPicksPerEntry * count;
    QString path;
    do {
        if (m_advance->picks >= maxPicks)
            return stopAdvancing(QStringLiteral("播放列表中没有可以播放的文件"));
        ++m_advance->picks;
        const int index = int((last - 0 + 1) * forms::Rnd::Next() + 0);
        path = List1.List(index);
    } while (m_advance->unplayable.contains(path));

    errors::Steps steps;
    Label2.setCaption(kClockReset);
    Label5.setCaption(QString());
    mci.setFileName(path);
    mci.setCommand(media::kOpen);
    mci.setCommand(media::kPlay);
    // An entry without a folder plays all the same; only its name cannot be
    // shown, and the status line keeps what it said.
    steps.skip([&] { Label4.setCaption(startedText()); });
    if (deviceIsPlayable() && !followTrack()) {
        // After a wait for the sound output the buttons said stopped.
        showPlaying();
        return endAdvance();
    }
    triedAndFailed(path);
}

void Form1::endAdvance() {
    m_advance.reset();
    outputWait.setEnabled(false);
}

// Continuous play gives up: nothing is open, and the buttons are those of
// the stopped player.
void Form1::stopAdvancing(const QString& status) {
    endAdvance();
    showNothingPlays(status);
}

void Form1::showNothingPlays(const QString& status) {
    mci.setCommand(media::kClose);
    const bool pauseHadFocus = Command3.widget()->hasFocus();
    showStopped();
    Label2.setCaption(kClockReset);
    Label5.setCaption(QString());
    Label4.setCaption(status);
    if (pauseHadFocus) {
        errors::Steps steps;
        steps.skip([&] { Command2.SetFocus(); });
    }
}
