#pragma once

#include <string>
#include <string_view>

// UTF-8 <-> UTF-16 for the wide-character Windows calls. Bytes that are not UTF-8 become U+FFFD.
std::wstring WideFromUtf8(std::string_view utf8);
std::string Utf8FromWide(std::wstring_view wide);

// The system's text for an error code (GetLastError), UTF-8, without the trailing line end;
// "error N" when the system has none.
std::string Win32ErrorText(unsigned long code);
