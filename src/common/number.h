#pragma once
// Number conversions of texts as the stats window and the parser read them.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vantorel {

// The text read as a decimal number: optional blanks, an optional sign, digits with an
// optional fraction and an optional exponent, optional blanks. Nothing else is accepted;
// an empty text is not a number.
std::optional<double> ParseDecimal(std::string_view text);

// Rounds to the nearest integer, halves to the even neighbour.
double RoundHalfEven(double value);

// The whole number of a text: read as a decimal number, rounded halves to even, as a
// signed 16-bit integer. Empty when the text is not a number or the value is outside
// -32768 to 32767.
std::optional<std::int16_t> WholeNumber(std::string_view text);

// The same rounding and range for a value that is already a number.
std::optional<std::int16_t> ToInt16(double value);

// At least two decimal digits, a leading zero added to a single digit, the minus sign in
// front: 5 gives "05", 123 gives "123", -5 gives "-05".
std::string TwoDigit(std::int16_t value);

}  // namespace vantorel
