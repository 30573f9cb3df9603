#include "NewHscrollbar.h"

#include "OwnText.h"
#include "Project.h"
#include "ThumbBitmap.h"
#include "settings/SettingsStore.h"

namespace quillet {

// The designed geometry, in twips: the control is 2385 x 225 until its
// host sizes it.
NewHscrollbar::NewHscrollbar()
    : hosting::UserControl(2385, 225),
      picArrUp(window(), text("picArrUp")),
      picCur(window(), text("picCur")),
      picBar(window(), text("picBar")),
      picArrDn(window(), text("picArrDn")) {
    ++serverLocks().objects;

    picArrUp.Move(120, 0, 105, 225);
    picBar.Move(240, 60, 1860, 60);
    picBar.setBackColor(QColor(0, 128, 0));
    picBar.setForeColor(QColor(128, 128, 0));
    picArrDn.Move(2190, 30, 135, 135);
    picCur.Move(450, 0, 240, 180);
    picCur.setBackColor(QColor(255, 0, 0));
    picCur.setForeColor(QColor(255, 0, 0));
    picCur.setPicture(thumbBitmap());

    // Only the thumb and the track take the focus, the thumb first (the
    // order they were made in).
    picCur.widget()->setFocusPolicy(Qt::StrongFocus);
    picBar.widget()->setFocusPolicy(Qt::StrongFocus);
    picCur.widget()->raise();

    connectInput();
    declareEvents({
        {eventid::KeyDown, text("KeyDown"), {text("KeyCode"), text("Shift")}},
        {eventid::KeyUp, text("KeyUp"), {text("KeyCode"), text("Shift")}},
        {eventid::KeyPress, text("KeyPress"), {text("KeyAscii")}},
        {eventid::Change, text("Change"), {}},
        {eventid::Scroll, text("Scroll"), {}},
    });
}

NewHscrollbar::~NewHscrollbar() { --serverLocks().objects; }

com::HResult NewHscrollbar::QueryInterface(const com::Guid& iid, void** out) {
    if (!out) return com::hr::Pointer;
    *out = nullptr;
    if (iid == com::IUnknown::iid || iid == hosting::IControl::iid)
        *out = static_cast<hosting::IControl*>(this);
    else if (iid == com::IDispatch::iid || iid == _NewHscrollbar::iid)
        *out = static_cast<_NewHscrollbar*>(this);
    else
        return com::hr::NoInterface;
    AddRef();
    return com::hr::Ok;
}

uint32_t NewHscrollbar::Release() {
    const uint32_t left = --m_refs;
    if (left == 0) delete this;
    return left;
}

void NewHscrollbar::setMin(int32_t v) {
    m_Min = v > m_Max ? m_Max : v;
    setValue(m_Value);
    PropertyChanged(text("Min"));
}

void NewHscrollbar::setMax(int32_t v) {
    m_Max = v < m_Min ? m_Min : v;
    setValue(m_Value);
    PropertyChanged(text("Max"));
}

void NewHscrollbar::setLargeChange(int32_t v) {
    m_LargeChange = v;
    PropertyChanged(text("LargeChange"));
}

void NewHscrollbar::setSmallChange(int32_t v) {
    m_SmallChange = v;
    PropertyChanged(text("SmallChange"));
}

void NewHscrollbar::setValue(int32_t v) {
    const int32_t old = m_Value;
    m_Value = v;
    // Max first, then Min: with Min above Max (a loaded state) Value ends at
    // Min.
    if (m_Value > m_Max) m_Value = m_Max;
    if (m_Value < m_Min) m_Value = m_Min;
    placeThumb();
    PropertyChanged(text("Value"));
    if (m_Value != old && !m_dragging) RaiseEvent(eventid::Change);
}

void NewHscrollbar::setEnabled(bool v) {
    m_Enabled = v;
    // In a designer the control stays enabled so it can still be selected.
    if (AmbientUserMode()) {
        UserControl::setEnabled(v);
        // A disabled thumb never sees the release that would end its drag:
        // end it here as the release would, or hovering after the next
        // enable would go on dragging and every Change would stay held back.
        if (!v && m_thumbPressed) endThumbDrag();
    }
    PropertyChanged(text("Enabled"));
}

void NewHscrollbar::UserControl_InitProperties() {
    computeThumbTravel();
    setMax(32767);
    setMin(0);
    setValue(-32767);
    setSmallChange(1);
    setLargeChange(1);
    setEnabled(true);
    UpdateShowAboutSetting();
}

void NewHscrollbar::UserControl_ReadProperties(const hosting::PropertyBag& PropBag) {
    // Straight into the fields: no clamping, no events, no notification.
    // The resize that follows brings Value back into Min..Max.
    m_Min = PropBag.ReadProperty(text("Min"), com::Variant(0)).toInt32();
    m_Max = PropBag.ReadProperty(text("Max"), com::Variant(32767)).toInt32();
    m_SmallChange = PropBag.ReadProperty(text("SmallChange"), com::Variant(1)).toInt32();
    m_LargeChange = PropBag.ReadProperty(text("LargeChange"), com::Variant(1)).toInt32();
    m_Value = PropBag.ReadProperty(text("Value"), com::Variant(0)).toInt32();
    m_Enabled = PropBag.ReadProperty(text("Enabled"), com::Variant(true)).toBool();
    UserControl::setEnabled(AmbientUserMode() ? m_Enabled : true);
}

void NewHscrollbar::UserControl_WriteProperties(hosting::PropertyBag& PropBag) {
    PropBag.WriteProperty(text("Min"), com::Variant(m_Min), com::Variant(0));
    PropBag.WriteProperty(text("Max"), com::Variant(m_Max), com::Variant(32767));
    PropBag.WriteProperty(text("SmallChange"), com::Variant(m_SmallChange), com::Variant(1));
    PropBag.WriteProperty(text("LargeChange"), com::Variant(m_LargeChange), com::Variant(1));
    PropBag.WriteProperty(text("Value"), com::Variant(m_Value), com::Variant(0));
    PropBag.WriteProperty(text("Enabled"), com::Variant(m_Enabled), com::Variant(true));
}

void NewHscrollbar::UpdateShowAboutSetting() {
    // Shared by every instance in every host: only the first new instance
    // for a user finds "False" and turns it into "True".
    try {
        const QString app = text("工程1"), section = text("Settings"), key = text("ShowAbout");
        if (settings::GetSetting(app, section, key, text("False")) == text("False")) {
            settings::SaveSetting(app, section, key, text("True"));
            settings::store(app).sync();
        }
    } catch (...) {
        // Nothing here is worth failing a new instance for.
    }
}

}  // namespace quillet
