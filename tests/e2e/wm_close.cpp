// Asks a window to close the way a window manager does: a WM_DELETE_WINDOW
// message of the WM_PROTOCOLS kind sent to it, and a round trip to the
// server afterwards, so the message is on its way to the client before this
// program leaves (an unsynced send may still sit in our buffer at exit).
//
//   wm_close WINDOW      (the id as xdotool prints it)
#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {
xcb_atom_t atom(xcb_connection_t* x, const char* name) {
    xcb_intern_atom_reply_t* reply =
        xcb_intern_atom_reply(x, xcb_intern_atom(x, 0, uint16_t(std::strlen(name)), name), nullptr);
    const xcb_atom_t found = reply ? reply->atom : XCB_ATOM_NONE;
    std::free(reply);
    return found;
}
}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: wm_close WINDOW\n");
        return 2;
    }
    const auto window = xcb_window_t(std::strtoul(argv[1], nullptr, 0));
    xcb_connection_t* x = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(x)) {
        std::fprintf(stderr, "wm_close: cannot open the display\n");
        return 1;
    }
    xcb_client_message_event_t message = {};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = window;
    message.type = atom(x, "WM_PROTOCOLS");
    message.data.data32[0] = atom(x, "WM_DELETE_WINDOW");
    message.data.data32[1] = XCB_CURRENT_TIME;
    xcb_void_cookie_t sent = xcb_send_event_checked(x, 0, window, XCB_EVENT_MASK_NO_EVENT,
                                                    reinterpret_cast<const char*>(&message));
    xcb_generic_error_t* error = xcb_request_check(x, sent);
    if (error) {
        std::fprintf(stderr, "wm_close: no window %s\n", argv[1]);
        std::free(error);
        xcb_disconnect(x);
        return 1;
    }
    xcb_disconnect(x);
    return 0;
}
