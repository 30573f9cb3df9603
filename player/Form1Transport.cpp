// The transport: Open, Play, Pause, Stop, Resume and a double-click on a
// playlist entry. Each is a fixed run of steps on the controls and the
// media device; which command can be used next follows from the buttons'
// flags alone. Each also ends a random advance still passing over broken
// entries: what the user asks for comes first.
#include "Form1.h"
#include "devices/MediaCommand.h"
#include "errors/RuntimeError.h"
#include "errors/Steps.h"
#include "forms/Rnd.h"

QString Form1::nam(const QString& path) const {
    const qsizetype slash = path.lastIndexOf(u'/');
    if (slash < 0) errors::raiseError(errors::InvalidProcedureCall);
    return path.mid(slash + 1);
}

bool Form1::deviceIsPlayable() const { return mci.isOpen() && mci.Length() > 0; }

// The file just told to play is playing, not refused, empty or at its end.
bool Form1::deviceStarted() const { return deviceIsPlayable() && mci.Position() < mci.Length(); }

QString Form1::nowPlayingText() const { return QStringLiteral("正在播放..") + nam(mci.FileName()); }

// The status line for the file the device was just told to open and play:
// its name when it plays, and the truth when it could not be opened.
QString Form1::startedText() const {
    if (deviceIsPlayable()) return nowPlayingText();
    if (mci.outputMissing()) return kNoOutputText;
    return QStringLiteral("无法播放..") + nam(mci.FileName());
}

// Nothing plays: the buttons are those of the stopped player, Play offered
// and nothing to pause or resume.
void Form1::showStopped() {
    Command2.setEnabled(true);
    Command3.setVisible(true);
    Command3.setEnabled(false);
    Command5.setVisible(false);
    Command6.setLeft(kMarkerHome);
}

void Form1::Command1_Click() {
    errors::Steps steps;
    cdlg.setFileName(QString());
    cdlg.ShowOpen();
    Command2.setEnabled(true);
    Command4.setEnabled(true);
    if (cdlg.FileName().isEmpty()) {
        Command2.SetFocus();
        return;
    }
    // The chosen file takes over from an advance that went on meanwhile.
    endAdvance();
    mci.setCommand(media::kClose);
    mci.setFileName(cdlg.FileName());
    List1.AddItem(cdlg.FileName());
    mci.setCommand(media::kOpen);
    Command6.setLeft(kMarkerHome);
    Label2.setCaption(kClockReset);
    steps.skip([&] { mci.setCommand(media::kPlay); });
    steps.skip([&] { Label5.setCaption(QString()); });
    steps.skip([&] { Label4.setCaption(startedText()); });
    // The user asked for this one file: when it does not play, nothing
    // plays, and the buttons say so.
    if (!deviceStarted()) {
        steps.skip([&] { mci.setCommand(media::kClose); });
        steps.skip([&] { showStopped(); });
    }
    steps.skip([&] { Command2.SetFocus(); });
}

// A track plays: Pause offered in the shared place, Play not.
void Form1::showPlaying() {
    const bool playHadFocus = Command2.widget()->hasFocus();
    Command2.setEnabled(false);
    Command3.setVisible(true);
    Command3.setEnabled(true);
    Command4.setEnabled(true);
    Command5.setVisible(false);
    if (playHadFocus) {
        errors::Steps steps;
        steps.skip([&] { Command3.SetFocus(); });
    }
}

void Form1::Command2_Click() {
    endAdvance();
    errors::Steps steps;
    const int n = List1.ListCount() - 1;
    mci.setCommand(media::kClose);
    Command3.setVisible(true);
    Label2.setCaption(kClockReset);
    Label5.setCaption(QString());
    // An empty playlist has nothing to pick: what was done so far stands.
    if (n < 0) return;
    const int i = int((n - 0 + 1) * forms::Rnd::Next() + 0);
    const QString picked = List1.List(i);
    mci.setFileName(picked);
    mci.setCommand(media::kOpen);
    steps.leave([&] { mci.setCommand(media::kPlay); });
    steps.leave([&] { Label4.setCaption(startedText()); });
    steps.leave([&] { Command2.setEnabled(false); });
    steps.leave([&] { Command3.setEnabled(true); });
    steps.leave([&] { Command4.setEnabled(true); });
    steps.leave([&] { Command3.SetFocus(); });
    // A pick that does not play is passed over as at the end of a track,
    // whether or not its name could be shown.
    if (!deviceStarted()) {
        beginAdvance();
        ++m_advance->picks;
        triedAndFailed(picked);
    }
}

void Form1::Command3_Click() {
    endAdvance();
    mci.setCommand(media::kPause);
    Label4.setCaption(QStringLiteral("已暂停播放"));
    Command5.setVisible(true);
    Command3.setVisible(false);
    Command3.setEnabled(false);
    Command2.setEnabled(false);
    Command5.setEnabled(true);
    Command5.SetFocus();
}

void Form1::Command4_Click() {
    endAdvance();
    mci.setCommand(media::kStop);
    mci.setCommand(media::kClose);
    Command2.setEnabled(true);
    Label4.setCaption(QStringLiteral("已停止播放"));
    Command3.setVisible(true);
    Command3.setEnabled(false);
    Command6.setLeft(kMarkerHome);
    Command2.SetFocus();
    Label2.setCaption(kClockReset);
    Label5.setCaption(QString());
}

void Form1::Command5_Click() {
    endAdvance();
    errors::Steps steps;
    mci.setCommand(media::kPlay);
    steps.leave([&] { Label4.setCaption(nowPlayingText()); });
    steps.leave([&] { Command2.setEnabled(false); });
    steps.leave([&] { Command3.setEnabled(true); });
    steps.leave([&] { Command4.setEnabled(true); });
    steps.leave([&] { Command3.setVisible(true); });
    steps.leave([&] { Command5.setEnabled(false); });
    steps.leave([&] { Command3.SetFocus(); });
    steps.leave([&] { Command5.setVisible(false); });
}

void Form1::List1_DblClick() {
    endAdvance();
    errors::Steps steps;
    mci.setCommand(media::kClose);
    Command2.setEnabled(false);
    Command3.setVisible(true);
    Command5.setVisible(false);
    Command3.setEnabled(true);
    Command3.SetFocus();
    Command4.setEnabled(true);
    Command5.setEnabled(false);
    Label2.setCaption(kClockReset);
    Label5.setCaption(QString());
    if (List1.Text().isEmpty()) return;
    mci.setFileName(List1.Text());
    mci.setCommand(media::kOpen);
    mci.setCommand(media::kPlay);
    steps.skip([&] { Label4.setCaption(startedText()); });
    // The user asked for this one entry: when it does not play, nothing
    // plays, and the buttons say so.
    if (!deviceStarted()) {
        steps.skip([&] { mci.setCommand(media::kClose); });
        steps.skip([&] { showStopped(); });
        steps.skip([&] { Command2.SetFocus(); });
    }
}
