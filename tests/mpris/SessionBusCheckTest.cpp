// The look at the session bus before the window is built: a bus that takes
// the connection and never answers is told apart from one that answers and
// from none at all, within the limit, and only the silent one is hidden.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QTemporaryDir>
#include <cstdlib>
#include <optional>
#include <string>
#include <thread>

#include "PrivateBus.h"
#include "SessionBusCheck.h"

namespace {

// Sets an environment variable for one test, and puts back what was there.
class EnvironmentValue {
public:
    EnvironmentValue(const char* name, const std::optional<std::string>& value) : m_name(name) {
        if (const char* was = std::getenv(name)) m_was = was;
        if (value)
            ::setenv(name, value->c_str(), 1);
        else
            ::unsetenv(name);
    }
    ~EnvironmentValue() {
        if (m_was)
            ::setenv(m_name, m_was->c_str(), 1);
        else
            ::unsetenv(m_name);
    }

private:
    const char* m_name;
    std::optional<std::string> m_was;
};

// A socket that takes connections into its queue and never reads a byte:
// a bus that hangs.
class SilentListener {
public:
    explicit SilentListener(const std::string& path, bool listening = true) {
        m_fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un where = {};
        where.sun_family = AF_UNIX;
        path.copy(where.sun_path, sizeof where.sun_path - 1);
        EXPECT_EQ(::bind(m_fd, reinterpret_cast<sockaddr*>(&where), sizeof where), 0);
        if (listening) EXPECT_EQ(::listen(m_fd, 8), 0);
    }
    ~SilentListener() { ::close(m_fd); }
    int fd() const { return m_fd; }

private:
    int m_fd = -1;
};

// A bus that greets every client back and then says nothing more.
class GreetingOnlyBus {
public:
    explicit GreetingOnlyBus(const std::string& path) : m_listener(path) {
        m_thread = std::thread([this] {
            const int client = ::accept(m_listener.fd(), nullptr, nullptr);
            if (client < 0) return;
            char line[256];
            if (::read(client, line, sizeof line) > 0)
                ::write(client, "OK 0123456789abcdef0123456789abcdef\r\n", 37);
            // Holds the connection until the test ends.
            ::read(client, line, sizeof line);
            ::read(client, line, sizeof line);
            ::close(client);
        });
    }
    ~GreetingOnlyBus() {
        ::shutdown(m_listener.fd(), SHUT_RDWR);
        m_thread.join();
    }

private:
    SilentListener m_listener;
    std::thread m_thread;
};

class SessionBusCheckTest : public ::testing::Test {
protected:
    QTemporaryDir folder;
    std::string at(const char* name) const { return (folder.path() + '/' + name).toStdString(); }
    // No bus socket where the library looks when no address is named.
    EnvironmentValue runtime{"XDG_RUNTIME_DIR", folder.path().toStdString()};
};

}  // namespace

TEST_F(SessionBusCheckTest, ASilentBusIsToldWithinTheLimitAndHiddenFromThisProcess) {
    SilentListener hung(at("hung"));
    EnvironmentValue address("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + at("hung"));

    EXPECT_EQ(checkSessionBus(200).state, SessionBus::Silent);
    EXPECT_FALSE(sessionBusDisabled());
    hideSilentSessionBus(200);
    EXPECT_TRUE(sessionBusDisabled());
    EXPECT_STREQ(std::getenv("DBUS_SESSION_BUS_ADDRESS"), "disabled:");

    // One that greets back and then hangs is no better.
    GreetingOnlyBus greeting(at("greeting"));
    EnvironmentValue greetingAddress("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + at("greeting"));
    EXPECT_EQ(checkSessionBus(200).state, SessionBus::Silent);
}

TEST_F(SessionBusCheckTest, ABusThatAnswersOrNoneAtAllIsLeftAsItIs) {
    PrivateBus& bus = PrivateBus::instance();
    ASSERT_TRUE(bus.running()) << bus.failure().toStdString();
    SilentListener refusing(at("refusing"), false);

    struct Case {
        std::optional<std::string> address;
        SessionBus state;
    };
    const Case cases[] = {
        {bus.address().toStdString(), SessionBus::Answers},
        // Choices that connect to nothing are passed over, as the library does.
        {"unix:path=" + at("gone") + ";unix:path=" + at("refusing") + ";" +
             bus.address().toStdString(),
         SessionBus::Answers},
        {"unix:path=" + at("gone"), SessionBus::Absent},
        {"unix:path=" + at("refusing"), SessionBus::Absent},
        {std::nullopt, SessionBus::Absent},
        {"disabled:", SessionBus::Absent},
        // Not ours to dial.
        {"tcp:host=localhost,port=1", SessionBus::Answers},
    };
    for (const Case& c : cases) {
        EnvironmentValue address("DBUS_SESSION_BUS_ADDRESS", c.address);
        EXPECT_EQ(checkSessionBus(2000).state, c.state) << c.address.value_or("(none)");
        hideSilentSessionBus(2000);
        EXPECT_EQ(std::getenv("DBUS_SESSION_BUS_ADDRESS")
                      ? std::optional<std::string>(std::getenv("DBUS_SESSION_BUS_ADDRESS"))
                      : std::nullopt,
                  c.address);
    }
}

TEST_F(SessionBusCheckTest, WithNoAddressTheSocketInTheRuntimeFolderIsAsked) {
    EnvironmentValue address("DBUS_SESSION_BUS_ADDRESS", std::nullopt);
    SilentListener hung(at("bus"));
    const SessionBusFound found = checkSessionBus(200);
    EXPECT_EQ(found.state, SessionBus::Silent);
    EXPECT_EQ(found.address, "unix:path=" + at("bus"));
}
