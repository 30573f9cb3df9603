#pragma once

#include <functional>

#include "errors/RuntimeError.h"

namespace errors {

// Every event the window system delivers runs through dispatch(): the
// handler runs to completion, and an error that escapes it goes to the
// last-resort handler instead of unwinding through Qt. The program keeps
// running, so the playlist is still saved when the window closes.
void dispatch(const std::function<void()>& handler) noexcept;

using LastResortHandler = std::function<void(const RuntimeError&)>;

// Replaces the last-resort handler and returns the previous one. The
// program installs one that shows a message box; tests record instead.
// Without one, the error's number and text go to standard error.
LastResortHandler setLastResortHandler(LastResortHandler handler);

}  // namespace errors
