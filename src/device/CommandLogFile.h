#pragma once

#include <string>
#include <string_view>

// The platform's part of the command log (CommandLogPosix.cpp, CommandLogWin32.cpp).

enum class LogAppend {
    Written,   // every byte is at the end of the file
    NotOpened, // the file could not be opened or made: the entry is skipped
    Failed,    // opened, but the write or the close failed
};

// Appends bytes to the file at path (UTF-8), making it when missing.
LogAppend AppendToLogFile(const std::string& path, std::string_view bytes);
