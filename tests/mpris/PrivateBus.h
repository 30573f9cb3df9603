#pragma once

#include <QDBusConnection>
#include <QProcess>
#include <QStringList>

// A D-Bus daemon of the test program's own, so that nothing the tests do
// reaches the desktop's session bus, and the desktop's bus is not needed.
// One runs for the whole program: from the first test that asks for it until
// after the last, while the application object still exists.
class PrivateBus {
public:
    // The running bus; a failed test when it could not be started.
    static PrivateBus& instance();
    ~PrivateBus();

    bool running() const { return !m_address.isEmpty(); }
    QString address() const { return m_address; }
    QString failure() const { return m_failure; }

    // A new connection of its own, closed when the bus stops (or earlier
    // with disconnect()).
    QDBusConnection connect() {
        m_connections << QStringLiteral("private-bus-%1").arg(++m_made);
        return QDBusConnection::connectToBus(m_address, m_connections.last());
    }
    void disconnect(const QDBusConnection& connection) {
        m_connections.removeAll(connection.name());
        QDBusConnection::disconnectFromBus(connection.name());
    }

private:
    PrivateBus();

    QProcess m_daemon;
    QString m_address;
    QString m_failure;
    QStringList m_connections;
    int m_made = 0;
};
