#include "forms/Val.h"

#include <cmath>
#include <string>

namespace forms {

double Val(const QString& text) {
    std::string digits;
    bool seenDigit = false, seenPoint = false, seenExponent = false;
    int i = 0;
    const int n = text.size();
    auto blank = [](QChar c) { return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r'; };
    while (i < n && blank(text[i])) ++i;
    if (i < n && (text[i] == u'+' || text[i] == u'-')) digits += char(text[i++].unicode());
    for (; i < n; ++i) {
        const QChar c = text[i];
        if (blank(c)) continue;
        if (c.unicode() >= '0' && c.unicode() <= '9') {
            digits += char(c.unicode());
            seenDigit = true;
        } else if (c == u'.' && !seenPoint && !seenExponent) {
            digits += '.';
            seenPoint = true;
        } else if ((c == u'e' || c == u'E' || c == u'd' || c == u'D') && seenDigit &&
                   !seenExponent) {
            // An exponent counts only when digits follow it.
            int j = i + 1;
            std::string exponent = "e";
            if (j < n && (text[j] == u'+' || text[j] == u'-'))
                exponent += char(text[j++].unicode());
            if (j >= n || text[j].unicode() < '0' || text[j].unicode() > '9') break;
            digits += exponent;
            seenExponent = true;
            i = j - 1;
        } else {
            break;
        }
    }
    if (!seenDigit) return 0.0;
    const double value = std::strtod(digits.c_str(), nullptr);
    return std::isfinite(value) ? value : 0.0;
}

QString Str(long long number) { return QString::number(number); }

}  // namespace forms
