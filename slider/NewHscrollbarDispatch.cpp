// The slider's properties reached by dispatch identifier, and through the
// accessor table: both end in the same setters.
#include "NewHscrollbar.h"
#include "Project.h"
#include "com/TypeLibLookup.h"

namespace quillet {

// Names are bound through the type library the component carries, so what
// a host binds to by name is what the type library tells it.
com::HResult NewHscrollbar::GetIDOfName(const QString& name, com::DispId* id) {
    return com::idOfNameFromTypeLib(project(), _NewHscrollbar::iid, name, id);
}

com::HResult NewHscrollbar::Invoke(com::DispId id, com::InvokeKind kind,
                                   std::span<com::Variant> args, com::Variant* result,
                                   com::ExcepInfo* error) {
    using Getter = int32_t (NewHscrollbar::*)() const;
    using Setter = void (NewHscrollbar::*)(int32_t);
    Getter get = nullptr;
    Setter put = nullptr;
    switch (id) {
        case dispid::Value:
            get = &NewHscrollbar::Value, put = &NewHscrollbar::setValue;
            break;
        case dispid::SmallChange:
            get = &NewHscrollbar::SmallChange, put = &NewHscrollbar::setSmallChange;
            break;
        case dispid::LargeChange:
            get = &NewHscrollbar::LargeChange, put = &NewHscrollbar::setLargeChange;
            break;
        case dispid::Max:
            get = &NewHscrollbar::Max, put = &NewHscrollbar::setMax;
            break;
        case dispid::Min:
            get = &NewHscrollbar::Min, put = &NewHscrollbar::setMin;
            break;
        case dispid::Enabled:
            break;
        default:
            return com::hr::MemberNotFound;
    }
    return com::invokeGuarded(error, [&] {
        if (kind == com::InvokeKind::PropertyGet) {
            if (!result) return com::hr::Pointer;
            *result = get ? com::Variant((this->*get)()) : com::Variant(m_Enabled);
            return com::hr::Ok;
        }
        if (kind != com::InvokeKind::PropertyPut) return com::hr::MemberNotFound;
        if (args.size() != 1) return com::hr::BadParamCount;
        if (put)
            (this->*put)(args[0].toInt32());
        else
            setEnabled(args[0].toBool());
        return com::hr::Ok;
    });
}

com::HResult NewHscrollbar::get_Min(int32_t* v) {
    return v ? (*v = m_Min, com::hr::Ok) : com::hr::Pointer;
}
com::HResult NewHscrollbar::put_Min(int32_t v) {
    return com::hr::statusOf([&] { setMin(v); });
}
com::HResult NewHscrollbar::get_Max(int32_t* v) {
    return v ? (*v = m_Max, com::hr::Ok) : com::hr::Pointer;
}
com::HResult NewHscrollbar::put_Max(int32_t v) {
    return com::hr::statusOf([&] { setMax(v); });
}
com::HResult NewHscrollbar::get_LargeChange(int32_t* v) {
    return v ? (*v = m_LargeChange, com::hr::Ok) : com::hr::Pointer;
}
com::HResult NewHscrollbar::put_LargeChange(int32_t v) {
    return com::hr::statusOf([&] { setLargeChange(v); });
}
com::HResult NewHscrollbar::get_SmallChange(int32_t* v) {
    return v ? (*v = m_SmallChange, com::hr::Ok) : com::hr::Pointer;
}
com::HResult NewHscrollbar::put_SmallChange(int32_t v) {
    return com::hr::statusOf([&] { setSmallChange(v); });
}
com::HResult NewHscrollbar::get_Value(int32_t* v) {
    return v ? (*v = m_Value, com::hr::Ok) : com::hr::Pointer;
}
com::HResult NewHscrollbar::put_Value(int32_t v) {
    return com::hr::statusOf([&] { setValue(v); });
}
com::HResult NewHscrollbar::put_Enabled(com::VariantBool v) {
    return com::hr::statusOf([&] { setEnabled(v != com::kFalse); });
}
com::HResult NewHscrollbar::get_Enabled(com::VariantBool* v) {
    return v ? (*v = m_Enabled ? com::kTrue : com::kFalse, com::hr::Ok) : com::hr::Pointer;
}

}  // namespace quillet
