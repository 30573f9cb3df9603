// Pointer and keyboard input: the end zones step, the track pages, the
// thumb drags, and the navigation keys move the slider; key events go on to
// the host first, which may cancel a key by zeroing its code.
//
// Every step is 32-bit arithmetic: a step that would leave the range fails
// with overflow (6) before anything is assigned, and the error goes to the
// hosting layer with the rest of the handler's failures.
#include "NewHscrollbar.h"
#include "OwnText.h"
#include "com/Conversions.h"
#include "forms/InputCodes.h"

namespace quillet {

using com::checkedAdd;
using com::checkedSub;
using com::toInt32;

void NewHscrollbar::connectInput() {
    hosting::ConstituentEvents& up = picArrUp.events();
    up.MouseDown = [this](int16_t b, int16_t s, float x, float y) {
        picArrUp_MouseDown(b, s, x, y);
    };
    up.DblClick = [this] { picArrUp_DblClick(); };
    up.MouseUp = [this](int16_t b, int16_t s, float x, float y) { picArrUp_MouseUp(b, s, x, y); };

    hosting::ConstituentEvents& down = picArrDn.events();
    down.MouseDown = [this](int16_t b, int16_t s, float x, float y) {
        picArrDn_MouseDown(b, s, x, y);
    };
    down.DblClick = [this] { picArrDn_DblClick(); };
    down.MouseUp = [this](int16_t b, int16_t s, float x, float y) { picArrDn_MouseUp(b, s, x, y); };

    hosting::ConstituentEvents& bar = picBar.events();
    bar.MouseDown = [this](int16_t b, int16_t s, float x, float y) {
        picBar_MouseDown(b, s, x, y);
    };
    bar.MouseMove = [this](int16_t b, int16_t s, float x, float y) {
        picBar_MouseMove(b, s, x, y);
    };
    bar.DblClick = [this] { picBar_DblClick(); };
    bar.MouseUp = [this](int16_t b, int16_t s, float x, float y) { picBar_MouseUp(b, s, x, y); };
    bar.KeyDown = [this](int16_t& k, int16_t& s) { picBar_KeyDown(k, s); };
    bar.KeyUp = [this](int16_t& k, int16_t& s) { picBar_KeyUp(k, s); };
    bar.KeyPress = [this](int16_t& a) { picBar_KeyPress(a); };

    hosting::ConstituentEvents& thumb = picCur.events();
    thumb.MouseDown = [this](int16_t b, int16_t s, float x, float y) {
        picCur_MouseDown(b, s, x, y);
    };
    thumb.MouseMove = [this](int16_t b, int16_t s, float x, float y) {
        picCur_MouseMove(b, s, x, y);
    };
    thumb.MouseUp = [this](int16_t b, int16_t s, float x, float y) { picCur_MouseUp(b, s, x, y); };
    thumb.KeyDown = [this](int16_t& k, int16_t& s) { picCur_KeyDown(k, s); };
    thumb.KeyUp = [this](int16_t& k, int16_t& s) { picCur_KeyUp(k, s); };
    thumb.KeyPress = [this](int16_t& a) { picCur_KeyPress(a); };
}

// The end zones: one small step per press, no repeat while held. The second
// press of a double-click is the double-click, which steps again.

void NewHscrollbar::picArrUp_MouseDown(int16_t, int16_t, float, float) {
    setValue(checkedSub(m_Value, m_SmallChange));
}

void NewHscrollbar::picArrUp_DblClick() { setValue(checkedSub(m_Value, m_SmallChange)); }

void NewHscrollbar::picArrUp_MouseUp(int16_t, int16_t, float, float) {}

void NewHscrollbar::picArrDn_MouseDown(int16_t, int16_t, float, float) {
    setValue(checkedAdd(m_Value, m_SmallChange));
}

void NewHscrollbar::picArrDn_DblClick() { setValue(checkedAdd(m_Value, m_SmallChange)); }

void NewHscrollbar::picArrDn_MouseUp(int16_t, int16_t, float, float) {}

// The track: one page toward the pointer per press, however near or far the
// pointer is; the page does not stop at the pointer.

void NewHscrollbar::picBar_MouseDown(int16_t, int16_t, float X, float) {
    m_lastTrackX = toInt32(X + picBar.Left());
    pageTowardLastTrackX();
}

void NewHscrollbar::picBar_MouseMove(int16_t, int16_t, float X, float) {
    // Kept with or without a button down: the double-click pages toward it.
    m_lastTrackX = toInt32(X + picBar.Left());
}

void NewHscrollbar::picBar_DblClick() { pageTowardLastTrackX(); }

void NewHscrollbar::picBar_MouseUp(int16_t, int16_t, float, float) {}

void NewHscrollbar::pageTowardLastTrackX() {
    if (picCur.Left() > m_lastTrackX)
        setValue(checkedSub(m_Value, m_LargeChange));
    else if (picCur.Left() + picCur.Width() < m_lastTrackX)
        setValue(checkedAdd(m_Value, m_LargeChange));
}

// The thumb drag. The press records where inside the thumb it was grabbed
// and captures the pointer, so the moves and the release reach the thumb
// wherever the pointer goes.

void NewHscrollbar::picCur_MouseDown(int16_t, int16_t, float X, float) {
    m_grabOffsetX = toInt32(X);
    m_thumbPressed = true;
    picCur.SetCapture();
}

void NewHscrollbar::picCur_MouseMove(int16_t, int16_t, float X, float) {
    if (!m_thumbPressed) return;  // hovering
    if (double(X) - m_grabOffsetX == 0) return;
    if (m_Max <= m_Min) return;  // nothing to drag over, and no division by 0

    m_dragging = true;
    const int32_t old = m_Value;

    const float barLeft = picBar.Left();
    int32_t newLeft = toInt32(double(picCur.Left()) + double(X) - m_grabOffsetX);
    if (newLeft < barLeft) newLeft = toInt32(barLeft);
    if (newLeft > double(barLeft) + m_thumbTravel)
        newLeft = toInt32(double(barLeft) + m_thumbTravel);

    // The inverse of the placement step.
    const float fraction = float((double(newLeft) - barLeft) / m_thumbTravel);
    m_Value = checkedAdd(m_Min, toInt32(double(fraction) * double(checkedSub(m_Max, m_Min))));
    if (m_Value < m_Min) m_Value = m_Min;
    if (m_Value > m_Max) m_Value = m_Max;

    // The thumb follows the pointer to the twip, not to the place the whole
    // Value stands for; the release snaps it there.
    picCur.setLeft(float(newLeft));
    picBar.widget()->repaint();
    picBar.setBackColor(trackColour(m_Value));
    if (m_Value != old) RaiseEvent(eventid::Scroll);
}

void NewHscrollbar::picCur_MouseUp(int16_t, int16_t, float, float) { endThumbDrag(); }

void NewHscrollbar::endThumbDrag() {
    picCur.ReleaseCapture();
    m_thumbPressed = false;
    // Change goes out while the drag is still on, so a host that sets Value
    // from its handler raises no second Change.
    if (m_dragging) {
        RaiseEvent(eventid::Change);
        m_dragging = false;
    }
    setValue(m_Value);
}

// Keys: the host hears of every key first; a key-down then navigates with
// the code the host's handler left.

void NewHscrollbar::picCur_KeyDown(int16_t& KeyCode, int16_t& Shift) {
    raiseKeyDown(KeyCode, Shift);
    ProcessNavigationKey(KeyCode, Shift);
}

void NewHscrollbar::picCur_KeyUp(int16_t& KeyCode, int16_t& Shift) { raiseKeyUp(KeyCode, Shift); }

void NewHscrollbar::picCur_KeyPress(int16_t& KeyAscii) { raiseKeyPress(KeyAscii); }

void NewHscrollbar::picBar_KeyDown(int16_t& KeyCode, int16_t& Shift) {
    raiseKeyDown(KeyCode, Shift);
    ProcessNavigationKey(KeyCode, Shift);
}

void NewHscrollbar::picBar_KeyUp(int16_t& KeyCode, int16_t& Shift) { raiseKeyUp(KeyCode, Shift); }

void NewHscrollbar::picBar_KeyPress(int16_t& KeyAscii) { raiseKeyPress(KeyAscii); }

void NewHscrollbar::ProcessNavigationKey(int16_t KeyCode, int16_t) {
    // A host that took the slider out of its tab order keeps the keys.
    if (!Extender(text("TabStop")).toBool()) return;
    namespace key = forms::keycode;
    switch (KeyCode) {
        case key::PageUp:
            setValue(checkedSub(m_Value, m_LargeChange));
            break;
        case key::PageDown:
            setValue(checkedAdd(m_Value, m_LargeChange));
            break;
        case key::End:
            setValue(m_Max);
            break;
        case key::Home:
            setValue(m_Min);
            break;
        case key::Up:
            setValue(checkedSub(m_Value, m_SmallChange));
            break;
        case key::Down:
            setValue(checkedAdd(m_Value, m_SmallChange));
            break;
        default:
            // Left and Right included: they do not move the slider.
            break;
    }
}

void NewHscrollbar::raiseKeyDown(int16_t& KeyCode, int16_t& Shift) {
    com::Variant args[] = {com::Variant::byRef(&KeyCode), com::Variant::byRef(&Shift)};
    RaiseEvent(eventid::KeyDown, args);
}

void NewHscrollbar::raiseKeyUp(int16_t& KeyCode, int16_t& Shift) {
    com::Variant args[] = {com::Variant::byRef(&KeyCode), com::Variant::byRef(&Shift)};
    RaiseEvent(eventid::KeyUp, args);
}

void NewHscrollbar::raiseKeyPress(int16_t& KeyAscii) {
    com::Variant args[] = {com::Variant::byRef(&KeyAscii)};
    RaiseEvent(eventid::KeyPress, args);
}

}  // namespace quillet
