#pragma once

#include <filesystem>
#include <string>
#include <string_view>

// The program keeps every path as UTF-8 text; the file system wants its own form (wide
// characters on Windows). Streams and std::filesystem calls get their paths from here, so a
// folder with Japanese letters in its name works on every platform.
inline std::filesystem::path PathFromUtf8(std::string_view utf8)
{
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

// True when the path names an existing regular file (a link to one counts).
inline bool IsRegularFileUtf8(std::string_view utf8)
{
    std::error_code ec;
    return std::filesystem::is_regular_file(PathFromUtf8(utf8), ec);
}
