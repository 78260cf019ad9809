#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Private-profile (INI) files as the program has always used them. Files are CP932 on disk
// and UTF-8 here; a file that starts with a UTF-8 byte-order mark (as an editor saves it) is
// UTF-8 on disk too: the mark is skipped, its text taken and written as UTF-8.
//
// Reading: section and key names match case-insensitively; the first matching section and
// the first matching key in it win; the value is the text after the first '=', blanks around
// it trimmed and one pair of matching surrounding quotes (' or ") removed. Lines starting
// with ';' are comments. A missing file, section or key yields defaultValue. bufferSize is the
// caller's buffer including its terminator: at most bufferSize - 1 bytes of the CP932 text
// are returned, cut at a character boundary. Each call reads the file once.
//
// Writing: an existing key's value is replaced in place and every other byte of the file is
// kept; a missing key is appended to its section, a missing section to the end of the file;
// a missing file is created. The new contents go to a temporary file renamed over the old one.
namespace IniFile {

constexpr std::size_t kValueBuffer = 255;   // most keys
constexpr std::size_t kComPortBuffer = 260; // [ComPort] keys

std::string GetString(const std::string& path, std::string_view section, std::string_view key,
                      std::string_view defaultValue, std::size_t bufferSize = kValueBuffer);

// Whether the file has a section of that name.
bool HasSection(const std::string& path, std::string_view section);

// False when the file cannot be written (the original is then untouched).
bool WriteString(const std::string& path, std::string_view section, std::string_view key,
                 std::string_view value);

// Decimal text-to-integer conversion as the program's settings use it: leading blanks, an
// optional sign, then digits up to the first other character; no digits gives 0.
int ToInt(std::string_view text);

} // namespace IniFile
