#pragma once

// Numbers travel as decimal text in both programs. Everything here is locale-free: the
// decimal separator is always the full stop, whatever the user's desktop is set to.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quorvex {

// The numeric value of a text: the decimal number at its start after leading blanks (optional
// sign, digits, optional fraction after a full stop, optional exponent), 0 when the text does
// not start with a number. Empty when the number is too large for a double: callers treat that
// as a failure of the message they are handling instead of carrying an infinity around.
std::optional<double> NumericValue(std::string_view text);

// Strict conversion: the whole text (blanks around it allowed) must be one finite decimal
// number. "inf", "nan", hexadecimal and anything trailing are refused.
std::optional<double> StrictNumber(std::string_view text);

// Whole-number rounding: nearest, a half going to the even neighbour. Independent of the
// floating-point environment's rounding mode.
double RoundHalfEven(double value);

// Rounds half-to-even and narrows, refusing values outside the target range (and non-finite
// input) instead of wrapping.
std::optional<std::int16_t> ToInt16(double value);
std::optional<std::int32_t> ToInt32(double value);

// Number to text: plain digits, a leading minus for negatives, no blank, no grouping, never an
// exponent. Single precision keeps at most 7 significant digits, double precision at most 15.
// Non-finite values have no text form; the callers never pass one.
std::string FormatInteger(std::int64_t value);
std::string FormatSingle(float value);
std::string FormatDouble(double value);

}  // namespace quorvex
