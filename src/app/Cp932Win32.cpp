// CP932 conversion through the system's code page 932 (Windows).
#include "app/Cp932.h"
#include "app/Utf8Chars.h"

#include <windows.h>

namespace {

constexpr UINT kCodePage = 932;
constexpr std::string_view kReplacementUtf8 = "\xEF\xBF\xBD"; // U+FFFD

bool IsLeadByte(unsigned char c)
{
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

bool IsTrailByte(unsigned char c)
{
    return c >= 0x40 && c <= 0xFC && c != 0x7F;
}

// The bytes of one CP932 character at the start of p, or 0 for a byte that starts none. The
// single bytes 0x80, 0xA0 and 0xFD..0xFF are not characters of the code, whatever the system's
// table makes of them.
std::size_t Cp932CharLength(const unsigned char* p, std::size_t left)
{
    if (p[0] < 0x80 || (p[0] >= 0xA1 && p[0] <= 0xDF)) return 1;
    if (IsLeadByte(p[0]) && left >= 2 && IsTrailByte(p[1])) return 2;
    return 0;
}

// Converts text (whole CP932 characters) to UTF-8; false when the system does not know one
// of them.
bool AppendCp932Run(std::string_view run, std::string& out)
{
    if (run.empty()) return true;
    const int size = static_cast<int>(run.size());
    const int n = MultiByteToWideChar(kCodePage, MB_ERR_INVALID_CHARS, run.data(), size, nullptr, 0);
    if (n <= 0) return false;
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(kCodePage, MB_ERR_INVALID_CHARS, run.data(), size, wide.data(), n);
    const int u = WideCharToMultiByte(CP_UTF8, 0, wide.data(), n, nullptr, 0, nullptr, nullptr);
    if (u <= 0) return false;
    const std::size_t at = out.size();
    out.resize(at + static_cast<std::size_t>(u));
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), n, out.data() + at, u, nullptr, nullptr);
    return true;
}

// One UTF-8 character (as Utf8CharLength cuts it) to CP932, or '?' when it is broken or the
// code has no such character. No best-fit: a character is never replaced by a look-alike.
void AppendUtf8Char(std::string_view utf8Char, std::string& out)
{
    wchar_t wide[2];
    const int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8Char.data(),
                                      static_cast<int>(utf8Char.size()), wide, 2);
    if (n <= 0) {
        out += '?';
        return;
    }
    char bytes[8];
    BOOL usedDefault = FALSE;
    const int m =
        WideCharToMultiByte(kCodePage, WC_NO_BEST_FIT_CHARS, wide, n, bytes, sizeof bytes, "?", &usedDefault);
    if (m <= 0 || usedDefault) {
        out += '?';
        return;
    }
    out.append(bytes, static_cast<std::size_t>(m));
}

} // namespace

std::string Cp932ToUtf8(std::string_view cp932)
{
    std::string out;
    out.reserve(cp932.size() * 3 / 2 + 16);
    const auto* bytes = reinterpret_cast<const unsigned char*>(cp932.data());
    std::size_t runStart = 0;
    std::size_t i = 0;
    // Whole characters are collected into runs and converted together; a byte that starts no
    // character, or a run the system refuses, is replaced one byte at a time so that a broken
    // lead byte never swallows the ASCII byte that follows it.
    auto flush = [&](std::size_t end) {
        const std::string_view run = cp932.substr(runStart, end - runStart);
        if (AppendCp932Run(run, out)) return;
        for (std::size_t k = 0; k < run.size();) {
            const std::size_t n = Cp932CharLength(bytes + runStart + k, run.size() - k);
            if (AppendCp932Run(run.substr(k, n), out)) {
                k += n;
            } else {
                out.append(kReplacementUtf8);
                k += 1;
            }
        }
    };
    while (i < cp932.size()) {
        const std::size_t n = Cp932CharLength(bytes + i, cp932.size() - i);
        if (n > 0) {
            i += n;
            continue;
        }
        flush(i);
        out.append(kReplacementUtf8);
        runStart = ++i;
    }
    flush(i);
    return out;
}

std::string Utf8ToCp932(std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        if (static_cast<unsigned char>(utf8[i]) < 0x80) {
            out += utf8[i++];
            continue;
        }
        const std::size_t n = Utf8CharLength(utf8.data() + i, utf8.size() - i);
        AppendUtf8Char(utf8.substr(i, n), out);
        i += n;
    }
    return out;
}
