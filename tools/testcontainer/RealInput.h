#pragma once

#include <QObject>
#include <QPoint>
#include <QSet>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

class QTimer;
class QWidget;

// Pointer and keys as a person gives them: the X server's XTEST extension
// makes the input, and the server hands it back to the program as it would
// a real mouse's or keyboard's, with its time stamps, its grabs, its focus
// and its key repeat. Nothing calls a handler directly.
//
// Each step is followed by a marker the program sends itself through the
// server; once the marker is back, every event the step made has been read
// and handed to the widgets, so a script sees what the input caused before
// it goes on.
class RealInput : public QObject {
public:
    // Null, with the reason, when the program does not run on an X server
    // or the server has no XTEST.
    static std::unique_ptr<RealInput> open(QWidget* window, QString* why);
    ~RealInput() override;

    // Moves the pointer to a point in global logical pixels.
    void moveTo(QPoint global);
    // Button 1 left, 2 middle, 3 right, as X numbers them.
    void button(int number, bool down);
    // Whether the keyboard has a key for an X key symbol name ("Next",
    // "Page_Down", "a", "A", "Shift_L"), and if not, why.
    bool canType(const QString& name, QString* error) const;
    // That key going down or up (with Shift around it for a symbol on the
    // shifted level); false, with the reason, as canType.
    bool key(const QString& name, bool down, QString* error);

    // Runs done(true) once everything sent so far has come back and been
    // handed to the widgets, or done(false) after timeoutMs without that.
    void afterDelivery(int timeoutMs, std::function<void(bool delivered)> done);

    // Lets go of every button and key still held, so nothing stays pressed
    // after the program (or a failed script) ends.
    void releaseAll();

private:
    class Marker;
    struct Connection;
    RealInput(std::unique_ptr<Connection> x, QWidget* window);
    struct Stroke {
        uint8_t code = 0, shift = 0;  // shift 0: not needed
    };
    std::optional<Stroke> strokeOf(const QString& name, QString* error) const;
    void fake(uint8_t type, uint8_t detail, int x = 0, int y = 0);
    void markerArrived(uint32_t serial);
    void finishDelivery(bool delivered);

    std::unique_ptr<Connection> m_x;
    QWidget* m_window;
    std::unique_ptr<Marker> m_marker;
    QSet<int> m_heldButtons;
    QSet<uint8_t> m_heldKeys;
    uint32_t m_serial = 0;
    std::function<void(bool)> m_done;
    QTimer* m_timeout = nullptr;
};
