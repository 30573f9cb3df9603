#include "hosting/Constituents.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPointer>

#include "errors/EventDispatch.h"
#include "forms/InputCodes.h"
#include "forms/KeyRepeat.h"
#include "forms/Twips.h"

namespace hosting {

namespace {
// The handler is copied first: it may destroy the constituent (and with it
// the handler being run) before it returns.
template <class Handler, class... Args>
void raiseTo(const Handler& handler, Args&&... args) {
    if (!handler) return;
    const Handler own = handler;
    errors::dispatch([&] { own(std::forward<Args>(args)...); });
}

void raiseMouse(const std::function<void(int16_t, int16_t, float, float)>& handler, int16_t button,
                const QMouseEvent& event) {
    const QPointF at = event.position();
    raiseTo(handler, button, forms::shiftCode(event.modifiers()), forms::pixelsToTwips(at.x()),
            forms::pixelsToTwips(at.y()));
}
}  // namespace

ConstituentWindow::ConstituentWindow(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::NoFocus);
    setMouseTracking(true);
    // A held key must go up once, at its real release, however busy the
    // machine is when the repeats arrive.
    forms::useDetectableKeyRepeat();
}

void ConstituentWindow::setFill(std::optional<QColor> color) {
    m_fill = color;
    update();
}

void ConstituentWindow::setPicture(const QImage& picture) {
    m_picture = picture;
    update();
}

void ConstituentWindow::paintEvent(QPaintEvent*) {
    if (!m_fill && m_picture.isNull()) return;
    QPainter painter(this);
    if (m_fill) painter.fillRect(rect(), *m_fill);
    if (!m_picture.isNull()) painter.drawImage(rect(), m_picture);
}

void ConstituentWindow::mousePressEvent(QMouseEvent* event) {
    event->accept();
    raiseMouse(events.MouseDown, forms::buttonCode(event->button()), *event);
}

void ConstituentWindow::mouseDoubleClickEvent(QMouseEvent* event) {
    event->accept();
    raiseTo(events.DblClick);
}

void ConstituentWindow::mouseMoveEvent(QMouseEvent* event) {
    event->accept();
    raiseMouse(events.MouseMove, forms::buttonsCode(event->buttons()), *event);
}

void ConstituentWindow::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    raiseMouse(events.MouseUp, forms::buttonCode(event->button()), *event);
}

void ConstituentWindow::keyPressEvent(QKeyEvent* event) {
    // The key is the control's: it does not travel on to the host's window.
    event->accept();
    int16_t shift = forms::shiftCode(event->modifiers());
    const QPointer<ConstituentWindow> alive(this);
    if (int16_t keyCode = forms::keyCodeOf(*event)) raiseTo(events.KeyDown, keyCode, shift);
    if (!alive) return;
    if (int16_t keyAscii = forms::keyAsciiOf(*event)) raiseTo(events.KeyPress, keyAscii);
}

void ConstituentWindow::keyReleaseEvent(QKeyEvent* event) {
    event->accept();
    // A held key repeats its key-down only. With detectable repeat the
    // server sends no release in between; where it cannot, Qt marks the
    // release-and-press pairs it can see as repeats.
    if (event->isAutoRepeat()) return;
    int16_t shift = forms::shiftCode(event->modifiers());
    if (int16_t keyCode = forms::keyCodeOf(*event)) raiseTo(events.KeyUp, keyCode, shift);
}

Constituent::Constituent(QWidget* userControl, const QString& name)
    : forms::Control(new ConstituentWindow(userControl), name) {}

void Constituent::SetCapture() { window()->grabMouse(); }

void Constituent::ReleaseCapture() {
    if (QWidget::mouseGrabber() == window()) window()->releaseMouse();
}

ConstituentPicture::ConstituentPicture(QWidget* userControl, const QString& name)
    : Constituent(userControl, name) {
    window()->setFill(QColor(Qt::white));
}

ConstituentImage::ConstituentImage(QWidget* userControl, const QString& name)
    : Constituent(userControl, name) {}

}  // namespace hosting
