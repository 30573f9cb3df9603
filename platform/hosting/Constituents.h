#pragma once

#include <QColor>
#include <QImage>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <optional>

#include "forms/Control.h"

namespace hosting {

// What a constituent raises to its user control about the pointer and the
// keys. Positions are in the constituent's own coordinates, in twips.
// Buttons: 1 left, 2 right, 4 middle (MouseMove gets the buttons held, the
// others the one that went down or up). Shift: 1 Shift, 2 Ctrl, 4 Alt. Key
// codes are the classic virtual-key codes (see InputCodes.h); KeyAscii is
// the character typed. By-reference parameters belong to the event: a
// handler may change them for the code that runs after it.
//
// The second press of a double-click arrives as DblClick, not MouseDown.
// Every handler runs through the event dispatch: an error escaping it goes
// to the last-resort handler and the constituent goes on.
struct ConstituentEvents {
    std::function<void(int16_t Button, int16_t Shift, float X, float Y)> MouseDown;
    std::function<void(int16_t Button, int16_t Shift, float X, float Y)> MouseMove;
    std::function<void(int16_t Button, int16_t Shift, float X, float Y)> MouseUp;
    std::function<void()> DblClick;
    std::function<void(int16_t& KeyCode, int16_t& Shift)> KeyDown;
    std::function<void(int16_t& KeyCode, int16_t& Shift)> KeyUp;
    std::function<void(int16_t& KeyAscii)> KeyPress;
};

// The window of a constituent. Each constituent is a real child window so
// that it can take the keyboard focus and a pointer grab of its own. It
// follows the pointer even with no button down, as its MouseMove is raised
// for hovering too.
class ConstituentWindow : public QWidget {
public:
    explicit ConstituentWindow(QWidget* parent);

    // A picture box fills itself with its background colour and shows its
    // picture over the whole box; an image without a picture draws nothing.
    void setFill(std::optional<QColor> color);
    std::optional<QColor> fill() const { return m_fill; }
    void setPicture(const QImage& picture);
    const QImage& picture() const { return m_picture; }

    ConstituentEvents events;

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    std::optional<QColor> m_fill;
    QImage m_picture;
};

// A constituent control of a user control, placed in twips within it.
class Constituent : public forms::Control {
public:
    Constituent(QWidget* userControl, const QString& name);

    ConstituentWindow* window() const { return static_cast<ConstituentWindow*>(widget()); }
    // The handlers the user control gives its constituent's events.
    ConstituentEvents& events() const { return window()->events; }

    // Pointer capture: until released, every pointer move and release goes
    // to this constituent, wherever the pointer is.
    void SetCapture();
    // Releases the capture if this constituent holds it.
    void ReleaseCapture();
};

// A picture box inside a user control.
class ConstituentPicture : public Constituent {
public:
    ConstituentPicture(QWidget* userControl, const QString& name);

    QColor BackColor() const { return *window()->fill(); }
    void setBackColor(const QColor& color) { window()->setFill(color); }
    QColor ForeColor() const { return m_foreColor; }
    void setForeColor(const QColor& color) { m_foreColor = color; }
    // Shown stretched over the box; a picture as big as the box shows pixel
    // for pixel.
    void setPicture(const QImage& picture) { window()->setPicture(picture); }
    const QImage& Picture() const { return window()->picture(); }

private:
    QColor m_foreColor;
};

// An image without a picture: a hot zone that only takes the pointer.
class ConstituentImage : public Constituent {
public:
    ConstituentImage(QWidget* userControl, const QString& name);
};

}  // namespace hosting
