#include "errors/EventDispatch.h"

#include <cstdio>
#include <new>

namespace errors {

namespace {
LastResortHandler& lastResort() {
    static LastResortHandler handler;
    return handler;
}

void reach(const RuntimeError& error) noexcept {
    try {
        if (lastResort()) {
            lastResort()(error);
        } else {
            std::fprintf(stderr, "%s\n", error.what());
        }
    } catch (...) {
        // The last resort itself failed (no memory for a box, say): there is
        // nothing further to tell, and the window must live on.
    }
}
}  // namespace

void dispatch(const std::function<void()>& handler) noexcept {
    try {
        handler();
    } catch (const RuntimeError& error) {
        reach(error);
    } catch (const std::bad_alloc&) {
        reach(RuntimeError(OutOfMemory));
    } catch (const std::exception& other) {
        reach(RuntimeError(
            InternalError,
            QStringLiteral("程序内部错误: %1").arg(QString::fromLocal8Bit(other.what()))));
    } catch (...) {
        reach(RuntimeError(InternalError, QStringLiteral("程序内部错误")));
    }
}

LastResortHandler setLastResortHandler(LastResortHandler handler) {
    return std::exchange(lastResort(), std::move(handler));
}

}  // namespace errors
