// A disk that takes its time: preloaded into a program, every flush to the
// disk (fsync, fdatasync) waits SLOW_DISK_MS milliseconds (default 3000)
// before it is done. For tests of what a close does when the disk is slow.
//
//   LD_PRELOAD=.../libslow_disk.so SLOW_DISK_MS=3000 program
#include <dlfcn.h>
#include <unistd.h>

#include <cstdlib>

namespace {
void takeTime() {
    const char* ms = std::getenv("SLOW_DISK_MS");
    ::usleep(useconds_t((ms ? std::atoi(ms) : 3000)) * 1000);
}

template <class Call>
Call next(const char* name) {
    return reinterpret_cast<Call>(::dlsym(RTLD_NEXT, name));
}
}  // namespace

extern "C" int fsync(int fd) {
    takeTime();
    static const auto real = next<int (*)(int)>("fsync");
    return real(fd);
}

extern "C" int fdatasync(int fd) {
    takeTime();
    static const auto real = next<int (*)(int)>("fdatasync");
    return real(fd);
}
