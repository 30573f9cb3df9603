#include "forms/InputCodes.h"

namespace forms {

namespace {
struct KeyPair {
    int qt;
    int16_t code;
};

// Keys whose code is not their character. Shifted symbols of the usual
// layout carry the code of the key they are on, as the key is what counts.
constexpr KeyPair kKeys[] = {
    {Qt::Key_Backspace, keycode::Back},
    {Qt::Key_Tab, keycode::Tab},
    {Qt::Key_Backtab, keycode::Tab},
    {Qt::Key_Return, keycode::Return},
    {Qt::Key_Enter, keycode::Return},
    {Qt::Key_Shift, 16},
    {Qt::Key_Control, 17},
    {Qt::Key_Alt, 18},
    {Qt::Key_Pause, 19},
    {Qt::Key_CapsLock, 20},
    {Qt::Key_Escape, keycode::Escape},
    {Qt::Key_Space, keycode::Space},
    {Qt::Key_PageUp, keycode::PageUp},
    {Qt::Key_PageDown, keycode::PageDown},
    {Qt::Key_End, keycode::End},
    {Qt::Key_Home, keycode::Home},
    {Qt::Key_Left, keycode::Left},
    {Qt::Key_Up, keycode::Up},
    {Qt::Key_Right, keycode::Right},
    {Qt::Key_Down, keycode::Down},
    {Qt::Key_Print, 44},
    {Qt::Key_Insert, keycode::Insert},
    {Qt::Key_Delete, keycode::Delete},
    {Qt::Key_Meta, 91},
    {Qt::Key_Menu, 93},
    {Qt::Key_NumLock, 144},
    {Qt::Key_ScrollLock, 145},
    {Qt::Key_Semicolon, 186},
    {Qt::Key_Colon, 186},
    {Qt::Key_Equal, 187},
    {Qt::Key_Plus, 187},
    {Qt::Key_Comma, 188},
    {Qt::Key_Less, 188},
    {Qt::Key_Minus, 189},
    {Qt::Key_Underscore, 189},
    {Qt::Key_Period, 190},
    {Qt::Key_Greater, 190},
    {Qt::Key_Slash, 191},
    {Qt::Key_Question, 191},
    {Qt::Key_QuoteLeft, 192},
    {Qt::Key_AsciiTilde, 192},
    {Qt::Key_BracketLeft, 219},
    {Qt::Key_BraceLeft, 219},
    {Qt::Key_Backslash, 220},
    {Qt::Key_Bar, 220},
    {Qt::Key_BracketRight, 221},
    {Qt::Key_BraceRight, 221},
    {Qt::Key_Apostrophe, 222},
    {Qt::Key_QuoteDbl, 222},
    {Qt::Key_Exclam, '1'},
    {Qt::Key_At, '2'},
    {Qt::Key_NumberSign, '3'},
    {Qt::Key_Dollar, '4'},
    {Qt::Key_Percent, '5'},
    {Qt::Key_AsciiCircum, '6'},
    {Qt::Key_Ampersand, '7'},
    {Qt::Key_Asterisk, '8'},
    {Qt::Key_ParenLeft, '9'},
    {Qt::Key_ParenRight, '0'},
};

// The number pad's own keys, when Num Lock makes them type.
constexpr KeyPair kKeypad[] = {
    {Qt::Key_Asterisk, 106}, {Qt::Key_Plus, 107},  {Qt::Key_Minus, 109},
    {Qt::Key_Period, 110},   {Qt::Key_Slash, 111},
};
}  // namespace

int16_t buttonCode(Qt::MouseButton button) { return buttonsCode(button); }

int16_t buttonsCode(Qt::MouseButtons buttons) {
    int16_t code = 0;
    if (buttons & Qt::LeftButton) code |= button::Left;
    if (buttons & Qt::RightButton) code |= button::Right;
    if (buttons & Qt::MiddleButton) code |= button::Middle;
    return code;
}

int16_t shiftCode(Qt::KeyboardModifiers modifiers) {
    int16_t code = 0;
    if (modifiers & Qt::ShiftModifier) code |= shift::Shift;
    if (modifiers & Qt::ControlModifier) code |= shift::Ctrl;
    if (modifiers & Qt::AltModifier) code |= shift::Alt;
    return code;
}

int16_t keyCodeOf(const QKeyEvent& event) {
    const int key = event.key();
    const bool keypad = event.modifiers() & Qt::KeypadModifier;
    if (key >= Qt::Key_0 && key <= Qt::Key_9) return int16_t(keypad ? 96 + (key - Qt::Key_0) : key);
    if (key >= Qt::Key_A && key <= Qt::Key_Z) return int16_t(key);
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return int16_t(keycode::F1 + (key - Qt::Key_F1));
    if (keypad)
        for (const KeyPair& k : kKeypad)
            if (k.qt == key) return k.code;
    for (const KeyPair& k : kKeys)
        if (k.qt == key) return k.code;
    return 0;
}

int16_t keyAsciiOf(const QKeyEvent& event) {
    const QString text = event.text();
    if (text.size() != 1) return 0;
    const char16_t c = text.front().unicode();
    // Delete types a DEL on some keyboards; it is a key, not a character.
    if (c == 0x7f || c > 0x7fff) return 0;
    return int16_t(c);
}

}  // namespace forms
