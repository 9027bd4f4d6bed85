// Python's text of a float (its str(), repr() and "{}"), made without the interpreter: against
// PyOS_double_to_string(), str(RadarInterfaceDataV4) 3.6-3.9x faster (bench/RESULTS.md).
#pragma once

#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace pdi {

// base ** 0 to base ** (N - 1), made at compile time.
template <std::size_t N>
constexpr std::array<std::uint64_t, N> powers(std::uint64_t base) {
    std::array<std::uint64_t, N> p{1};
    for (std::size_t i = 1; i < N; ++i) p[i] = p[i - 1] * base;
    return p;
}

// The digits of `a` (finite, not negative) when it is exactly a decimal of at most 15 significant digits,
// as most values written by hand are: then they are its shortest digits, found with one multiplication
// instead of a search. The value is 0.d1d2... times 10 ** point. False for any other value.
inline bool exact_digits(double a, char (&digits)[20], int& ndigits, int& point) {
    std::uint64_t bits = 0;
    std::memcpy(&bits, &a, sizeof bits);
    const int biased = static_cast<int>(bits >> 52) & 0x7FF;
    std::uint64_t m = bits & ((std::uint64_t{1} << 52) - 1);
    if (biased == 0) {
        if (m) return false;  // subnormal
        digits[0] = '0';
        ndigits = point = 1;
        return true;
    }
    m |= std::uint64_t{1} << 52;
    int e = biased - 1075;  // a == m * 2 ** e
    const int zeros = __builtin_ctzll(m);
    m >>= zeros;
    e += zeros;
    constexpr std::uint64_t kMost = 1000000000000000;  // 10 ** 15
    std::uint64_t n = 0;
    int fraction = 0;  // decimal places: a == n / 10 ** fraction
    if (e >= 0) {
        if (e > 10) return false;
        n = m << e;  // below 2 ** 63
    } else {
        // m / 2 ** k == m * 5 ** k / 10 ** k; 5 ** 22 alone is 10 ** 15 or more.
        static constexpr auto kFives = powers<22>(5);
        fraction = -e;
        if (fraction >= static_cast<int>(kFives.size())) return false;
        if (__builtin_mul_overflow(m, kFives[fraction], &n)) return false;
    }
    if (n >= kMost) return false;
    int trailing = 0;  // only a whole number has them (m * 5 ** k is odd)
    while (n % 10 == 0) {
        n /= 10;
        ++trailing;
    }
    ndigits = static_cast<int>(std::to_chars(digits, digits + sizeof digits, n).ptr - digits);
    point = ndigits - fraction + trailing;
    return true;
}

// Writes the text of `v` into `out` and returns its length: the shortest digits that read back to the same
// double, fixed with ".0" on whole numbers while the decimal exponent lies in [-4, 16), else d.ddde+XX.
inline int float_text(double v, char (&out)[40]) {
    int n = 0;
    auto put = [&](const char* s) {
        while (*s) out[n++] = *s++;
    };
    if (!std::isfinite(v)) {
        put(std::isnan(v) ? "nan" : v > 0 ? "inf" : "-inf");
        return n;
    }
    char digits[20] = {};
    int ndigits = 0;
    int decpt = 0;  // digits are 0.d1d2... times 10 ** decpt
    if (std::signbit(v)) out[n++] = '-';
    if (!exact_digits(std::fabs(v), digits, ndigits, decpt)) {
        char sci[32];
        auto r = std::to_chars(sci, sci + sizeof sci, std::fabs(v), std::chars_format::scientific);
        // sci: d[.ddd]e(+|-)XX
        const char* p = sci;
        const char* end = r.ptr;
        while (p < end && *p != 'e') {
            if (*p != '.') digits[ndigits++] = *p;
            ++p;
        }
        int exponent = 0;
        std::from_chars(p + (p[1] == '+' ? 2 : 1), end, exponent);
        decpt = exponent + 1;
    }
    if (decpt > -4 && decpt <= 16) {
        if (decpt <= 0) {
            out[n++] = '0';
            out[n++] = '.';
            for (int i = decpt; i < 0; ++i) out[n++] = '0';
            for (int i = 0; i < ndigits; ++i) out[n++] = digits[i];
        } else {
            for (int i = 0; i < decpt; ++i) out[n++] = i < ndigits ? digits[i] : '0';
            out[n++] = '.';
            for (int i = decpt; i < ndigits; ++i) out[n++] = digits[i];
            if (ndigits <= decpt) out[n++] = '0';
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
