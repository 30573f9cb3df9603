#pragma once

#include <QKeyEvent>
#include <cstdint>

namespace forms {

// The numbers a user control's input handlers receive, as the classic
// platform numbered them, so a control's code reads the same as it always
// did.

// Mouse buttons, as a single button or a set of bits.
namespace button {
constexpr int16_t Left = 1;
constexpr int16_t Right = 2;
constexpr int16_t Middle = 4;
}  // namespace button

// The shift state bits.
namespace shift {
constexpr int16_t Shift = 1;
constexpr int16_t Ctrl = 2;
constexpr int16_t Alt = 4;
}  // namespace shift

// Virtual-key codes of the keys a control usually looks at. Letters and
// digits are their upper-case character codes ('A' 65, '0' 48).
namespace keycode {
constexpr int16_t Back = 8;
constexpr int16_t Tab = 9;
constexpr int16_t Return = 13;
constexpr int16_t Escape = 27;
constexpr int16_t Space = 32;
constexpr int16_t PageUp = 33;
constexpr int16_t PageDown = 34;
constexpr int16_t End = 35;
constexpr int16_t Home = 36;
constexpr int16_t Left = 37;
constexpr int16_t Up = 38;
constexpr int16_t Right = 39;
constexpr int16_t Down = 40;
constexpr int16_t Insert = 45;
constexpr int16_t Delete = 46;
constexpr int16_t F1 = 112;
}  // namespace keycode

int16_t buttonCode(Qt::MouseButton button);
int16_t buttonsCode(Qt::MouseButtons buttons);
int16_t shiftCode(Qt::KeyboardModifiers modifiers);

// The virtual-key code of a key event, 0 for a key that has none.
int16_t keyCodeOf(const QKeyEvent& event);
// The character a key event types, 0 when it types none (a navigation key,
// a lone modifier) or one that does not fit 16 bits.
int16_t keyAsciiOf(const QKeyEvent& event);

}  // namespace forms
