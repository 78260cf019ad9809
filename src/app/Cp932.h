#pragma once

#include <string>
#include <string_view>

// Conversion between the CP932 (Shift_JIS) text of the program's files and the UTF-8 text
// the program works with. Bytes that do not convert become U+FFFD (reading) or '?' (writing);
// neither direction ever fails.
std::string Cp932ToUtf8(std::string_view cp932);
std::string Utf8ToCp932(std::string_view utf8);
