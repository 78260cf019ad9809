#pragma once

#include <string>
#include <string_view>

#include <CLI/CLI.hpp>

#include "app/NumberText.h"

// Numbers on the command line are taken as the program's numeric fields take them
// (ParseDecimalText, ParseIntegerText).

// An option (or positional, name without dashes) holding such a number within [low, high]. The
// text is converted once, here; the value goes to target and a text that is not one, or out of
// range, is a command-line error.
CLI::Option* AddDecimalOption(CLI::App& app, const std::string& name, double& target, double low, double high,
                              const std::string& help);
CLI::Option* AddIntegerOption(CLI::App& app, const std::string& name, int& target, int low, int high,
                              const std::string& help);
