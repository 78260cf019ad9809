#include "app/IniNumber.h"

#include "app/AppState.h"
#include "app/IniFile.h"
#include "app/LangString.h"
#include "app/UserInterface.h"
#include "resources/StringIds.h"

#include <iterator>

namespace {

// The most record slots a memory layout can have (see kMaxRecordSlots).
constexpr int64_t kMaxSlots = 0xFFFF - 0x42 + 1;

// The waits and time-outs are kept short enough that a typing error cannot freeze the program
// for longer than a user would wait anyway.
constexpr IniNumberKey kKeys[] = {
    {"ComPort", "Bps", 9600, 50, 4000000},
    {"ComPort", "DataBits", 8, 5, 8},
    {"ComPort", "Parity", 0, 0, 4},
    {"ComPort", "StopBit", 1, 0, 2},
    {"ComPort", "ReceiveTimeOut", 30000, 0, 600000},
    {"ComPort", "SendTimeOut", 30000, 0, 600000},
    {"ComPort", "CommandWait1", 40, 0, 10000},
    {"ComPort", "CommandWait2", 500, 0, 10000},
    {"Capture", "X_MaxStart", 30, 1, 86400},
    {"MemSet", "DataMax_TEMP", 150, 1, kMaxSlots},
    {"MemSet", "DataMax_TEMP_TM", 35, 1, kMaxSlots},
    {"MemSet", "DataMax_TEMP_TM_ADD1", 30, 1, kMaxSlots},
    {"MemSet", "DataMax_TEMP_TM_ADD2", 25, 1, kMaxSlots},
    {"MemSet", "DataMax_TEMP_TM_ADD3", 20, 1, kMaxSlots},
    {"MemSet", "DataMax_TEMP_TM_ADD4", 20, 1, kMaxSlots},
    {"MemSet", "DataMax_TEMP_ADD1", 90, 1, kMaxSlots},
    {"MemSet", "DataMax_TEMP_ADD2", 60, 1, kMaxSlots},
    {"MemSet", "DataMax_TEMP_ADD3", 45, 1, kMaxSlots},
    {"MemSet", "DataMax_TEMP_ADD4", 35, 1, kMaxSlots},
    {"Teaching", "ReloadWaitTime", 30, 0, 65535},
};

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

} // namespace

std::span<const IniNumberKey> IniNumberKeys()
{
    return kKeys;
}

const IniNumberKey* FindIniNumberKey(std::string_view section, std::string_view key)
{
    for (const IniNumberKey& row : kKeys) {
        if (section == row.section && key == row.key) return &row;
    }
    return nullptr;
}

std::optional<int64_t> ParseIniNumber(std::string_view text, const IniNumberKey& row)
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    // Eighteen digits cannot overflow; more are out of every range anyway.
    if (text.empty() || text.size() > 18) return std::nullopt;
    int64_t value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (negative) value = -value;
    if (value < row.min || value > row.max) return std::nullopt;
    return value;
}

int64_t ReadIniNumber(AppState& app, std::string_view section, std::string_view key)
{
    return ReadIniNumber(app, app.iniPath, section, key);
}

int64_t ReadIniNumber(AppState& app, const std::string& iniPath, std::string_view section,
                      std::string_view key)
{
    const IniNumberKey* row = FindIniNumberKey(section, key);
    if (row == nullptr) return 0; // a key the table does not know is a fault of the caller
    // A marker no INI value can hold tells a missing key from an empty one.
    constexpr std::string_view kMissing = "\n";
    const std::string text = IniFile::GetString(iniPath, section, key, kMissing, IniFile::kComPortBuffer);
    if (text == kMissing) return row->defaultValue;
    if (const std::optional<int64_t> value = ParseIniNumber(text, *row)) return *value;
    ReportIniProblem(app, std::string(section) + "\n" + std::string(key) + "\n" + text,
                     FormatLangString(app, StringId::BadNumber,
                                      {std::string(section), std::string(key), text, std::to_string(row->min),
                                       std::to_string(row->max), std::to_string(row->defaultValue)}));
    return row->defaultValue;
}

void ReportIniProblem(AppState& app, const std::string& onceKey, const std::string& text)
{
    if (!app.reportedIniProblems.insert(onceKey).second) return;
    if (app.ui == nullptr) return;
    app.ui->MessageBox(text, LoadLangString(app, StringId::AppName), MsgIcon::Exclamation, MsgButtons::Ok,
                       MsgAnswer::Ok);
}

void ReportFileNotWritten(AppState& app, const std::string& path)
{
    if (app.ui == nullptr) return;
    app.ui->NoteFile(path);
    app.ui->MessageBox(LoadLangString(app, StringId::FileError), LoadLangString(app, StringId::AppName),
                       MsgIcon::Exclamation, MsgButtons::Ok, MsgAnswer::Ok);
}

void ReportFileNotRead(AppState& app, const std::string& path)
{
    if (app.ui == nullptr) return;
    app.ui->MessageBox(FormatLangString(app, StringId::FileNotRead, {path}),
                       LoadLangString(app, StringId::AppName), MsgIcon::Exclamation, MsgButtons::Ok,
                       MsgAnswer::Ok);
}
