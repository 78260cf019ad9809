#include "CtlNumber.h"

#include <charconv>
#include <cstdio>

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

std::string Shown(double value)
{
    char text[64];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
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

CLI::Option* AddDecimalOption(CLI::App& app, const std::string& name, double& target, double low, double high,
                              const std::string& help)
{
    return app.add_option_function<std::string>(
        name,
        [name, &target, low, high](const std::string& text) {
            const std::optional<double> value = ParseDecimalText(text);
            if (!value) throw CLI::ValidationError(name, "'" + text + "' is not a decimal number");
            if (!(*value >= low && *value <= high))
                throw CLI::ValidationError(name, text + " is outside " + Shown(low) + " to " + Shown(high));
            target = *value;
        },
        help);
}

CLI::Option* AddIntegerOption(CLI::App& app, const std::string& name, int& target, int low, int high,
                              const std::string& help)
{
    return app.add_option_function<std::string>(
        name,
        [name, &target, low, high](const std::string& text) {
            const std::optional<int> value = ParseIntegerText(text);
            if (!value) throw CLI::ValidationError(name, "'" + text + "' is not a whole number");
            if (*value < low || *value > high)
                throw CLI::ValidationError(name, text + " is outside " + std::to_string(low) + " to " +
                                                     std::to_string(high));
            target = *value;
        },
        help);
}
