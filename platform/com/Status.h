#pragma once

#include <cstdint>

#include "errors/RuntimeError.h"

namespace com {

// Every interface call returns a status code: zero or positive for success,
// negative for failure. A runtime error raised inside a component travels
// as a status of the control facility carrying the error's number, so the
// caller can raise the same numbered error on its side.
using HResult = int32_t;

namespace hr {
constexpr HResult Ok = 0;
constexpr HResult False = 1;
constexpr HResult NotImplemented = HResult(0x80004001);
constexpr HResult NoInterface = HResult(0x80004002);
constexpr HResult Pointer = HResult(0x80004003);
constexpr HResult Fail = HResult(0x80004005);
constexpr HResult Unexpected = HResult(0x8000FFFF);
constexpr HResult NoAggregation = HResult(0x80040110);
constexpr HResult ClassNotAvailable = HResult(0x80040111);
constexpr HResult MemberNotFound = HResult(0x80020003);
constexpr HResult TypeMismatch = HResult(0x80020005);
constexpr HResult UnknownName = HResult(0x80020006);
constexpr HResult Exception = HResult(0x80020009);
constexpr HResult BadParamCount = HResult(0x8002000E);
constexpr HResult SelfRegClass = HResult(0x80040201);
constexpr HResult SelfRegTypeLib = HResult(0x80040200);
constexpr HResult TypeLibUnavailable = HResult(0x80029C4A);

constexpr bool succeeded(HResult h) { return h >= 0; }
constexpr bool failed(HResult h) { return h < 0; }

constexpr uint32_t kControlFacility = 0x800A0000;
// The status of a numbered runtime error, and the number back (0 when the
// status is not one).
constexpr HResult fromError(int number) {
    return HResult(kControlFacility | (uint32_t(number) & 0xFFFF));
}
constexpr int errorNumber(HResult h) {
    return (uint32_t(h) & 0xFFFF0000u) == kControlFacility ? int(uint32_t(h) & 0xFFFF) : 0;
}

// Runs body and gives the status a caller across an interface sees: Ok, or
// the numbered runtime error body raised.
template <class Body>
HResult statusOf(Body&& body) {
    try {
        body();
        return Ok;
    } catch (const errors::RuntimeError& e) {
        return fromError(e.number());
    }
}

}  // namespace hr

}  // namespace com
