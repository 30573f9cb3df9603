#pragma once

#include <QSet>
#include <memory>
#include <optional>

#include "devices/FileDialog.h"
#include "devices/MediaDevice.h"
#include "forms/CommandButton.h"
#include "forms/Form.h"
#include "forms/HScrollBar.h"
#include "forms/Label.h"
#include "forms/Line.h"
#include "forms/ListBox.h"
#include "forms/Menu.h"
#include "forms/PictureBox.h"
#include "forms/StripRow.h"
#include "forms/Timer.h"
#include "hosting/ControlSite.h"

class SavedPlaylist;

// The player's one window. What it is playing, whether it is paused, the
// elapsed seconds, the status text, the marker's place and whether the
// playlist panel is open all live in the properties of its controls. Its
// variables of its own are the random advance under way while broken
// entries are passed over, which spans several turns of the event loop, and
// what it knows of the playlist's store: whether the list was read from it,
// and whether the user has changed the list since.
class Form1 : public forms::Form {
public:
    // The window plays through the media device and asks for files with
    // the dialog it is handed; it owns both for its whole life.
    Form1(std::unique_ptr<MediaDevice> device, std::unique_ptr<FileDialog> dialog);
    ~Form1() override;

    // Controls, in the order they are stacked (later ones in front), with
    // what each carries of the player's state.
    forms::Label Label1;            // the blue band behind the two strips
    forms::Label Label3;            // the about line, scrolling left (Timer1)
    forms::Label Label4;            // the status line, scrolling left: now playing, paused, stopped
    forms::Label Label2;            // the clock: Label5's seconds as "mm:ss"
    forms::Label Label5;            // hidden: elapsed seconds as decimal text, empty for 0
    forms::PictureBox Picture1;     // the speaker picture beside the volume
    forms::HScrollBar HScroll1;     // the volume, 0 to 32767; Change sets the output
    forms::Line Line1;              // the track the progress marker slides along
    forms::CommandButton Command6;  // the progress marker: its Left is the position
    forms::CommandButton Command2;  // Play; Enabled: Play can be pressed (not playing)
    forms::CommandButton Command3;  // Pause; Visible, Enabled: playing (the clock counts)
    forms::CommandButton Command5;  // Resume, in Pause's place; Visible, Enabled: paused
    forms::CommandButton Command4;  // Stop; Enabled: Stop may be pressed
    forms::CommandButton Command1;  // Open
    forms::CommandButton Command7;  // "↓": shown while the playlist panel is closed
    forms::CommandButton Command8;  // "↑": shown while the playlist panel is open
    forms::ListBox List1;           // the playlist, one path an entry; Visible: the panel is open
    forms::Timer Timer1;            // every 50 ms: the strips move
    forms::Timer Timer2;            // every second while a track plays: the clock counts
    forms::Menu caidna;             // the playlist's popup menu
    forms::MenuItem& add;
    forms::MenuItem& del;
    forms::MenuItem& delt;
    // While the sound output is missing, continuous play tries again at
    // every tick: not a control of the design.
    forms::Timer outputWait;
    // How Label3 and Label4 reach the screen as they scroll over Label1:
    // one widget drawing the row, not a control of the design.
    forms::StripRow stripRow;

    // The marker's place at the start of a track, in twips.
    static constexpr float kMarkerHome = 80;
    // The window's outer height with the playlist panel closed, and open.
    static constexpr float kPanelClosedHeight = 2100;
    static constexpr float kPanelOpenHeight = 4660;
    // The clock at the start of a track.
    static inline const QString kClockReset = QStringLiteral("00:00");
    // The status while nothing can be heard: no sound server or card answers.
    static inline const QString kNoOutputText = QStringLiteral("没有可用的声音输出");
    static constexpr int kOutputWaitMs = 3000;
    // How long the close waits for the playlist to reach the disk.
    static constexpr int kExitSaveLimitMs = 1500;

private:
    std::unique_ptr<MediaDevice> m_mci;
    std::unique_ptr<FileDialog> m_cdlg;

public:
    // The media device; its FileName is the file open or last opened.
    MediaDevice& mci;
    FileDialog& cdlg;
    // The hidden slider that relays the volume; null when its component
    // could not be created (componentError() says why).
    std::unique_ptr<hosting::ControlSite> vsVolume;
    const QString& componentError() const { return m_componentError; }

    // Handlers.
    void Form_Load();
    void Form_Unload(int& Cancel);
    void Form_OLEDragDrop(const QList<QUrl>& dropped);
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    void Command5_Click();
    void List1_DblClick();
    void mci_StatusUpdate();
    void Timer1_Timer();
    void Timer2_Timer();
    void HScroll1_Change();
    void List1_MouseDown(int Button, int Shift, float X, float Y);
    void add_Click();
    void del_Click();
    void delt_Click();
    void Command7_Click();
    void Command8_Click();

    // The part of a path behind its last "/". A path without one is an
    // invalid argument (error 5).
    QString nam(const QString& path) const;

    // True while continuous play is passing over entries it cannot play,
    // one try a turn of the event loop, until one plays or it gives up.
    bool advancing() const { return m_advance.has_value() && !awaitingOutput(); }
    // True while continuous play waits for a sound output to come back.
    bool awaitingOutput() const { return outputWait.Enabled(); }

    // The playlist as the store keeps it: restored at start, saved soon
    // after each change and at exit.
    SavedPlaylist& savedPlaylist() const { return *m_saved; }

private:
    void playlistChanged();

    QString nowPlayingText() const;
    QString startedText() const;
    void showPlaying();
    void showNothingPlays(const QString& status);
    void triedAndFailed(const QString& path);
    void awaitOutput();
    bool deviceIsPlayable() const;
    bool deviceStarted() const;
    void showStopped();
    void moveMarker();
    bool followTrack();
    void closeEndedTrack();
    void beginAdvance();
    void passOver(const QString& path);
    void advanceTurn(int generation);
    void tryRandomEntry();
    void endAdvance();
    void stopAdvancing(const QString& status);
    void createVolumeSlider();
    void reportLater(const QString& message);

    QString m_componentError;

    std::unique_ptr<SavedPlaylist> m_saved;
    // The restored list is going in: no change of the user's.
    bool m_restoring = false;

    // The random advance under way: how many picks it has drawn, and the
    // entries it found it cannot play, which it does not open again.
    struct Advance {
        int generation = 0;
        int picks = 0;
        QSet<QString> unplayable;
    };
    std::optional<Advance> m_advance;
    int m_advances = 0;
};
