#include "FailingDiskSync.h"

#include <dlfcn.h>

#include <atomic>
#include <cerrno>

namespace {
std::atomic<int> failure{0};
}

void failDiskSyncWith(int error) { failure = error; }

extern "C" int fdatasync(int fd) {
    if (const int error = failure.load()) {
        errno = error;
        return -1;
    }
    using Real = int (*)(int);
    static const Real real = reinterpret_cast<Real>(::dlsym(RTLD_NEXT, "fdatasync"));
    return real(fd);
}
