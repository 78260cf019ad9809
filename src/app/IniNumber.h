#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

struct AppState;

// Every whole number the program reads from its INI file, with the value used when the key is
// missing and the values it accepts. A value that is no number or lies outside the range is
// never used: the key's default takes its place, and the user is told once which key holds
// which value.
struct IniNumberKey {
    const char* section;
    const char* key;
    int64_t defaultValue;
    int64_t min;
    int64_t max;
};

std::span<const IniNumberKey> IniNumberKeys();
// The table's row for section and key (exact spelling), or nullptr.
const IniNumberKey* FindIniNumberKey(std::string_view section, std::string_view key);

// The value of text when it is a decimal whole number (blanks around it, an optional sign)
// within the row's range; nothing otherwise.
std::optional<int64_t> ParseIniNumber(std::string_view text, const IniNumberKey& row);

// Reads the key through its row: missing gives the default; a bad value is reported (once per
// key and value in the process, through app.ui) and gives the default too.
int64_t ReadIniNumber(AppState& app, std::string_view section, std::string_view key);
// The same for an INI file other than app.iniPath (the program's own settings file).
int64_t ReadIniNumber(AppState& app, const std::string& iniPath, std::string_view section,
                      std::string_view key);

// Tells the user about a problem in the INI file once per process: the same key text is not
// told again. Through app.ui when there is one; the box carries the program's name.
void ReportIniProblem(AppState& app, const std::string& onceKey, const std::string& text);

// A data file beside the program (template, list) that could not be read: a box that names it.
void ReportFileNotRead(AppState& app, const std::string& path);
// A file the user chose that could not be written: the user interface notes the path, and a box
// says so.
void ReportFileNotWritten(AppState& app, const std::string& path);
