#pragma once

#include "com/Dispatch.h"

namespace quillet {

// The slider's automation interface, dual: reachable through this table of
// accessors and through IDispatch by dispatch identifier. The accessors are
// in the order hosts bound to; each returns a status and passes the value
// through its argument.
class _NewHscrollbar : public com::IDispatch {
public:
    static constexpr com::Guid iid = com::Guid::parse("{4BC2321E-C8F0-11D3-86B8-52544C9974A0}");

    virtual com::HResult get_Min(int32_t* Min) = 0;
    virtual com::HResult put_Min(int32_t Min) = 0;
    virtual com::HResult get_Max(int32_t* Max) = 0;
    virtual com::HResult put_Max(int32_t Max) = 0;
    virtual com::HResult get_LargeChange(int32_t* LargeChange) = 0;
    virtual com::HResult put_LargeChange(int32_t LargeChange) = 0;
    virtual com::HResult get_SmallChange(int32_t* SmallChange) = 0;
    virtual com::HResult put_SmallChange(int32_t SmallChange) = 0;
    virtual com::HResult get_Value(int32_t* Value) = 0;
    virtual com::HResult put_Value(int32_t Value) = 0;
    virtual com::HResult put_Enabled(com::VariantBool Enabled) = 0;
    virtual com::HResult get_Enabled(com::VariantBool* Enabled) = 0;

protected:
    ~_NewHscrollbar() = default;
};

// Dispatch identifiers of the properties, consecutive in the reverse of the
// slot order. Hosts that bind late use these numbers.
namespace dispid {
constexpr com::DispId Enabled = 1745027072;
constexpr com::DispId Value = 1745027073;
constexpr com::DispId SmallChange = 1745027074;
constexpr com::DispId LargeChange = 1745027075;
constexpr com::DispId Max = 1745027076;
constexpr com::DispId Min = 1745027077;
}  // namespace dispid

// The event interface __NewHscrollbar, which the host implements. Key
// parameters are 16-bit integers by reference: the host may change them.
//   KeyDown(KeyCode, Shift), KeyUp(KeyCode, Shift), KeyPress(KeyAscii),
//   Change(), Scroll()
constexpr com::Guid kEventsIid = com::Guid::parse("{4BC23220-C8F0-11D3-86B8-52544C9974A0}");
namespace eventid {
constexpr com::DispId KeyDown = 1;
constexpr com::DispId KeyUp = 2;
constexpr com::DispId KeyPress = 3;
constexpr com::DispId Change = 4;
constexpr com::DispId Scroll = 5;
}  // namespace eventid

}  // namespace quillet
