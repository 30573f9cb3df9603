// A session bus that answers once and then hangs: the first connection made
// to PATH is passed through to the real bus at TARGET (a socket path), every
// later one is taken and never answered, as a daemon does that stops
// answering after a program has looked at it. Runs until killed.
//
//   stalling_bus PATH TARGET
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {
sockaddr_un addressOf(const char* path) {
    sockaddr_un where = {};
    where.sun_family = AF_UNIX;
    std::strncpy(where.sun_path, path, sizeof where.sun_path - 1);
    return where;
}

// Moves what one side has sent to the other; false once either side closes.
bool pass(int from, int to) {
    char buffer[65536];
    const ssize_t got = ::read(from, buffer, sizeof buffer);
    if (got <= 0) return false;
    for (ssize_t sent = 0; sent < got;) {
        const ssize_t n = ::write(to, buffer + sent, size_t(got - sent));
        if (n <= 0) return false;
        sent += n;
    }
    return true;
}
}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: stalling_bus PATH TARGET\n");
        return 2;
    }
    const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un here = addressOf(argv[1]);
    ::unlink(argv[1]);
    if (::bind(listener, reinterpret_cast<sockaddr*>(&here), sizeof here) != 0 ||
        ::listen(listener, 16) != 0) {
        std::perror("stalling_bus");
        return 1;
    }
    int client = -1, upstream = -1;
    bool answeredOne = false;
    std::vector<int> stalled;
    for (;;) {
        pollfd watched[3] = {{listener, POLLIN, 0}, {client, POLLIN, 0}, {upstream, POLLIN, 0}};
        if (::poll(watched, 3, -1) < 0) continue;
        if (watched[0].revents & POLLIN) {
            const int taken = ::accept(listener, nullptr, nullptr);
            if (taken >= 0 && !answeredOne) {
                answeredOne = true;
                client = taken;
                upstream = ::socket(AF_UNIX, SOCK_STREAM, 0);
                const sockaddr_un there = addressOf(argv[2]);
                if (::connect(upstream, reinterpret_cast<const sockaddr*>(&there), sizeof there))
                    std::perror("stalling_bus: the real bus");
            } else if (taken >= 0) {
                stalled.push_back(taken);
            }
        }
        const bool through =
            (!(watched[1].revents & (POLLIN | POLLHUP)) || pass(client, upstream)) &&
            (!(watched[2].revents & (POLLIN | POLLHUP)) || pass(upstream, client));
        if (!through) {
            ::close(client);
            ::close(upstream);
            client = upstream = -1;
        }
    }
}
