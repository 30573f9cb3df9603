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

using Value = std::optional<std::string>;

Value environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? Value(value) : std::nullopt;
}

// Sets an environment variable for one test, and puts back what was there.
struct EnvironmentValue {
    const char* name;
    Value was = environment(name);
    EnvironmentValue(const char* n, const Value& v) : name(n) { set(v); }
    ~EnvironmentValue() { set(was); }
    void set(const Value& v) const { v ? ::setenv(name, v->c_str(), 1) : ::unsetenv(name); }
};

// A socket that takes connections into its queue and never reads a byte: a
// bus that hangs. One that greets answers a client's first line, and then
// says nothing more; one that refuses does not listen.
struct SilentBus {
    enum Kind { Hangs, Greets, Refuses };
    SilentBus(const std::string& path, Kind kind = Hangs)
        : m_fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
        sockaddr_un where = {.sun_family = AF_UNIX};
        path.copy(where.sun_path, sizeof where.sun_path - 1);
        EXPECT_EQ(::bind(m_fd, reinterpret_cast<sockaddr*>(&where), sizeof where), 0);
        if (kind != Refuses) EXPECT_EQ(::listen(m_fd, 8), 0);
        if (kind == Greets)
            m_greeter = std::thread([fd = m_fd] {
                char line[256];
                const int client = ::accept(fd, nullptr, nullptr);
                if (client < 0 || ::read(client, line, sizeof line) <= 0) return;
                ::write(client, "OK 0123456789abcdef0123456789abcdef\r\n", 37);
                while (::read(client, line, sizeof line) > 0) {  // until the client leaves
                }
                ::close(client);
            });
    }
    ~SilentBus() {
        ::shutdown(m_fd, SHUT_RDWR);
        if (m_greeter.joinable()) m_greeter.join();
        ::close(m_fd);
    }
    int m_fd;
    std::thread m_greeter;
};

}  // namespace

TEST(SessionBusCheck, ASilentBusIsToldWithinTheLimitAndOnlyItIsHidden) {
    const std::string answering = PrivateBus::instance().address().toStdString();
    ASSERT_FALSE(answering.empty());
    const QTemporaryDir folder;
    const auto at = [&](const char* name) { return (folder.path() + '/' + name).toStdString(); };
    // No bus socket where the library looks when no address is named.
    const EnvironmentValue runtime("XDG_RUNTIME_DIR", folder.path().toStdString());
    const SilentBus hung(at("hung")), greeting(at("greeting"), SilentBus::Greets),
        refusing(at("refusing"), SilentBus::Refuses);
    const auto check = [&](const Value& address, SessionBus state) {
        SCOPED_TRACE(address.value_or("(none)"));
        const EnvironmentValue named("DBUS_SESSION_BUS_ADDRESS", address);
        const bool silent = state == SessionBus::Silent;
        const SessionBusFound found = checkSessionBus(silent ? 200 : 2000);
        EXPECT_EQ(found.state, state);
        if (silent) EXPECT_EQ(found.address, address.value_or("unix:path=" + at("bus")));
        hideSilentSessionBus(silent ? 200 : 2000);
        EXPECT_EQ(environment("DBUS_SESSION_BUS_ADDRESS"), silent ? Value("disabled:") : address);
        EXPECT_EQ(sessionBusDisabled(), silent || address == "disabled:");
    };
    check("unix:path=" + at("hung"), SessionBus::Silent);
    // One that greets back, then hangs, is as silent.
    check("unix:path=" + at("greeting"), SessionBus::Silent);
    check(answering, SessionBus::Answers);
    // Choices that connect to nothing are passed over, as the library does.
    check("unix:path=" + at("gone") + ";unix:path=" + at("refusing") + ";" + answering,
          SessionBus::Answers);
    check("unix:path=" + at("gone"), SessionBus::Absent);
    check("unix:path=" + at("refusing"), SessionBus::Absent);
    check(std::nullopt, SessionBus::Absent);
    check("disabled:", SessionBus::Absent);
    check("tcp:host=localhost,port=1", SessionBus::Answers);  // not ours to dial
    // With no address named, the socket in the runtime folder is the bus.
    const SilentBus runtimeBus(at("bus"));
    check(std::nullopt, SessionBus::Silent);
}
