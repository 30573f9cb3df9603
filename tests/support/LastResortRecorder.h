#pragma once

#include <vector>

#include "errors/EventDispatch.h"

// Records the errors that reach the last-resort handler instead of showing
// a box, for as long as it lives.
struct LastResortRecorder {
    std::vector<int> numbers;
    errors::LastResortHandler previous;

    LastResortRecorder() {
        previous = errors::setLastResortHandler(
            [this](const errors::RuntimeError& e) { numbers.push_back(e.number()); });
    }
    ~LastResortRecorder() { errors::setLastResortHandler(previous); }
};
