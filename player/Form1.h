#pragma once

#include <memory>

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
#include "forms/Timer.h"
#include "hosting/ControlSite.h"

// The player's one window. It keeps no variables of its own: what it is
// playing, whether it is paused, the elapsed seconds, the status text, the
// marker's place and whether the playlist panel is open all live in the
// properties of its controls.
class Form1 : public forms::Form {
public:
    // The window plays through the media device and asks for files with
    // the dialog it is handed; it owns both for its whole life.
    Form1(std::unique_ptr<MediaDevice> device, std::unique_ptr<FileDialog> dialog);
    ~Form1() override;

    // Controls, in the order they are stacked (later ones in front).
    forms::Label Label1;
    forms::Label Label3;
    forms::Label Label4;
    forms::Label Label2;
    forms::Label Label5;
    forms::PictureBox Picture1;
    forms::HScrollBar HScroll1;
    forms::Line Line1;
    forms::CommandButton Command6;
    forms::CommandButton Command2;
    forms::CommandButton Command3;
    forms::CommandButton Command5;
    forms::CommandButton Command4;
    forms::CommandButton Command1;
    forms::CommandButton Command7;
    forms::CommandButton Command8;
    forms::ListBox List1;
    forms::Timer Timer1;
    forms::Timer Timer2;
    forms::Menu caidna;
    forms::MenuItem& add;
    forms::MenuItem& del;
    forms::MenuItem& delt;

private:
    std::unique_ptr<MediaDevice> m_mci;
    std::unique_ptr<FileDialog> m_cdlg;

public:
    MediaDevice& mci;
    FileDialog& cdlg;
    // The hidden slider that relays the volume; null when its component
    // could not be created (componentError() says why).
    std::unique_ptr<hosting::ControlSite> vsVolume;
    const QString& componentError() const { return m_componentError; }

    // Handlers.
    void Form_Load();
    void Form_Unload(int& Cancel);
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

private:
    void restorePlaylist();
    void savePlaylist();

    QString nowPlayingText() const;
    QString startedText() const;
    bool deviceIsPlayable() const;
    void moveMarker();
    bool followTrack();
    void closeEndedTrack();
    void startRandomEntry(int last);
    void stopAdvancing(const QString& status);
    void createVolumeSlider();
    void reportLater(const QString& message);

    QString m_componentError;
};
