#include "app/NumericFilter.h"

#include "app/NumberText.h"

#include <clocale>
#include <cstdio>
#include <cstring>

namespace {

constexpr size_t kMaxCleanedLength = 29;
// A limit written back is a handful of characters; anything longer comes from a format with an
// absurd width and is not worth putting into a field.
constexpr int kMaxWrittenLength = 64;

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
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
