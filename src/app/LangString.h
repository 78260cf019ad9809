#pragma once

#include <string>

struct AppState;

// The string table of both languages: Japanese ids 101..262, English ids 2101..2262.
// Returns the raw text of one id; empty when the table has no such id.
std::string LoadTableString(int id);
bool HasTableString(int id);

// String id in the current language (id + 2000 in English). Id 165, the application's name,
// becomes [System] WindowTitle when that is set.
std::string LoadLangString(const AppState& app, int id);
