#pragma once

#include <string>
#include <string_view>

struct AppState;

// The optional command log "cmd_log.txt" (LogFilePath): one "%Y/%m/%d %H:%M:%S = entry" line per
// call while app.commLogEnabled. A file that cannot be opened is skipped silently.
void WriteCommandLog(AppState& app, std::string_view text);
// A failure of the serial port in the system's own words: a log entry while logging is on, and a
// note for whoever shows details (rm42ctl -v).
void LogPortFailure(AppState& app, std::string_view text);
// The command log notice shown once when logging is on at start.
void ShowCommandLogNotice(AppState& app);

void SetStatusText(AppState& app, const std::string& text);
// Status line = string id; a box as well for 113, 114, 115, 119, 152 and 164.
void ReportMessage(AppState& app, int id);
// Status "* COMMAND ERROR"; box: the switch-on prompt for "DA", "* COMMAND ERROR" otherwise.
void ReportCommandError(AppState& app, std::string_view code);
void ReportRegisterError(AppState& app, std::string_view code, std::string_view address);
