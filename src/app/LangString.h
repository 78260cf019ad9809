#pragma once

#include <initializer_list>
#include <string>

struct AppState;

// The string table of both languages: Japanese ids 101..446, English ids 2101..2446.
// Returns the raw text of one id; empty when the table has no such id.
std::string LoadTableString(int id);

// String id in the current language (id + 2000 in English). Id 165, the application's name,
// becomes [System] WindowTitle when that is set.
std::string LoadLangString(const AppState& app, int id);

// LoadLangString with its placeholders ("%s" or "%d") filled in order by args; a text with
// fewer placeholders leaves the remaining args out, and an arg never becomes a placeholder.
std::string FormatLangString(const AppState& app, int id, std::initializer_list<std::string> args);
