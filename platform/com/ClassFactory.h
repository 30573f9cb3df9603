#pragma once

#include "com/Unknown.h"

namespace com {

// Makes instances of one class. LockServer(true) keeps the component
// library loaded although no instance is alive, until LockServer(false).
class IClassFactory : public IUnknown {
public:
    static constexpr Guid iid = Guid::parse("{00000001-0000-0000-C000-000000000046}");

    // outer must be null: these classes do not aggregate.
    virtual HResult CreateInstance(IUnknown* outer, const Guid& iid, void** out) = 0;
    virtual HResult LockServer(bool lock) = 0;

protected:
    ~IClassFactory() = default;
};

}  // namespace com
