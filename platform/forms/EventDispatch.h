#pragma once

#include <functional>

#include "forms/RuntimeError.h"

namespace forms {

// Every event the window system delivers runs through dispatch(): the
// handler runs to completion, and an error that escapes it goes to the
// last-resort handler instead of unwinding through Qt. The program keeps
// running, so the playlist is still saved when the window closes.
void dispatch(const std::function<void()>& handler) noexcept;

using LastResortHandler = std::function<void(const RuntimeError&)>;

// Replaces the last-resort handler (tests record instead of showing a box);
// returns the previous one. An empty handler restores the message box.
LastResortHandler setLastResortHandler(LastResortHandler handler);

// The default last resort: a message box titled with the program's title,
// naming the error's number and text.
void showRuntimeErrorBox(const RuntimeError& error);

}  // namespace forms
