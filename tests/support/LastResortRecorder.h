#pragma once

#include <vector>

#include "forms/EventDispatch.h"

// Records the errors that reach the last-resort handler instead of showing
// a box, for as long as it lives.
struct LastResortRecorder {
    std::vector<int> numbers;
    forms::LastResortHandler previous;

    LastResortRecorder() {
        previous = forms::setLastResortHandler(
            [this](const forms::RuntimeError& e) { numbers.push_back(e.number()); });
    }
    ~LastResortRecorder() { forms::setLastResortHandler(previous); }
};
