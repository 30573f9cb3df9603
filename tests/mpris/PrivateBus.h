#pragma once

#include <QDBusConnection>
#include <QProcess>
#include <QStringList>

// A D-Bus daemon of the test program's own, so that nothing the tests do
// reaches the desktop's session bus, and the desktop's bus is not needed.
// One runs for the whole program (PrivateBus::instance()).
class PrivateBus {
public:
    // The running bus; a failed test when it could not be started.
    static PrivateBus& instance();

    PrivateBus();
    ~PrivateBus();

    bool running() const { return !m_address.isEmpty(); }
    QString address() const { return m_address; }
    QString failure() const { return m_failure; }

    // A new connection of its own, closed when the bus stops (or earlier
    // with disconnect()).
    QDBusConnection connect();
    void disconnect(const QDBusConnection& connection);

private:
    QProcess m_daemon;
    QString m_address;
    QString m_failure;
    QStringList m_connections;
};
