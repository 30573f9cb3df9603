#pragma once

#include <cstdint>
#include <utility>

#include "com/Guid.h"
#include "com/Status.h"

namespace com {

// The root of every interface: reference counting and the query for another
// interface of the same object by its identifier. An object lives while it
// holds references and deletes itself when the last one is released.
class IUnknown {
public:
    static constexpr Guid iid = Guid::parse("{00000000-0000-0000-C000-000000000046}");

    virtual HResult QueryInterface(const Guid& iid, void** out) = 0;
    virtual uint32_t AddRef() = 0;
    virtual uint32_t Release() = 0;

protected:
    ~IUnknown() = default;
};

// Holds one reference to an interface and releases it when it goes.
template <class T>
class Ptr {
public:
    Ptr() = default;
    // Takes over a reference the caller already holds (a creation result).
    static Ptr adopt(T* raw) {
        Ptr p;
        p.m_raw = raw;
        return p;
    }
    // Adds a reference of its own.
    explicit Ptr(T* raw) : m_raw(raw) {
        if (m_raw) m_raw->AddRef();
    }
    Ptr(const Ptr& other) : Ptr(other.m_raw) {}
    Ptr(Ptr&& other) noexcept : m_raw(std::exchange(other.m_raw, nullptr)) {}
    Ptr& operator=(Ptr other) noexcept {
        std::swap(m_raw, other.m_raw);
        return *this;
    }
    ~Ptr() { reset(); }

    void reset() {
        if (T* raw = std::exchange(m_raw, nullptr)) raw->Release();
    }

    // Another interface of the same object, or an empty pointer.
    template <class U>
    Ptr<U> query() const {
        void* out = nullptr;
        if (!m_raw || hr::failed(m_raw->QueryInterface(U::iid, &out))) return {};
        return Ptr<U>::adopt(static_cast<U*>(out));
    }

    T* get() const { return m_raw; }
    T* operator->() const { return m_raw; }
    T& operator*() const { return *m_raw; }
    explicit operator bool() const { return m_raw != nullptr; }

private:
    T* m_raw = nullptr;
};

}  // namespace com
