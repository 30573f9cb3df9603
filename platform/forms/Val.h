#pragma once

#include <QString>

namespace forms {

// Text to number the forgiving way: the number formed by the text's leading
// digits (an optional sign, a decimal point and an exponent allowed; blanks
// are passed over), 0 when there is none. "12abc" is 12, "" and "abc" are 0.
double Val(const QString& text);

// Number to text: plain decimal, no sign for positives, no padding.
QString Str(long long number);

}  // namespace forms
