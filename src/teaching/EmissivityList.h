#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

struct AppState;

// One row of the emissivity reference list.
struct EmissivityEntry {
    std::string name; // CP932 bytes as in the file, at most kEmissivityNameBytes
    double value = 0.0;
};

constexpr std::size_t kEmissivityCapacity = 50;  // entries read from a file; further lines are ignored
constexpr std::size_t kEmissivityNameBytes = 55; // longer names are cut on a character boundary

// "emissivity_list.csv" beside the program, "emissivity_list(ENG).csv" in English.
std::string EmissivityListPath(const AppState& app);

// The entries of the file's first 50 lines, in file order. A line is the material name up to
// the first comma and the decimal number after it (trailing text ignored, no number is 0.0);
// a line without a comma, a blank one too, is an entry with an empty name and 0.0.
std::vector<EmissivityEntry> ParseEmissivityList(std::string_view cp932Text);

// The list order: value descending, equal values by name in ascending CP932 byte order.
bool CompareEntries(const EmissivityEntry& a, const EmissivityEntry& b);

// Reads, parses and sorts the file. When it cannot be read: a box that names the file, an
// empty list and false.
bool LoadEmissivityList(AppState& app, const std::string& path, std::vector<EmissivityEntry>& entries);

// Rows with a name and a value the thermometer does not accept (below 0.30, above 1.20) are
// marked red on grey.
bool IsMarkedEntry(const EmissivityEntry& entry);

// The three column texts of row index (0-based), UTF-8.
std::string EmissivityRowNumberText(std::size_t index);           // "%3d" of index + 1
std::string EmissivityRowNameText(const EmissivityEntry& entry);  // eleven blanks and the name
std::string EmissivityRowValueText(const EmissivityEntry& entry); // "%.2f"
