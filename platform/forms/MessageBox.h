#pragma once

#include <QString>

#include "errors/RuntimeError.h"

namespace forms {

// Button and icon choices of a message box; they combine with |.
enum class MsgBoxStyle : int {
    OkOnly = 0,
    Critical = 16,
    Exclamation = 48,
    Information = 64,
};
constexpr MsgBoxStyle operator|(MsgBoxStyle a, MsgBoxStyle b) {
    return MsgBoxStyle(int(a) | int(b));
}

constexpr int vbOK = 1;

// A modal message box over the active window; returns the button pressed.
// An empty title means the program's title. While a termination signal
// closes the program the text goes to standard error instead, unanswered.
int MsgBox(const QString& prompt, MsgBoxStyle style = MsgBoxStyle::OkOnly,
           const QString& title = {});

// The program's last resort for an error no handler took: a box titled with
// the program's title, naming the error's number and text.
void showRuntimeErrorBox(const errors::RuntimeError& error);

}  // namespace forms
