#pragma once

#include "errors/RuntimeError.h"

namespace errors {

// Runs the steps of one event handler, each in the error mode it is written
// for:
//   plain  a failure is not handled: it leaves the handler and goes to the
//          last-resort handler of the event dispatch;
//   skip   a failing step is skipped and the handler goes on;
//   leave  a failing step ends the handler quietly: later steps do nothing,
//          earlier ones stay done.
// Only numbered runtime errors are modes' business; anything else is a bug
// and always reaches the last-resort handler.
class Steps {
public:
    template <class Step>
    void plain(Step&& step) {
        if (!m_left) step();
    }

    template <class Step>
    void skip(Step&& step) {
        if (m_left) return;
        try {
            step();
        } catch (const RuntimeError&) {
        }
    }

    template <class Step>
    void leave(Step&& step) {
        if (m_left) return;
        try {
            step();
        } catch (const RuntimeError&) {
            m_left = true;
        }
    }

    // True once a leave step has failed: the handler has ended.
    bool left() const { return m_left; }

private:
    bool m_left = false;
};

}  // namespace errors
