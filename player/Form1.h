#pragma once

#include "forms/CommandButton.h"
#include "forms/Form.h"
#include "forms/HScrollBar.h"
#include "forms/Label.h"
#include "forms/Line.h"
#include "forms/ListBox.h"
#include "forms/Menu.h"
#include "forms/PictureBox.h"
#include "forms/Timer.h"

// The player's one window. It keeps no variables of its own: what it is
// playing, whether it is paused, the elapsed seconds, the status text, the
// marker's place and whether the playlist panel is open all live in the
// properties of its controls.
class Form1 : public forms::Form {
public:
    Form1();
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

    // Handlers.
    void Form_Load();
    void Form_Unload(int& Cancel);

private:
    void restorePlaylist();
    void savePlaylist();
};
