#include "forms/EventDispatch.h"

#include <new>

#include "forms/App.h"
#include "forms/MessageBox.h"

namespace forms {

namespace {
LastResortHandler& lastResort() {
    static LastResortHandler handler;
    return handler;
}

void reach(const RuntimeError& error) noexcept {
    try {
        if (lastResort())
            lastResort()(error);
        else
            showRuntimeErrorBox(error);
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
        reach(RuntimeError(err::OutOfMemory));
    } catch (const std::exception& other) {
        reach(RuntimeError(
            51, QStringLiteral("内部错误: %1").arg(QString::fromLocal8Bit(other.what()))));
    } catch (...) {
        reach(RuntimeError(51, QStringLiteral("内部错误")));
    }
}

LastResortHandler setLastResortHandler(LastResortHandler handler) {
    return std::exchange(lastResort(), std::move(handler));
}

void showRuntimeErrorBox(const RuntimeError& error) {
    MsgBox(QStringLiteral("运行时错误 '%1':\n\n%2").arg(error.number()).arg(error.description()),
           MsgBoxStyle::OkOnly | MsgBoxStyle::Critical, App::Title());
}

}  // namespace forms
