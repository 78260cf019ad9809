#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// Numbers in files, fields and commands always take a decimal point. The widgets' toolkit sets
// the C library's numeric locale from the user's environment, where the point may be a comma, so
// these are written and read here without printf and strtod.

// The number at the start of a text, read as strtod reads decimal text: blanks, one sign, digits
// with at most one point, an optional exponent; whatever follows is ignored.
struct LeadingNumber {
    double value = 0.0;     // 0 without a number; +-HUGE_VAL or +-0 beyond a double's range
    std::size_t length = 0; // characters read, blanks and sign included; 0 without a number
};
LeadingNumber ReadLeadingNumber(std::string_view text);

// ReadLeadingNumber's value: 0 for a text that does not begin with a number.
double LeadingDouble(std::string_view text);

// The whole number at the start of a text, as atoi reads it, held to the range of an int.
int LeadingInt(std::string_view text);

// A whole text in the form a numeric field accepts: digits, a minus only as the first character
// and, for decimals, one point; at least one digit. Blanks, '+', exponents, hexadecimal and
// anything after the number make it no number (nullopt), as does a value beyond the type's range.
std::optional<double> ParseDecimalText(std::string_view text);
std::optional<int> ParseIntegerText(std::string_view text);

// The value with that many decimals, rounded as printf rounds, padded on the left with blanks to
// width characters: FixedText(v, 1, 5) is what "%5.1f" writes in the C locale.
std::string FixedText(double value, int decimals, int width = 0);
