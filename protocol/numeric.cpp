#include "protocol/numeric.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace quorvex {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The longest decimal number at the start of `text`: [sign] digits [. digits] [e [sign] digits],
// with at least one mantissa digit. Its length, or 0 when there is none.
std::size_t MatchNumber(std::string_view text) {
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        ++i;
    }
    std::size_t digits = 0;
    while (i < text.size() && IsDigit(text[i])) {
        ++i;
        ++digits;
    }
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && IsDigit(text[i])) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0) {
        return 0;
    }
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) {
            ++j;
        }
        if (j < text.size() && IsDigit(text[j])) {
            while (j < text.size() && IsDigit(text[j])) {
                ++j;
            }
            i = j;
        }
    }
    return i;
}

// Whether a number that does not fit a double is too small (it then reads as 0) rather than
// too large: decided from where its first significant digit stands.
bool IsTooSmall(std::string_view number) {
    long long exponent = 0;
    const auto e = number.find_first_of("eE");
    if (e != std::string_view::npos) {
        std::string_view digits = number.substr(e + 1);
        const bool negative = !digits.empty() && digits[0] == '-';
        if (!digits.empty() && (digits[0] == '-' || digits[0] == '+')) {
            digits.remove_prefix(1);
        }
        for (char c : digits) {
            exponent = std::min<long long>(exponent * 10 + (c - '0'), 1'000'000'000);
        }
        if (negative) {
            exponent = -exponent;
        }
        number = number.substr(0, e);
    }
    const auto point = number.find('.');
    const std::string_view whole = number.substr(0, point);
    const auto firstWhole = whole.find_first_of("123456789");
    if (firstWhole != std::string_view::npos) {
        return static_cast<long long>(whole.size() - firstWhole) - 1 + exponent < 0;
    }
    const std::string_view fraction =
        point == std::string_view::npos ? std::string_view{} : number.substr(point + 1);
    const auto firstFraction = fraction.find_first_of("123456789");
    if (firstFraction == std::string_view::npos) {
        return true;  // all zeros
    }
    return -static_cast<long long>(firstFraction) - 1 + exponent < 0;
}

std::optional<double> ParseMatched(std::string_view number) {
    bool negative = false;
    if (!number.empty() && (number[0] == '+' || number[0] == '-')) {
        negative = number[0] == '-';
        number.remove_prefix(1);
    }
    double value = 0;
    const auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (ec == std::errc::result_out_of_range) {
        if (!IsTooSmall(number)) {
            return std::nullopt;
        }
        value = 0;
    } else if (ec != std::errc{} || end != number.data() + number.size()) {
        return std::nullopt;
    }
    if (!std::isfinite(value)) {
        return std::nullopt;
    }
    return negative ? -value : value;
}

std::string_view SkipBlanks(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    return text;
}

// Plain decimal text from `digits` significant digits and a decimal exponent, as to_chars'
// scientific form gives them.
std::string Plain(std::string_view mantissa, int exponent, bool negative) {
    std::string digits;
    for (char c : mantissa) {
        if (IsDigit(c)) {
            digits += c;
        }
    }
    while (digits.size() > 1 && digits.back() == '0') {
        digits.pop_back();
    }
    std::string out = negative ? "-" : "";
    if (exponent >= 0) {
        const auto wholeDigits = static_cast<std::size_t>(exponent) + 1;
        if (digits.size() <= wholeDigits) {
            out += digits;
            out.append(wholeDigits - digits.size(), '0');
        } else {
            out += digits.substr(0, wholeDigits);
            out += '.';
            out += digits.substr(wholeDigits);
        }
    } else {
        out += "0.";
        out.append(static_cast<std::size_t>(-exponent - 1), '0');
        out += digits;
    }
    return out;
}

template <class Float>
std::string FormatSignificant(Float value, int significant) {
    if (!std::isfinite(value)) {
        return "0";
    }
    if (value == 0) {
        return "0";
    }
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value),
                                      std::chars_format::scientific, significant - 1);
    const std::string_view text(buffer, static_cast<std::size_t>(result.ptr - buffer));
    const auto e = text.find('e');
    int exponent = 0;
    std::string_view expText = text.substr(e + 1);
    if (!expText.empty() && expText[0] == '+') {
        expText.remove_prefix(1);
    }
    std::from_chars(expText.data(), expText.data() + expText.size(), exponent);
    return Plain(text.substr(0, e), exponent, value < 0);
}

template <class Int>
std::optional<Int> ToInt(double value) {
    if (!std::isfinite(value)) {
        return std::nullopt;
    }
    const double rounded = RoundHalfEven(value);
    if (rounded < static_cast<double>(std::numeric_limits<Int>::min()) ||
        rounded > static_cast<double>(std::numeric_limits<Int>::max())) {
        return std::nullopt;
    }
    return static_cast<Int>(rounded);
}

}  // namespace

std::optional<double> NumericValue(std::string_view text) {
    text = SkipBlanks(text);
    const std::size_t length = MatchNumber(text);
    if (length == 0) {
        return 0.0;
    }
    return ParseMatched(text.substr(0, length));
}

std::optional<double> StrictNumber(std::string_view text) {
    text = SkipBlanks(text);
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    const std::size_t length = MatchNumber(text);
    if (length == 0 || length != text.size()) {
        return std::nullopt;
    }
    return ParseMatched(text);
}

double RoundHalfEven(double value) {
    if (!std::isfinite(value)) {
        return value;
    }
    const double below = std::floor(value);
    const double fraction = value - below;
    if (fraction < 0.5) {
        return below;
    }
    if (fraction > 0.5) {
        return below + 1;
    }
    return std::fmod(below, 2.0) == 0 ? below : below + 1;
}

std::optional<std::int16_t> ToInt16(double value) {
    return ToInt<std::int16_t>(value);
}
std::optional<std::int32_t> ToInt32(double value) {
    return ToInt<std::int32_t>(value);
}

std::string FormatInteger(std::int64_t value) {
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::string FormatSingle(float value) {
    return FormatSignificant(value, 7);
}
std::string FormatDouble(double value) {
    return FormatSignificant(value, 15);
}

}  // namespace quorvex
