#include "teaching/EmissivityList.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "app/AppPaths.h"
#include "app/AppState.h"
#include "app/Cp932.h"
#include "app/IniNumber.h"
#include "app/LangString.h"
#include "app/NumberText.h"
#include "app/UserInterface.h"
#include "app/Utf8Path.h"
#include "teaching/TeachingOperations.h"

namespace {

bool IsCp932LeadByte(unsigned char c)
{
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// At most limit bytes, never half of a two-byte character.
std::string CutCp932(std::string_view text, std::size_t limit)
{
    std::size_t end = 0;
    while (end < text.size()) {
        const std::size_t width = IsCp932LeadByte(static_cast<unsigned char>(text[end])) ? 2 : 1;
        if (end + width > limit) break;
        end += width;
    }
    return std::string(text.substr(0, std::min(end, text.size())));
}

EmissivityEntry ParseLine(std::string_view line)
{
    EmissivityEntry entry;
    const std::size_t comma = line.find(',');
    if (comma == std::string_view::npos) return entry;
    entry.name = CutCp932(line.substr(0, comma), kEmissivityNameBytes);
    entry.value = LeadingDouble(line.substr(comma + 1));
    // "nan" would break the sort's order; it is no emissivity either.
    if (std::isnan(entry.value)) entry.value = 0.0;
    return entry;
}

} // namespace

std::string EmissivityListPath(const AppState& app)
{
    return DataFilePath(app, app.language == 1 ? "emissivity_list(ENG).csv" : "emissivity_list.csv");
}

std::vector<EmissivityEntry> ParseEmissivityList(std::string_view cp932Text)
{
    std::vector<EmissivityEntry> entries;
    std::size_t at = 0;
    while (at < cp932Text.size() && entries.size() < kEmissivityCapacity) {
        std::size_t end = cp932Text.find('\n', at);
        if (end == std::string_view::npos) end = cp932Text.size();
        std::string_view line = cp932Text.substr(at, end - at);
        if (line.ends_with('\r')) line.remove_suffix(1);
        entries.push_back(ParseLine(line));
        at = end + 1;
    }
    return entries;
}

bool CompareEntries(const EmissivityEntry& a, const EmissivityEntry& b)
{
    if (a.value != b.value) return a.value > b.value;
    // std::string compares bytes as unsigned char: the code page's order.
    return a.name < b.name;
}

bool LoadEmissivityList(AppState& app, const std::string& path, std::vector<EmissivityEntry>& entries)
{
    entries.clear();
    std::error_code error;
    std::ifstream file;
    if (!std::filesystem::is_directory(PathFromUtf8(path), error))
        file.open(PathFromUtf8(path), std::ios::binary);
    if (!file.is_open()) {
        ReportFileNotRead(app, path);
        return false;
    }
    // Fifty lines of a reference list are a few kilobytes; a stray huge file is not read whole.
    constexpr std::size_t kReadLimit = 1 << 20;
    std::string text(kReadLimit, '\0');
    file.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(file.gcount()));

    entries = ParseEmissivityList(text);
    std::stable_sort(entries.begin(), entries.end(), CompareEntries);
    return true;
}

bool IsMarkedEntry(const EmissivityEntry& entry)
{
    return !entry.name.empty() && (entry.value < kEmissivityMin || entry.value > kEmissivityMax);
}

std::string EmissivityRowNumberText(std::size_t index)
{
    char text[24];
    std::snprintf(text, sizeof text, "%3zu", index + 1);
    return text;
}

std::string EmissivityRowNameText(const EmissivityEntry& entry)
{
    return "           " + Cp932ToUtf8(entry.name);
}

std::string EmissivityRowValueText(const EmissivityEntry& entry)
{
    return FixedText(entry.value, 2);
}
