#include "PrivateBus.h"

#include <gtest/gtest.h>
#include <sys/prctl.h>

#include <csignal>

namespace {
PrivateBus* theBus = nullptr;

// Starts with the first test that asks for it, stops after the last test,
// while the application object still exists.
class BusEnvironment : public testing::Environment {
public:
    void TearDown() override {
        delete theBus;
        theBus = nullptr;
    }
};
[[maybe_unused]] const auto* registered = testing::AddGlobalTestEnvironment(new BusEnvironment);
}  // namespace

PrivateBus& PrivateBus::instance() {
    if (!theBus) theBus = new PrivateBus;
    if (!theBus->running()) ADD_FAILURE() << theBus->failure().toStdString();
    return *theBus;
}

PrivateBus::PrivateBus() {
    m_daemon.setProgram(QStringLiteral("dbus-daemon"));
    m_daemon.setArguments({QStringLiteral("--session"), QStringLiteral("--nofork"),
                           QStringLiteral("--nopidfile"), QStringLiteral("--nosyslog"),
                           QStringLiteral("--print-address=1")});
    m_daemon.setProcessChannelMode(QProcess::SeparateChannels);
    // A test program that crashes takes its bus with it.
    m_daemon.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    m_daemon.start();
    if (!m_daemon.waitForStarted(5000)) {
        m_failure = QStringLiteral(
                        "dbus-daemon could not be started (scripts/install-deps.sh "
                        "installs it): %1")
                        .arg(m_daemon.errorString());
        return;
    }
    while (!m_daemon.canReadLine() && m_daemon.waitForReadyRead(5000)) {
    }
    m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
    if (m_address.isEmpty())
        m_failure = QStringLiteral("dbus-daemon gave no address: %1")
                        .arg(QString::fromLocal8Bit(m_daemon.readAllStandardError()));
}

PrivateBus::~PrivateBus() {
    for (const QString& name : std::as_const(m_connections))
        QDBusConnection::disconnectFromBus(name);
    if (m_daemon.state() == QProcess::NotRunning) return;
    m_daemon.terminate();
    if (!m_daemon.waitForFinished(3000)) {
        m_daemon.kill();
        m_daemon.waitForFinished(3000);
    }
}

QDBusConnection PrivateBus::connect() {
    static int made = 0;
    const QString name = QStringLiteral("private-bus-%1").arg(++made);
    m_connections << name;
    return QDBusConnection::connectToBus(m_address, name);
}

void PrivateBus::disconnect(const QDBusConnection& connection) {
    m_connections.removeOne(connection.name());
    QDBusConnection::disconnectFromBus(connection.name());
}
