#pragma once

#include <string>

// The rule of a numeric field, applied to the field's text on every change.
struct NumericFieldRule {
    int mode = 3; // 1 integer, 2 decimal, other: no checking
    int intMin = -2147483647 - 1;
    int intMax = 2147483647;
    double doubleMin = -2147483648.0;
    double doubleMax = 2147483647.0;
    std::string format = "%s"; // printf format for writing a limit back
};

// The field's new text after one change: characters that are not allowed are removed (at most
// 29 characters kept when cleaning), and values outside the range are replaced by the limit
// written with the format. Returns the text unchanged when nothing applies.
std::string FilterNumericText(const std::string& text, const NumericFieldRule& rule);
