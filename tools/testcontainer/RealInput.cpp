#include "RealInput.h"

#include <xcb/xcb.h>
#include <xcb/xtest.h>
#include <xkbcommon/xkbcommon.h>

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QTimer>
#include <QWidget>
#include <cstdlib>
#include <vector>

namespace {
// The program's own message that marks the end of a step's input.
constexpr char kMarkerName[] = "_TESTCONTAINER_INPUT_DELIVERED";
}  // namespace

struct RealInput::Connection {
    xcb_connection_t* c = nullptr;
    xcb_window_t root = 0;
    xcb_atom_t marker = 0;
    // The keyboard as the server maps it: keysymsPerCode symbols for each
    // code from minCode on.
    xcb_keycode_t minCode = 0;
    int keysymsPerCode = 0;
    std::vector<xcb_keysym_t> keysyms;

    // The code that types sym, and whether Shift must be held for it.
    bool find(xcb_keysym_t sym, xcb_keycode_t* code, bool* shifted) const {
        if (keysymsPerCode == 0) return false;
        const size_t codes = keysyms.size() / size_t(keysymsPerCode);
        for (int level = 0; level < std::min(keysymsPerCode, 2); ++level) {
            for (size_t i = 0; i < codes; ++i) {
                if (keysyms[i * size_t(keysymsPerCode) + size_t(level)] != sym) continue;
                *code = xcb_keycode_t(minCode + i);
                *shifted = level == 1;
                return true;
            }
        }
        return false;
    }
};

// Watches the program's X events for the marker.
class RealInput::Marker : public QAbstractNativeEventFilter {
public:
    Marker(RealInput& owner, xcb_atom_t atom) : m_owner(owner), m_atom(atom) {}

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
        if (type != "xcb_generic_event_t") return false;
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        if ((event->response_type & 0x7f) != XCB_CLIENT_MESSAGE) return false;
        const auto* m = reinterpret_cast<const xcb_client_message_event_t*>(event);
        if (m->type != m_atom) return false;
        m_owner.markerArrived(m->data.data32[0]);
        return true;
    }

private:
    RealInput& m_owner;
    xcb_atom_t m_atom;
};

std::unique_ptr<RealInput> RealInput::open(QWidget* window, QString* why) {
    const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    auto x = std::make_unique<Connection>();
    x->c = x11 ? x11->connection() : nullptr;
    if (!x->c) {
        *why = QStringLiteral("real input needs an X server (QT_QPA_PLATFORM=xcb)");
        return nullptr;
    }
    const xcb_query_extension_reply_t* xtest = xcb_get_extension_data(x->c, &xcb_test_id);
    if (!xtest || !xtest->present) {
        *why = QStringLiteral("the X server has no XTEST extension");
        return nullptr;
    }
    x->root = xcb_setup_roots_iterator(xcb_get_setup(x->c)).data->root;

    xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
        x->c, xcb_intern_atom(x->c, false, sizeof kMarkerName - 1, kMarkerName), nullptr);
    x->marker = atom ? atom->atom : 0;
    std::free(atom);

    const xcb_setup_t* setup = xcb_get_setup(x->c);
    x->minCode = setup->min_keycode;
    xcb_get_keyboard_mapping_reply_t* map = xcb_get_keyboard_mapping_reply(
        x->c,
        xcb_get_keyboard_mapping(x->c, setup->min_keycode,
                                 uint8_t(setup->max_keycode - setup->min_keycode + 1)),
        nullptr);
    if (map) {
        x->keysymsPerCode = map->keysyms_per_keycode;
        const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(map);
        x->keysyms.assign(syms, syms + xcb_get_keyboard_mapping_keysyms_length(map));
        std::free(map);
    }
    if (!x->marker) {
        *why = QStringLiteral("the X server did not answer");
        return nullptr;
    }
    return std::unique_ptr<RealInput>(new RealInput(std::move(x), window));
}

RealInput::RealInput(std::unique_ptr<Connection> x, QWidget* window)
    : m_x(std::move(x)), m_window(window) {
    m_marker = std::make_unique<Marker>(*this, m_x->marker);
    QCoreApplication::instance()->installNativeEventFilter(m_marker.get());
    m_timeout = new QTimer(this);
    m_timeout->setSingleShot(true);
    connect(m_timeout, &QTimer::timeout, this, [this] { finishDelivery(false); });
}

RealInput::~RealInput() {
    releaseAll();
    QCoreApplication::instance()->removeNativeEventFilter(m_marker.get());
}

void RealInput::fake(uint8_t type, uint8_t detail, int x, int y) {
    xcb_test_fake_input(m_x->c, type, detail, XCB_CURRENT_TIME,
                        type == XCB_MOTION_NOTIFY ? m_x->root : 0, int16_t(x), int16_t(y), 0);
}

void RealInput::moveTo(QPoint global) {
    // The server counts device pixels.
    const qreal ratio = m_window->devicePixelRatioF();
    fake(XCB_MOTION_NOTIFY, 0, qRound(global.x() * ratio), qRound(global.y() * ratio));
}

void RealInput::button(int number, bool down) {
    fake(down ? XCB_BUTTON_PRESS : XCB_BUTTON_RELEASE, uint8_t(number));
    if (down)
        m_heldButtons.insert(number);
    else
        m_heldButtons.remove(number);
}

std::optional<RealInput::Stroke> RealInput::strokeOf(const QString& name, QString* error) const {
    const QByteArray utf8 = name.toUtf8();
    xkb_keysym_t sym = xkb_keysym_from_name(utf8.constData(), XKB_KEYSYM_NO_FLAGS);
    if (sym == XKB_KEY_NoSymbol)
        sym = xkb_keysym_from_name(utf8.constData(), XKB_KEYSYM_CASE_INSENSITIVE);
    if (sym == XKB_KEY_NoSymbol) {
        *error = QStringLiteral("no key is called %1").arg(name);
        return std::nullopt;
    }
    Stroke stroke;
    bool shifted = false, ignored = false;
    if (!m_x->find(sym, &stroke.code, &shifted)) {
        *error = QStringLiteral("the keyboard has no key for %1").arg(name);
        return std::nullopt;
    }
    if (shifted && !m_x->find(XKB_KEY_Shift_L, &stroke.shift, &ignored)) {
        *error = QStringLiteral("the keyboard has no Shift key for %1").arg(name);
        return std::nullopt;
    }
    return stroke;
}

bool RealInput::canType(const QString& name, QString* error) const {
    return strokeOf(name, error).has_value();
}

bool RealInput::key(const QString& name, bool down, QString* error) {
    const std::optional<Stroke> stroke = strokeOf(name, error);
    if (!stroke) return false;
    if (down) {
        if (stroke->shift) {
            fake(XCB_KEY_PRESS, stroke->shift);
            m_heldKeys.insert(stroke->shift);
        }
        fake(XCB_KEY_PRESS, stroke->code);
        m_heldKeys.insert(stroke->code);
    } else {
        fake(XCB_KEY_RELEASE, stroke->code);
        m_heldKeys.remove(stroke->code);
        if (stroke->shift) {
            fake(XCB_KEY_RELEASE, stroke->shift);
            m_heldKeys.remove(stroke->shift);
        }
    }
    return true;
}

void RealInput::afterDelivery(int timeoutMs, std::function<void(bool)> done) {
    m_done = std::move(done);
    // The server delivers XTEST input before it reads the next request, so
    // the marker comes back behind every event the input made.
    xcb_client_message_event_t marker{};
    marker.response_type = XCB_CLIENT_MESSAGE;
    marker.format = 32;
    marker.window = xcb_window_t(m_window->winId());
    marker.type = m_x->marker;
    marker.data.data32[0] = ++m_serial;
    xcb_send_event(m_x->c, false, marker.window, XCB_EVENT_MASK_NO_EVENT,
                   reinterpret_cast<const char*>(&marker));
    xcb_flush(m_x->c);
    m_timeout->start(timeoutMs);
}

void RealInput::markerArrived(uint32_t serial) {
    if (serial != m_serial || !m_done) return;
    m_timeout->stop();
    // The events before the marker have been read and queued for the
    // widgets; one more turn of the event loop hands them over.
    QTimer::singleShot(0, this, [this] {
        QCoreApplication::processEvents();
        finishDelivery(true);
    });
}

void RealInput::finishDelivery(bool delivered) {
    m_timeout->stop();
    if (auto done = std::exchange(m_done, {})) done(delivered);
}

void RealInput::releaseAll() {
    for (int number : std::exchange(m_heldButtons, {})) fake(XCB_BUTTON_RELEASE, uint8_t(number));
    for (uint8_t code : std::exchange(m_heldKeys, {})) fake(XCB_KEY_RELEASE, code);
    xcb_flush(m_x->c);
}
