#include "forms/ServerPictures.h"

#ifndef RAVELLE_XCB
// Built without xcb: no window is reached, and the row repaints through Qt.
namespace forms {
ServerPictures::~ServerPictures() = default;
bool ServerPictures::reaches(const QWindow*) { return false; }
bool ServerPictures::hold(int, const QImage&) { return false; }
bool ServerPictures::show(QPoint, QSize, const std::vector<Placed>&) { return false; }
}  // namespace forms
#else

#include <xcb/xcb.h>

#include <QGuiApplication>
#include <QRect>
#include <algorithm>
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

constexpr uint8_t kDepth = 24;
}  // namespace

ServerPictures::~ServerPictures() {
    letGo();
    if (m_connection && m_connection == xConnection()) xcb_flush(xConnection());
}

void ServerPictures::letGo() {
    // Only on the connection they were made on: once Qt has closed it, the
    // server has freed them with it.
    auto* connection = static_cast<xcb_connection_t*>(m_connection);
    const bool alive = connection && connection == xConnection();
    for (Pixmap& pixmap : m_held)
        if (alive && pixmap.id) xcb_free_pixmap(connection, pixmap.id);
    m_held.clear();
    if (alive && m_frame.id) xcb_free_pixmap(connection, m_frame.id);
    m_frame = Pixmap();
    if (alive && m_gc) xcb_free_gc(connection, m_gc);
    m_gc = 0;
}

bool ServerPictures::reaches(const QWindow* window) {
    if (!window || !window->handle()) return false;
    const auto id = xcb_window_t(window->winId());
    if (id == m_window) return m_reaches;
    // Asked once a window: the answer costs a round trip to the server.
    letGo();
    auto* connection = xConnection();
    m_connection = connection;
    m_window = id;
    m_reaches = connection && takesRgb32(connection, id);
    if (m_reaches) {
        m_gc = xcb_generate_id(connection);
        // No exposure events: a frame copied into a covered part of the
        // window is simply lost, and the owner draws it again when it shows.
        const uint32_t noExposures = 0;
        xcb_create_gc(connection, m_gc, id, XCB_GC_GRAPHICS_EXPOSURES, &noExposures);
    }
    return m_reaches;
}

bool ServerPictures::makePixmap(Pixmap& pixmap, QSize size) {
    if (pixmap.id && pixmap.size == size) return true;
    if (size.isEmpty() || size.width() > 0x7fff || size.height() > 0x7fff) return false;
    auto* connection = static_cast<xcb_connection_t*>(m_connection);
    if (pixmap.id) xcb_free_pixmap(connection, pixmap.id);
    pixmap.id = xcb_generate_id(connection);
    pixmap.size = size;
    pixmap.key = 0;
    xcb_create_pixmap(connection, kDepth, pixmap.id, m_window, uint16_t(size.width()),
                      uint16_t(size.height()));
    return true;
}

bool ServerPictures::hold(int picture, const QImage& image) {
    if (!m_reaches || picture < 0 || image.format() != QImage::Format_RGB32) return false;
    if (size_t(picture) >= m_held.size()) m_held.resize(size_t(picture) + 1);
    Pixmap& pixmap = m_held[size_t(picture)];
    if (pixmap.id && pixmap.key == image.cacheKey() && pixmap.size == image.size()) return true;
    if (!makePixmap(pixmap, image.size())) return false;

    // In bands of whole lines: a request longer than the server takes would
    // end the connection.
    auto* connection = static_cast<xcb_connection_t*>(m_connection);
    const uint64_t longest = uint64_t(xcb_get_maximum_request_length(connection)) * 4;
    const auto line = uint64_t(image.bytesPerLine());
    const int band =
        longest > 24 ? int(std::min<uint64_t>((longest - 24) / line, uint64_t(image.height()))) : 0;
    if (band < 1) return false;
    for (int top = 0; top < image.height(); top += band) {
        const int lines = std::min(band, image.height() - top);
        xcb_put_image(connection, XCB_IMAGE_FORMAT_Z_PIXMAP, pixmap.id, m_gc,
                      uint16_t(image.width()), uint16_t(lines), 0, int16_t(top), 0, kDepth,
                      uint32_t(line * uint64_t(lines)), image.constScanLine(top));
    }
    pixmap.key = image.cacheKey();
    return true;
}

bool ServerPictures::show(QPoint at, QSize size, const std::vector<Placed>& pictures) {
    if (!m_reaches || !makePixmap(m_frame, size)) return false;
    auto* connection = static_cast<xcb_connection_t*>(m_connection);
    const QRect frame(QPoint(), size);
    for (const Placed& placed : pictures) {
        if (placed.picture < 0 || size_t(placed.picture) >= m_held.size()) return false;
        const Pixmap& from = m_held[size_t(placed.picture)];
        if (!from.id) return false;
        // The server cuts the copy to the frame; one wholly outside it is
        // not sent at all.
        if (!frame.intersects(QRect(placed.at, from.size))) continue;
        xcb_copy_area(connection, from.id, m_frame.id, m_gc, 0, 0, int16_t(placed.at.x()),
                      int16_t(placed.at.y()), uint16_t(from.size.width()),
                      uint16_t(from.size.height()));
    }
    xcb_copy_area(connection, m_frame.id, m_window, m_gc, 0, 0, int16_t(at.x()), int16_t(at.y()),
                  uint16_t(size.width()), uint16_t(size.height()));
    xcb_flush(connection);
    return true;
}

}  // namespace forms

#endif  // RAVELLE_XCB
