#include "ui/NumericFilter.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <climits>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <system_error>

namespace {

constexpr size_t kMaxCleanedLength = 29;
// A limit written back is a handful of characters; anything longer comes from a format with an
// absurd width and is not worth putting into a field.
constexpr int kMaxWrittenLength = 64;

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

size_t SkipSpace(const std::string& text)
{
    size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])))
        ++i;
    return i;
}

// Leading-digits conversion as atoi does it (spaces, a sign, digits, anything after ignored),
// saturating at the int range instead of overflowing.
int LeadingInt(const std::string& text)
{
    size_t i = SkipSpace(text);
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    long long value = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1) break;
    }
    if (negative) value = -value;
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

// For a number too large or too small for a double: +1 when it overflows, -1 when it underflows,
// judged from the position of its first significant digit and its exponent.
int OverflowDirection(const char* first, const char* last)
{
    long long magnitude = 0; // decimal exponent of the first significant digit, roughly
    bool seenPoint = false, seenSignificant = false;
    const char* p = first;
    for (; p != last && (IsDigit(*p) || *p == '.'); ++p) {
        if (*p == '.') {
            seenPoint = true;
        } else if (!seenSignificant) {
            if (*p != '0') {
                seenSignificant = true;
                if (seenPoint) --magnitude;
            } else if (seenPoint) {
                --magnitude;
            }
        } else if (!seenPoint) {
            ++magnitude;
        }
    }
    if (p != last && (*p == 'e' || *p == 'E')) {
        ++p;
        bool negative = false;
        if (p != last && (*p == '+' || *p == '-')) negative = *p++ == '-';
        long long exponent = 0;
        for (; p != last && IsDigit(*p); ++p)
            exponent = std::min(exponent * 10 + (*p - '0'), 1'000'000'000LL);
        magnitude += negative ? -exponent : exponent;
    }
    return magnitude >= 0 ? 1 : -1;
}

// Leading-number conversion as strtod does it for decimal text, but independent of the C
// locale: the widgets' toolkit switches LC_NUMERIC to the user's locale, where the decimal point
// may be a comma, while the field always takes a point.
double LeadingDouble(const std::string& text)
{
    size_t i = SkipSpace(text);
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    // from_chars takes a minus sign of its own; a second sign is not a number.
    if (i >= text.size() || text[i] == '+' || text[i] == '-') return 0.0;
    const char* first = text.data() + i;
    const char* last = text.data() + text.size();
    double value = 0.0;
    const auto [end, ec] = std::from_chars(first, last, value, std::chars_format::general);
    if (ec == std::errc::invalid_argument) return 0.0;
    if (ec == std::errc::result_out_of_range) value = OverflowDirection(first, end) > 0 ? HUGE_VAL : 0.0;
    return negative ? -value : value;
}

// Checks that format holds exactly one conversion, of one of the given letters, with nothing in
// it that takes a further argument ('*') or changes the argument's size ('h', 'l' and the like,
// except 'l' before a floating conversion, which printf ignores).
bool FormatTakesOne(const std::string& format, const char* conversions, bool floating)
{
    if (format.size() > 100) return false;
    int found = 0;
    for (size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%') continue;
        ++i;
        if (i < format.size() && format[i] == '%') continue;
        while (i < format.size() && std::strchr("-+ #0", format[i]) != nullptr)
            ++i;
        for (int digits = 0; i < format.size() && IsDigit(format[i]); ++i)
            if (++digits > 2) return false;
        if (i < format.size() && format[i] == '.') {
            ++i;
            for (int digits = 0; i < format.size() && IsDigit(format[i]); ++i)
                if (++digits > 2) return false;
        }
        if (floating && i < format.size() && format[i] == 'l') ++i;
        if (i >= format.size() || std::strchr(conversions, format[i]) == nullptr) return false;
        ++found;
    }
    return found == 1;
}

// printf writes the decimal point of the C locale; the field wants a point.
std::string WithDecimalPoint(std::string text)
{
    const char* point = std::localeconv()->decimal_point;
    if (point == nullptr || std::strcmp(point, ".") == 0 || *point == '\0') return text;
    const size_t at = text.find(point);
    if (at == std::string::npos) return text;
    return text.substr(0, at) + "." + text.substr(at + std::strlen(point));
}

template <typename T> std::string Printed(const char* format, T value)
{
    char buffer[kMaxWrittenLength + 1];
    const int length = std::snprintf(buffer, sizeof buffer, format, value);
    if (length < 0 || length > kMaxWrittenLength) return {};
    return buffer;
}

std::string WriteInt(const std::string& format, int value)
{
    const bool usable = format != "%s" && FormatTakesOne(format, "di", false);
    std::string text = usable ? Printed(format.c_str(), value) : std::string();
    return text.empty() ? std::to_string(value) : text;
}

std::string WriteDouble(const std::string& format, double value)
{
    const bool usable = format != "%s" && FormatTakesOne(format, "fFeEgG", true);
    std::string text = usable ? Printed(format.c_str(), value) : std::string();
    if (text.empty()) text = Printed("%g", value);
    return WithDecimalPoint(text);
}

// Keeps the characters a numeric field accepts: digits, '-' only as the very first character
// and, for decimals, the first '.'. Returns whether anything was left out.
bool Clean(const std::string& text, bool decimal, std::string& cleaned)
{
    bool changed = false, pointSeen = false;
    cleaned.clear();
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        bool keep = IsDigit(c) || (c == '-' && i == 0);
        if (decimal && c == '.' && !pointSeen) keep = pointSeen = true;
        if (!keep) {
            changed = true;
            continue;
        }
        if (cleaned.size() < kMaxCleanedLength) cleaned += c;
    }
    return changed;
}

} // namespace

std::string FilterNumericText(const std::string& text, const NumericFieldRule& rule)
{
    if (rule.mode != 1 && rule.mode != 2) return text;
    std::string result = text;
    std::string cleaned;
    const bool changed = Clean(text, rule.mode == 2, cleaned);
    if (changed) result = cleaned;

    if (rule.mode == 1) {
        // The value is read from the text as typed, before cleaning: "5-" counts as 5, "a" as 0.
        long long value = LeadingInt(text);
        if (value < rule.intMin) {
            value = rule.intMin;
            result = WriteInt(rule.format, rule.intMin);
        }
        if (value > rule.intMax) result = WriteInt(rule.format, rule.intMax);
        return result;
    }

    const double value = LeadingDouble(text);
    // An empty field, a lone sign or point and zero itself are steps on the way to a number and
    // are left for the user to finish.
    if (value == 0.0) return result;
    if (value < rule.doubleMin) result = WriteDouble(rule.format, rule.doubleMin);
    if (value > rule.doubleMax) result = WriteDouble(rule.format, rule.doubleMax);
    return result;
}
