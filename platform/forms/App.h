#pragma once

#include <QString>

namespace forms {

// The running program as its handlers see it.
struct App {
    // The folder the program file is in, without a trailing separator.
    static QString Path();
    // The program's title: message boxes carry it.
    static QString Title();
};

}  // namespace forms
