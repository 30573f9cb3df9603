#include "forms/ServerImage.h"

#include <xcb/xcb.h>

#include <QGuiApplication>
#include <cstdlib>

namespace forms {

namespace {
xcb_connection_t* xConnection() {
    const auto* x11 =
        qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

// The window's pixels are what a Format_RGB32 image holds in memory: 24 bits
// of depth in 32-bit words, least significant byte first, red, green and blue
// in the usual places.
bool takesRgb32(xcb_connection_t* connection, xcb_window_t window) {
    const xcb_setup_t* setup = xcb_get_setup(connection);
    if (setup->image_byte_order != XCB_IMAGE_ORDER_LSB_FIRST) return false;
    bool words = false;
    for (auto f = xcb_setup_pixmap_formats_iterator(setup); f.rem; xcb_format_next(&f))
        if (f.data->depth == 24) words = f.data->bits_per_pixel == 32 && f.data->scanline_pad == 32;
    if (!words) return false;

    xcb_get_window_attributes_reply_t* attributes = xcb_get_window_attributes_reply(
        connection, xcb_get_window_attributes(connection, window), nullptr);
    if (!attributes) return false;
    const xcb_visualid_t visual = attributes->visual;
    std::free(attributes);
    for (auto s = xcb_setup_roots_iterator(setup); s.rem; xcb_screen_next(&s))
        for (auto d = xcb_screen_allowed_depths_iterator(s.data); d.rem; xcb_depth_next(&d))
            for (auto v = xcb_depth_visuals_iterator(d.data); v.rem; xcb_visualtype_next(&v))
                if (v.data->visual_id == visual)
                    return d.data->depth == 24 && v.data->_class == XCB_VISUAL_CLASS_TRUE_COLOR &&
                           v.data->red_mask == 0xff0000 && v.data->green_mask == 0xff00 &&
                           v.data->blue_mask == 0xff;
    return false;
}
}  // namespace

ServerImage::~ServerImage() {
    auto* connection = static_cast<xcb_connection_t*>(m_connection);
    if (connection && m_gc && qGuiApp) {
        xcb_free_gc(connection, m_gc);
        xcb_flush(connection);
    }
}

bool ServerImage::reaches(const QWindow* window) {
    if (!window || !window->handle()) return false;
    const auto id = xcb_window_t(window->winId());
    if (id == m_window) return m_reaches;
    // Asked once a window: the answer costs a round trip to the server.
    auto* connection = xConnection();
    m_connection = connection;
    m_window = id;
    m_reaches = connection && takesRgb32(connection, id);
    if (m_reaches && !m_gc) {
        m_gc = xcb_generate_id(connection);
        // No exposure events: an image put into a covered part of the
        // window is simply lost, and Qt repaints that part when it shows.
        const uint32_t noExposures = 0;
        xcb_create_gc(connection, m_gc, id, XCB_GC_GRAPHICS_EXPOSURES, &noExposures);
    }
    return m_reaches;
}

bool ServerImage::put(const QWindow* window, const QImage& image, int x, int y) {
    if (image.format() != QImage::Format_RGB32 || !reaches(window)) return false;
    auto* connection = static_cast<xcb_connection_t*>(m_connection);
    // A request longer than the server takes would end the connection.
    const uint64_t request = 24 + uint64_t(image.sizeInBytes());
    if (request > uint64_t(xcb_get_maximum_request_length(connection)) * 4) return false;
    xcb_put_image(connection, XCB_IMAGE_FORMAT_Z_PIXMAP, xcb_window_t(window->winId()), m_gc,
                  uint16_t(image.width()), uint16_t(image.height()), int16_t(x), int16_t(y), 0, 24,
                  uint32_t(image.sizeInBytes()), image.constBits());
    xcb_flush(connection);
    return true;
}

}  // namespace forms
