#pragma once

#include <memory>

#include "Form1.h"
#include "doubles/ScriptedFileDialog.h"
#include "doubles/SimulatedMediaDevice.h"

// The player's window on the simulated device and a scripted Open dialog
// that answers nothing: for tests of what the window shows and keeps, where
// nothing is played.
class SimulatedForm1 : public Form1 {
public:
    SimulatedForm1()
        : Form1(std::make_unique<SimulatedMediaDevice>(), std::make_unique<ScriptedFileDialog>()) {}
};
