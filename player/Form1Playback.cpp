// The media device's status notification: the progress marker follows the
// track, and at the end of a track a random playlist entry starts, without
// end. Every pick is uniform over all entries, the one that just ended
// included; no history is kept.
#include "Form1.h"
#include "devices/MediaCommand.h"
#include "forms/Rnd.h"

namespace {
// Entries that cannot be played are passed over, but only so often: a
// playlist of nothing but broken files must not keep the player busy.
constexpr int kPicksPerEntry = 3;
}  // namespace

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
    const int last = List1.ListCount() - 1;
    if (!followTrack()) return;
    closeEndedTrack();
    startRandomEntry(last);
}

void Form1::startRandomEntry(int last) {
    const int maxPicks = kPicksPerEntry * std::max(1, last + 1);
    for (int picks = 1;; ++picks) {
        if (List1.ListCount() == 0) {
            stopAdvancing(QStringLiteral("已停止播放"));
            return;
        }
        Label2.setCaption(kClockReset);
        Label5.setCaption(QString());
        const int index = int((last - 0 + 1) * forms::Rnd::Next() + 0);
        mci.setFileName(List1.List(index));
        mci.setCommand(media::kOpen);
        mci.setCommand(media::kPlay);
        Label4.setCaption(startedText());
        if (deviceIsPlayable() && !followTrack()) return;
        // At its end already, or of no length at all: close it and pick
        // again.
        if (mci.isOpen()) closeEndedTrack();
        if (picks >= maxPicks) {
            stopAdvancing(QStringLiteral("播放列表中没有可以播放的文件"));
            return;
        }
    }
}

// Continuous play gives up: nothing is open, and Play is offered again.
void Form1::stopAdvancing(const QString& status) {
    mci.setCommand(media::kClose);
    Command2.setEnabled(true);
    Command6.setLeft(kMarkerHome);
    Label2.setCaption(kClockReset);
    Label5.setCaption(QString());
    Label4.setCaption(status);
}
