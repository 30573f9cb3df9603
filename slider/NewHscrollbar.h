#pragma once

#include <QColor>

#include "NewHscrollbarInterface.h"
#include "hosting/Constituents.h"
#include "hosting/UserControl.h"

namespace quillet {

// A horizontal slider: Min, Max, Value, SmallChange, LargeChange, Enabled;
// the events Change, Scroll, KeyDown, KeyUp and KeyPress; persistence in the
// host's property bag. Setters never reject a value, they clamp it; the one
// error is overflow (6) of 32-bit arithmetic, which leaves the fields
// already assigned as they are.
class NewHscrollbar final : public hosting::UserControl, public _NewHscrollbar {
public:
    NewHscrollbar();
    ~NewHscrollbar() override;

    // IUnknown, one for the whole object.
    com::HResult QueryInterface(const com::Guid& iid, void** out) override;
    uint32_t AddRef() override { return ++m_refs; }
    uint32_t Release() override;

    // IDispatch
    com::HResult GetIDOfName(const QString& name, com::DispId* id) override;
    com::HResult Invoke(com::DispId id, com::InvokeKind kind, std::span<com::Variant> args,
                        com::Variant* result, com::ExcepInfo* error) override;

    // _NewHscrollbar
    com::HResult get_Min(int32_t* v) override;
    com::HResult put_Min(int32_t v) override;
    com::HResult get_Max(int32_t* v) override;
    com::HResult put_Max(int32_t v) override;
    com::HResult get_LargeChange(int32_t* v) override;
    com::HResult put_LargeChange(int32_t v) override;
    com::HResult get_SmallChange(int32_t* v) override;
    com::HResult put_SmallChange(int32_t v) override;
    com::HResult get_Value(int32_t* v) override;
    com::HResult put_Value(int32_t v) override;
    com::HResult put_Enabled(com::VariantBool v) override;
    com::HResult get_Enabled(com::VariantBool* v) override;

    // The properties as the control's own code uses them.
    int32_t Min() const { return m_Min; }
    int32_t Max() const { return m_Max; }
    int32_t LargeChange() const { return m_LargeChange; }
    int32_t SmallChange() const { return m_SmallChange; }
    int32_t Value() const { return m_Value; }
    bool Enabled() const { return m_Enabled; }
    // Min above Max is stored as Max, Max below Min as Min; both then run
    // the Value setter with the current Value.
    void setMin(int32_t v);
    void setMax(int32_t v);
    // Not validated: zero and negative steps are allowed.
    void setLargeChange(int32_t v);
    void setSmallChange(int32_t v);
    // Clamps to Max, then to Min; places the thumb; notifies the host every
    // time; raises Change when the value changed and no drag is going on.
    void setValue(int32_t v);
    // At run time also switches the input of the whole control; turning it
    // off in the middle of a thumb drag ends the drag as a release would.
    void setEnabled(bool v);

    // How far the thumb's left edge can move along the track, never below 1.
    int32_t thumbTravel() const { return m_thumbTravel; }

    // The track's colour for a value: green rising from 170 at 0 to full at
    // 10859. Overflow (6) when the green term leaves the 16-bit range.
    static QColor trackColour(int32_t value);

    // The constituents: the end zones, the track, and the thumb lying over
    // the track. Made in focus order (thumb before track, the zones take no
    // focus); the thumb is raised above the track.
    hosting::ConstituentImage picArrUp;
    hosting::ConstituentPicture picCur;
    hosting::ConstituentPicture picBar;
    hosting::ConstituentImage picArrDn;

    // Input handlers, one per constituent event, as the constituents raise
    // them (positions in the constituent's twips). None looks at the button
    // or the shift state.
    void picArrUp_MouseDown(int16_t Button, int16_t Shift, float X, float Y);
    void picArrUp_DblClick();
    void picArrUp_MouseUp(int16_t Button, int16_t Shift, float X, float Y);
    void picArrDn_MouseDown(int16_t Button, int16_t Shift, float X, float Y);
    void picArrDn_DblClick();
    void picArrDn_MouseUp(int16_t Button, int16_t Shift, float X, float Y);
    void picBar_MouseDown(int16_t Button, int16_t Shift, float X, float Y);
    void picBar_MouseMove(int16_t Button, int16_t Shift, float X, float Y);
    void picBar_DblClick();
    void picBar_MouseUp(int16_t Button, int16_t Shift, float X, float Y);
    void picCur_MouseDown(int16_t Button, int16_t Shift, float X, float Y);
    void picCur_MouseMove(int16_t Button, int16_t Shift, float X, float Y);
    void picCur_MouseUp(int16_t Button, int16_t Shift, float X, float Y);
    void picCur_KeyDown(int16_t& KeyCode, int16_t& Shift);
    void picCur_KeyUp(int16_t& KeyCode, int16_t& Shift);
    void picCur_KeyPress(int16_t& KeyAscii);
    void picBar_KeyDown(int16_t& KeyCode, int16_t& Shift);
    void picBar_KeyUp(int16_t& KeyCode, int16_t& Shift);
    void picBar_KeyPress(int16_t& KeyAscii);

    // The drag in progress: a button is held on the thumb, and the thumb
    // has moved since.
    bool thumbPressed() const { return m_thumbPressed; }
    bool dragging() const { return m_dragging; }

protected:
    void UserControl_InitProperties() override;
    void UserControl_ReadProperties(const hosting::PropertyBag& PropBag) override;
    void UserControl_WriteProperties(hosting::PropertyBag& PropBag) override;
    void UserControl_Resize() override;
    void UserControl_Show() override {}

private:
    void placeThumb();
    void computeThumbTravel();
    void UpdateShowAboutSetting();
    void connectInput();
    void pageTowardLastTrackX();
    // What the thumb's release does: the capture goes, Change ends a drag,
    // and the Value setter puts the thumb where Value stands.
    void endThumbDrag();
    void ProcessNavigationKey(int16_t KeyCode, int16_t Shift);
    void raiseKeyDown(int16_t& KeyCode, int16_t& Shift);
    void raiseKeyUp(int16_t& KeyCode, int16_t& Shift);
    void raiseKeyPress(int16_t& KeyAscii);

    uint32_t m_refs = 1;

    int32_t m_Min = 0;
    int32_t m_Max = 0;
    int32_t m_LargeChange = 0;
    int32_t m_SmallChange = 0;
    int32_t m_Value = 0;
    bool m_Enabled = false;

    int32_t m_thumbTravel = 0;
    // Input state: the thumb drag and the last pointer place over the track.
    int32_t m_grabOffsetX = 0;
    bool m_thumbPressed = false;
    bool m_dragging = false;
    int32_t m_lastTrackX = 0;
};

}  // namespace quillet
