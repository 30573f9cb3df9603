#include "forms/KeyRepeat.h"

#ifndef RAVELLE_XCB_XKB
// Built without xcb-xkb: Qt's own marking of repeats is the only filter.
bool forms::useDetectableKeyRepeat() { return false; }
#else

#include <xcb/xcb.h>

#include <QGuiApplication>
#include <cstdlib>

// The XKB protocol header names a field "explicit".
#define explicit explicit_
#include <xcb/xkb.h>
#undef explicit

namespace forms {

namespace {
bool askServer() {
    const auto* x11 =
        qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* connection = x11 ? x11->connection() : nullptr;
    if (!connection) return false;

    // Qt has set up XKB on this connection already; asking for the
    // extension again is how a second user of it starts, and is harmless.
    xcb_xkb_use_extension_reply_t* use = xcb_xkb_use_extension_reply(
        connection, xcb_xkb_use_extension(connection, XCB_XKB_MAJOR_VERSION, XCB_XKB_MINOR_VERSION),
        nullptr);
    const bool xkb = use && use->supported;
    std::free(use);
    if (!xkb) return false;

    const uint32_t flag = XCB_XKB_PER_CLIENT_FLAG_DETECTABLE_AUTO_REPEAT;
    xcb_xkb_per_client_flags_reply_t* flags = xcb_xkb_per_client_flags_reply(
        connection,
        xcb_xkb_per_client_flags(connection, XCB_XKB_ID_USE_CORE_KBD, flag, flag, 0, 0, 0),
        nullptr);
    const bool on = flags && (flags->value & flag);
    std::free(flags);
    return on;
}
}  // namespace

bool useDetectableKeyRepeat() {
    static const bool on = askServer();
    return on;
}

}  // namespace forms

#endif  // RAVELLE_XCB_XKB
