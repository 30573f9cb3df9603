#pragma once

#include <QString>
#include <span>

#include "com/Unknown.h"
#include "com/Variant.h"
#include "errors/RuntimeError.h"

namespace com {

using DispId = int32_t;

enum class InvokeKind { Method = 1, PropertyGet = 2, PropertyPut = 4 };

// What a failed member reports beside the status: the runtime error number
// (6 overflow, 13 type mismatch, ...) and its text.
struct ExcepInfo {
    int number = 0;
    QString description;
};

// Late binding: members are reached by dispatch identifier. Arguments are in
// their declared order; a property put takes the new value as its one
// argument. A member that fails returns hr::Exception and fills error.
class IDispatch : public IUnknown {
public:
    static constexpr Guid iid = Guid::parse("{00020400-0000-0000-C000-000000000046}");

    virtual HResult GetIDOfName(const QString& name, DispId* id) = 0;
    virtual HResult Invoke(DispId id, InvokeKind kind, std::span<Variant> args, Variant* result,
                           ExcepInfo* error) = 0;

protected:
    ~IDispatch() = default;
};

// The calls a host makes. A failure is raised as the numbered runtime error
// the member reported (438 when the object has no such member).
Variant getProperty(IDispatch& object, DispId id);
void putProperty(IDispatch& object, DispId id, const Variant& value);
Variant callMethod(IDispatch& object, DispId id, std::span<Variant> args = {});

// Runs a member's body, turning a raised runtime error into the failure a
// dispatch call reports. For the implementations of Invoke.
template <class Body>
HResult invokeGuarded(ExcepInfo* error, Body&& body);

}  // namespace com

template <class Body>
com::HResult com::invokeGuarded(ExcepInfo* error, Body&& body) {
    try {
        return body();
    } catch (const errors::RuntimeError& e) {
        if (error) *error = ExcepInfo{e.number(), e.description()};
        return hr::Exception;
    }
}
