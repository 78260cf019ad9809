#include "app/NumberText.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <climits>
#include <cmath>
#include <system_error>

namespace {

constexpr int kMaxDecimals = 100;

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

std::size_t SkipSpace(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i])))
        ++i;
    return i;
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

} // namespace

LeadingNumber ReadLeadingNumber(std::string_view text)
{
    std::size_t i = SkipSpace(text);
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    // from_chars takes a minus sign of its own; a second sign is not a number.
    if (i >= text.size() || text[i] == '+' || text[i] == '-') return {};
    const char* first = text.data() + i;
    const char* last = text.data() + text.size();
    double value = 0.0;
    const auto [end, ec] = std::from_chars(first, last, value, std::chars_format::general);
    if (ec == std::errc::invalid_argument) return {};
    if (ec == std::errc::result_out_of_range) value = OverflowDirection(first, end) > 0 ? HUGE_VAL : 0.0;
    return {negative ? -value : value, static_cast<std::size_t>(end - text.data())};
}

double LeadingDouble(std::string_view text)
{
    return ReadLeadingNumber(text).value;
}

int LeadingInt(std::string_view text)
{
    std::size_t i = SkipSpace(text);
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    long long value = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1) break;
    }
    if (negative) value = -value;
    return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

std::string FixedText(double value, int decimals, int width)
{
    // The largest double has 309 digits before the point.
    std::array<char, 320 + kMaxDecimals> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                      std::chars_format::fixed, std::clamp(decimals, 0, kMaxDecimals));
    std::string text(buffer.data(), result.ec == std::errc() ? result.ptr : buffer.data());
    if (width > 0 && text.size() < static_cast<std::size_t>(width))
        text.insert(0, static_cast<std::size_t>(width) - text.size(), ' ');
    return text;
}

namespace {

// The characters a numeric field keeps: digits, a leading minus and (when allowed) one point.
bool IsFieldText(std::string_view text, bool allowPoint)
{
    bool digit = false;
    bool point = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c >= '0' && c <= '9') {
            digit = true;
        } else if (c == '-' && i == 0) {
        } else if (c == '.' && allowPoint && !point) {
            point = true;
        } else {
            return false;
        }
    }
    return digit;
}

} // namespace

std::optional<double> ParseDecimalText(std::string_view text)
{
    if (!IsFieldText(text, true)) return std::nullopt;
    double value = 0.0;
    const auto [end, error] =
        std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

std::optional<int> ParseIntegerText(std::string_view text)
{
    if (!IsFieldText(text, false)) return std::nullopt;
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}
