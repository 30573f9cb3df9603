#include "SessionBusCheck.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>

namespace {

using Clock = std::chrono::steady_clock;

int msLeft(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? int(left) : 0;
}

// Waits for fd to become ready for events until the deadline, through
// signals; false when the time ran out.
bool waitFor(int fd, short events, Clock::time_point deadline) {
    for (;;) {
        pollfd p = {fd, events, 0};
        const int ready = ::poll(&p, 1, msLeft(deadline));
        if (ready > 0) return true;
        if (ready == 0 || errno != EINTR) return false;
    }
}

// A value of a bus address: %XX escapes undone.
std::string unescape(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            out += char(std::strtol(text.substr(i + 1, 2).c_str(), nullptr, 16));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

// The socket address of one "unix:" choice of a bus address, if it names one.
std::optional<sockaddr_un> unixSocketOf(const std::string& choice, socklen_t& length) {
    const size_t colon = choice.find(':');
    if (colon == std::string::npos || choice.compare(0, colon, "unix") != 0) return std::nullopt;
    sockaddr_un where = {};
    where.sun_family = AF_UNIX;
    size_t start = colon + 1;
    while (start <= choice.size()) {
        const size_t end = std::min(choice.find(',', start), choice.size());
        const std::string pair = choice.substr(start, end - start);
        const size_t equals = pair.find('=');
        if (equals != std::string::npos) {
            const std::string key = pair.substr(0, equals);
            const std::string value = unescape(pair.substr(equals + 1));
            // The abstract namespace is named with a leading NUL.
            const bool abstract = key == "abstract";
            if ((key == "path" || abstract) && value.size() + 1 < sizeof where.sun_path) {
                std::memcpy(where.sun_path + (abstract ? 1 : 0), value.data(), value.size());
                // A path ends at its NUL; an abstract name is counted.
                length = socklen_t(offsetof(sockaddr_un, sun_path) + value.size() + 1);
                return where;
            }
        }
        start = end + 1;
    }
    return std::nullopt;
}

enum class Dial { Answered, Nobody, Silent };

void append32(std::string& to, uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) to += char((value >> shift) & 0xff);
}

// The call every client makes first, org.freedesktop.DBus.Hello, as bytes
// on the wire (little-endian, no body).
std::string helloCall() {
    std::string call = {'l', 1, 0, 1};
    append32(call, 0);  // body length
    append32(call, 1);  // serial
    append32(call, 0);  // length of the header fields, filled in below
    const auto field = [&](char code, char type, const std::string& value) {
        while (call.size() % 8) call += '\0';
        call += code;
        call += '\1';
        call += type;
        call += '\0';
        append32(call, uint32_t(value.size()));
        call += value;
        call += '\0';
    };
    field(1, 'o', "/org/freedesktop/DBus");
    field(6, 's', "org.freedesktop.DBus");
    field(2, 's', "org.freedesktop.DBus");
    field(3, 's', "Hello");
    const uint32_t fields = uint32_t(call.size() - 16);
    for (int i = 0; i < 4; ++i) call[12 + i] = char((fields >> (8 * i)) & 0xff);
    while (call.size() % 8) call += '\0';
    return call;
}

bool sendAll(int fd, const std::string& bytes) {
    return ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL) == ssize_t(bytes.size());
}

// Connects, says what every client says first (who it is, then Hello), and
// waits for the answers.
Dial dial(const sockaddr_un& where, socklen_t length, Clock::time_point deadline) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return Dial::Nobody;
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};

    if (::connect(fd, reinterpret_cast<const sockaddr*>(&where), length) != 0) {
        // A listener whose queue is full makes us wait like one that does
        // not answer; anything else means nobody is there.
        if (errno != EAGAIN && errno != EINPROGRESS) return Dial::Nobody;
        if (!waitFor(fd, POLLOUT, deadline)) return Dial::Silent;
        int error = 0;
        socklen_t size = sizeof error;
        if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) != 0 || error != 0)
            return Dial::Nobody;
    }

    // A NUL byte, then "AUTH EXTERNAL" with our user id in hex digits of its
    // decimal text. Every bus answers it: OK, REJECTED or ERROR.
    char uid[32];
    std::snprintf(uid, sizeof uid, "%u", unsigned(::getuid()));
    std::string line("\0AUTH EXTERNAL ", 15);
    for (const char* c = uid; *c; ++c) {
        char hex[3];
        std::snprintf(hex, sizeof hex, "%02x", unsigned(*c));
        line += hex;
    }
    line += "\r\n";
    if (!sendAll(fd, line)) return Dial::Nobody;
    if (!waitFor(fd, POLLIN, deadline)) return Dial::Silent;
    char answer[256];
    const ssize_t got = ::recv(fd, answer, sizeof answer, 0);
    if (got <= 0) return Dial::Nobody;
    // A bus that wants other credentials still answers.
    if (got < 3 || std::strncmp(answer, "OK ", 3) != 0) return Dial::Answered;

    // Some hang only once past the greeting.
    if (!sendAll(fd, "BEGIN\r\n" + helloCall())) return Dial::Nobody;
    if (!waitFor(fd, POLLIN, deadline)) return Dial::Silent;
    return ::recv(fd, answer, sizeof answer, 0) > 0 ? Dial::Answered : Dial::Nobody;
}

}  // namespace

SessionBusFound checkSessionBus(int limitMs) {
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(limitMs);
    SessionBusFound found;
    const char* named = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    if (named && *named) {
        found.address = named;
    } else {
        const char* runtime = std::getenv("XDG_RUNTIME_DIR");
        if (!runtime || !*runtime) return found;
        const std::string socketPath = std::string(runtime) + "/bus";
        struct stat info = {};
        if (::stat(socketPath.c_str(), &info) != 0 || !S_ISSOCK(info.st_mode)) return found;
        found.address = "unix:path=" + socketPath;
    }

    // The bus library tries the choices in order and takes the first that
    // connects.
    size_t start = 0;
    while (start < found.address.size()) {
        const size_t end = std::min(found.address.find(';', start), found.address.size());
        const std::string choice = found.address.substr(start, end - start);
        start = end + 1;
        if (choice.empty() || choice.rfind("disabled:", 0) == 0) continue;
        socklen_t length = 0;
        const std::optional<sockaddr_un> where = unixSocketOf(choice, length);
        if (!where) {
            // tcp:, launchd:, autolaunch:...: not ours to dial.
            found.state = SessionBus::Answers;
            return found;
        }
        switch (dial(*where, length, deadline)) {
            case Dial::Answered:
                found.state = SessionBus::Answers;
                return found;
            case Dial::Silent:
                found.state = SessionBus::Silent;
                return found;
            case Dial::Nobody:
                break;
        }
    }
    return found;
}

void hideSilentSessionBus(int limitMs) {
    const SessionBusFound found = checkSessionBus(limitMs);
    if (found.state != SessionBus::Silent) return;
    ::setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 1);
    std::fprintf(stderr,
                 "ravelle: 会话总线 %s 在 %d 毫秒内没有应答；本次运行没有媒体键、桌面的播放控制、"
                 "文件交接和读屏功能。\n",
                 found.address.c_str(), limitMs);
}

bool sessionBusDisabled() {
    const char* named = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    return named && std::strncmp(named, "disabled:", 9) == 0;
}

QDBusConnection joinSessionBus() {
    // The bus library looks in the same two places; without either it would
    // try to start a bus of its own.
    const char* named = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    struct stat info = {};
    const bool there =
        (named && *named) ||
        (runtime && *runtime && ::stat((std::string(runtime) + "/bus").c_str(), &info) == 0 &&
         S_ISSOCK(info.st_mode));
    if (sessionBusDisabled() || !there) return QDBusConnection(QStringLiteral("no session bus"));
    return QDBusConnection::sessionBus();
}
