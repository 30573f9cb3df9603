#pragma once

#include <functional>

class Form1;

// The whole program: what must be settled before Qt starts, the application
// object, the window on its real devices, the desktop's bus; it runs until
// the window has closed and saved, then ends the process. beforeShow, when
// given, gets the window just before it is first shown (the start-up
// benchmark watches it for its first expose).
[[noreturn]] void runProgram(int argc, char* argv[],
                             const std::function<void(Form1&)>& beforeShow = {});
