// SPDX-License-Identifier: GPL-3.0-or-later
#include "numberreading.h"

#include "hexdigits.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>
#include <string_view>

namespace talvor {

namespace {

bool isSkipped(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n';
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The text without the characters the reading skips. No number goes on past a character outside
// ASCII, so the copy ends there.
std::string compacted(QStringView text)
{
    std::string ascii;
    ascii.reserve(size_t(text.size()));
    for (const QChar c : text) {
        if (c.unicode() > 0x7F)
            break;
        if (!isSkipped(c))
            ascii += char(c.unicode());
    }
    return ascii;
}

// The digits are read as an unsigned number. With more than eight hexadecimal digits the value
// is simply larger than any 32-bit number, so callers treat it like any other value that does
// not fit; a very long digit string grows towards infinity, never past it.
double readRadixDigits(std::string_view digits, int radix)
{
    double value = 0;
    for (const char c : digits) {
        const int digit = hexDigitValue(c);
        if (digit < 0 || digit >= radix)
            break;
        value = value * radix + digit;
    }
    return value;
}

struct DecimalText {
    bool negative = false;
    std::string_view whole;
    std::string_view fraction;
    std::string_view exponent; // optional sign and digits; empty without exponent
};

std::string_view digitsAt(std::string_view s, size_t &pos)
{
    const size_t start = pos;
    while (pos < s.size() && isDigit(s[pos]))
        ++pos;
    return s.substr(start, pos - start);
}

// An exponent letter counts only when at least one digit follows it.
std::string_view exponentAt(std::string_view s, size_t pos)
{
    if (pos >= s.size() || std::string_view("EeDd").find(s[pos]) == std::string_view::npos)
        return {};
    size_t end = pos + 1;
    if (end < s.size() && (s[end] == '+' || s[end] == '-'))
        ++end;
    const size_t digitsStart = end;
    digitsAt(s, end);
    return end == digitsStart ? std::string_view() : s.substr(pos + 1, end - pos - 1);
}

std::optional<DecimalText> scanDecimal(std::string_view s)
{
    DecimalText d;
    size_t pos = 0;
    if (pos < s.size() && (s[pos] == '+' || s[pos] == '-'))
        d.negative = s[pos++] == '-';
    d.whole = digitsAt(s, pos);
    if (pos < s.size() && s[pos] == '.')
        d.fraction = digitsAt(s, ++pos);
    if (d.whole.empty() && d.fraction.empty())
        return std::nullopt;
    d.exponent = exponentAt(s, pos);
    return d;
}

long long saturatedExponent(std::string_view exponent)
{
    constexpr long long kCap = 1'000'000'000;
    long long value = 0;
    for (const char c : exponent) {
        if (isDigit(c) && value < kCap)
            value = value * 10 + (c - '0');
    }
    return !exponent.empty() && exponent.front() == '-' ? -value : value;
}

// from_chars leaves the value alone when the number is too large or too small for a double; the
// place of the first significant digit tells which.
double beyondDoubleRange(const DecimalText &d)
{
    const long long exponent = saturatedExponent(d.exponent);
    const size_t firstWhole = d.whole.find_first_not_of('0');
    const long long magnitude =
        firstWhole != std::string_view::npos
            ? exponent + static_cast<long long>(d.whole.size() - firstWhole)
            : exponent - static_cast<long long>(d.fraction.find_first_not_of('0'));
    return magnitude > 0 ? std::numeric_limits<double>::infinity() : 0.0;
}

double toDouble(const DecimalText &d)
{
    std::string text = "0";
    text.append(d.whole).append(".").append(d.fraction);
    if (!d.exponent.empty())
        text.append("e").append(d.exponent);
    double value = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (result.ec == std::errc::result_out_of_range)
        value = beyondDoubleRange(d);
    return d.negative ? -value : value;
}

} // namespace

double readLenientNumber(QStringView text)
{
    const std::string compact = compacted(text);
    const std::string_view s = compact;
    if (s.starts_with("&H") || s.starts_with("&h"))
        return readRadixDigits(s.substr(2), 16);
    if (s.starts_with("&O") || s.starts_with("&o"))
        return readRadixDigits(s.substr(2), 8);
    const auto decimal = scanDecimal(s);
    return decimal ? toDouble(*decimal) : 0.0;
}

std::optional<qint32> roundToInt32(double value)
{
    if (!std::isfinite(value))
        return std::nullopt;
    const double lower = std::floor(value);
    const double rest = value - lower;
    const bool up = rest > 0.5 || (rest == 0.5 && std::fmod(lower, 2.0) != 0.0);
    const double rounded = up ? lower + 1 : lower;
    if (rounded < std::numeric_limits<qint32>::min() ||
        rounded > std::numeric_limits<qint32>::max())
        return std::nullopt;
    return static_cast<qint32>(rounded);
}

std::optional<qint16> readStoredNumber(QStringView text)
{
    const auto value = roundToInt32(readLenientNumber(text));
    if (!value || *value < std::numeric_limits<qint16>::min() ||
        *value > std::numeric_limits<qint16>::max())
        return std::nullopt;
    return static_cast<qint16>(*value);
}

} // namespace talvor
