#pragma once

#include <QString>
#include <functional>

#include "errors/RuntimeError.h"

// The runtime error a step raised: its number (0 for none) and text.
struct Failure {
    int number = 0;
    QString text;
};
inline Failure failureOf(const std::function<void()>& step) {
    try {
        step();
    } catch (const errors::RuntimeError& e) {
        return {e.number(), e.description()};
    }
    return {};
}
inline int errorOf(const std::function<void()>& step) { return failureOf(step).number; }
