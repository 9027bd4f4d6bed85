// The host's text of a float (its str(), repr() and "{}"), made without the
// interpreter: shared by the catalog's renderings and the capture tool's lines.
#pragma once

#include <charconv>
#include <cmath>

namespace pdi {

// Writes the text of `v` into `out` and returns its length: the shortest
// digits that read back to the same double, in fixed notation with ".0" on
// whole numbers while the decimal exponent lies in [-4, 16), otherwise as
// d.ddde+XX; "nan", "inf", "-inf".
inline int float_text(double v, char (&out)[40]) {
    int n = 0;
    auto put = [&](const char* s) {
        while (*s) out[n++] = *s++;
    };
    if (!std::isfinite(v)) {
        put(std::isnan(v) ? "nan" : v > 0 ? "inf" : "-inf");
        return n;
    }
    char sci[32];
    auto r = std::to_chars(sci, sci + sizeof sci, v, std::chars_format::scientific);
    // sci: [-]d[.ddd]e(+|-)XX
    const char* p = sci;
    const char* end = r.ptr;
    if (*p == '-') out[n++] = *p++;
    char digits[20] = {};
    int ndigits = 0;
    while (p < end && *p != 'e') {
        if (*p != '.') digits[ndigits++] = *p;
        ++p;
    }
    int exponent = 0;
    std::from_chars(p + (p[1] == '+' ? 2 : 1), end, exponent);
    const int decpt = exponent + 1;  // digits are 0.d1d2... times 10 ** decpt
    if (decpt > -4 && decpt <= 16) {
        if (decpt <= 0) {
            out[n++] = '0';
            out[n++] = '.';
            for (int i = decpt; i < 0; ++i) out[n++] = '0';
            for (int i = 0; i < ndigits; ++i) out[n++] = digits[i];
        } else {
            for (int i = 0; i < decpt; ++i) out[n++] = i < ndigits ? digits[i] : '0';
            out[n++] = '.';
            if (ndigits > decpt) {
                for (int i = decpt; i < ndigits; ++i) out[n++] = digits[i];
            } else {
                out[n++] = '0';
            }
        }
    } else {
        out[n++] = digits[0];
        if (ndigits > 1) {
            out[n++] = '.';
            for (int i = 1; i < ndigits; ++i) out[n++] = digits[i];
        }
        out[n++] = 'e';
        const int e = decpt - 1;
        out[n++] = e < 0 ? '-' : '+';
        const int a = e < 0 ? -e : e;
        if (a < 10) out[n++] = '0';
        auto er = std::to_chars(out + n, out + sizeof out, a);
        n = static_cast<int>(er.ptr - out);
    }
    return n;
}

}  // namespace pdi
