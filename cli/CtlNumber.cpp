#include "CtlNumber.h"

#include <charconv>
#include <optional>

namespace {

// The shortest text that reads back as the value, with a point in any locale.
template <class T> std::string Shown(T value)
{
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

template <class T>
CLI::Option* AddNumberOption(CLI::App& app, const std::string& name, T& target, T low, T high,
                             const std::string& help, std::optional<T> (*parse)(std::string_view),
                             const char* kind)
{
    return app.add_option_function<std::string>(
        name,
        [name, &target, low, high, parse, kind](const std::string& text) {
            const std::optional<T> value = parse(text);
            if (!value) throw CLI::ValidationError(name, "'" + text + "' is not " + kind);
            if (!(*value >= low && *value <= high))
                throw CLI::ValidationError(name, text + " is outside " + Shown(low) + " to " + Shown(high));
            target = *value;
        },
        help);
}

} // namespace

CLI::Option* AddDecimalOption(CLI::App& app, const std::string& name, double& target, double low, double high,
                              const std::string& help)
{
    return AddNumberOption(app, name, target, low, high, help, &ParseDecimalText, "a decimal number");
}

CLI::Option* AddIntegerOption(CLI::App& app, const std::string& name, int& target, int low, int high,
                              const std::string& help)
{
    return AddNumberOption(app, name, target, low, high, help, &ParseIntegerText, "a whole number");
}
