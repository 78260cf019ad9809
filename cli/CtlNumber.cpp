#include "CtlNumber.h"

#include <charconv>

namespace {

// The shortest text that reads back as the value, with a point in any locale.
std::string Shown(double value)
{
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

} // namespace

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
