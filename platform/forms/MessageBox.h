#pragma once

#include <QString>

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
// An empty title means the program's title.
int MsgBox(const QString& prompt, MsgBoxStyle style = MsgBoxStyle::OkOnly,
           const QString& title = {});

}  // namespace forms
