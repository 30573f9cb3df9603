#pragma once

#include <QDBusConnection>
#include <QProcess>

// A D-Bus daemon of the test program's own, so that nothing the tests do
// reaches the desktop's session bus, and the desktop's bus is not needed.
// One runs for the whole program: from the first test that asks for it until
// after the last, while the application object still exists.
class PrivateBus {
public:
    // The running bus; a failed test when it could not be started (then its
    // address is empty).
    static PrivateBus& instance();
    ~PrivateBus();

    QString address() const { return m_address; }
    // A new connection of its own, until disconnect().
    QDBusConnection connect() {
        return QDBusConnection::connectToBus(m_address,
                                             QStringLiteral("private-bus-%1").arg(++m_made));
    }
    static void disconnect(const QDBusConnection& connection) {
        QDBusConnection::disconnectFromBus(connection.name());
    }

private:
    PrivateBus();

    QProcess m_daemon;
    QString m_address, m_failure;
    int m_made = 0;
};
