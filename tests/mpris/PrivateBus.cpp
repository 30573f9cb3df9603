#include "PrivateBus.h"

#include <gtest/gtest.h>
#include <sys/prctl.h>

#include <csignal>
#include <memory>

namespace {
std::unique_ptr<PrivateBus> theBus;

struct StopAfterTheLastTest : testing::Environment {
    void TearDown() override { theBus.reset(); }
};
[[maybe_unused]] const auto* stop = testing::AddGlobalTestEnvironment(new StopAfterTheLastTest);
}  // namespace

PrivateBus& PrivateBus::instance() {
    if (!theBus) theBus.reset(new PrivateBus);
    if (theBus->m_address.isEmpty()) ADD_FAILURE() << theBus->m_failure.toStdString();
    return *theBus;
}

PrivateBus::PrivateBus() {
    // A test program that crashes takes its bus with it.
    m_daemon.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    m_daemon.start("dbus-daemon",
                   {"--session", "--nofork", "--nopidfile", "--nosyslog", "--print-address=1"});
    while (!m_daemon.canReadLine() && m_daemon.waitForReadyRead(5000)) {
    }
    m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
    if (m_address.isEmpty())
        m_failure = "dbus-daemon (scripts/install-deps.sh installs it) gave no address: " +
                    m_daemon.errorString() + ' ' + m_daemon.readAllStandardError();
}

PrivateBus::~PrivateBus() {
    m_daemon.terminate();
    if (!m_daemon.waitForFinished(3000)) m_daemon.kill();
    m_daemon.waitForFinished(3000);
}
