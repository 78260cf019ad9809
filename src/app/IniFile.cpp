#include "app/IniFile.h"

#include "app/Cp932.h"
#include "app/SafeFile.h"
#include "app/Utf8Chars.h"
#include "app/Utf8Path.h"

#include <climits>
#include <cstdio>
#include <optional>
#include <vector>

namespace IniFile {
namespace {

// The file is parsed as raw CP932 bytes so that a write can keep every byte it does not
// change. '=', ';', blanks and line ends never occur inside a double-byte character; ']'
// can (as a trail byte), so the section-name scan steps over double-byte characters.

bool IsLeadByte(unsigned char c)
{
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::string_view TrimBlanks(std::string_view s)
{
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

char AsciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Both sides are UTF-8, where every byte of a multi-byte character is >= 0x80, so folding the
// ASCII letters alone is safe.
bool EqualNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
    }
    return true;
}

struct Line {
    std::size_t begin = 0; // first byte
    std::size_t end = 0;   // end of the text, before "\r\n" or "\n" (or a CR ending the file)
    std::size_t next = 0;  // first byte of the next line
    bool ended = false;    // a "\n" ends the line (the file's last line may lack it)
    bool isSection = false;
    std::string name; // section or key name in UTF-8, when the line has one
    bool isKey = false;
    std::size_t valueBegin = 0; // first byte after '='
};

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// An editor that saves as UTF-8 puts a byte-order mark first; the file's text is then UTF-8.
bool IsUtf8Text(std::string_view text)
{
    return text.starts_with(kUtf8Bom);
}

// Names and values as UTF-8: converted from CP932, or as they are in a UTF-8 file.
std::string ToUtf8(std::string_view s, bool utf8)
{
    return utf8 ? std::string(s) : Cp932ToUtf8(s);
}

std::string FromUtf8(std::string_view s, bool utf8)
{
    return utf8 ? std::string(s) : Utf8ToCp932(s);
}

std::vector<Line> SplitLines(const std::string& text)
{
    std::vector<Line> lines;
    const bool utf8 = IsUtf8Text(text);
    // The mark is no part of the first line, which may be a section header.
    std::size_t pos = utf8 ? kUtf8Bom.size() : 0;
    while (pos < text.size()) {
        Line line;
        line.begin = pos;
        std::size_t nl = text.find('\n', pos);
        if (nl == std::string::npos) {
            // A CR ending the file ends the line too: the same line reads the same once a
            // line end has been written after it.
            line.end = (text.back() == '\r') ? text.size() - 1 : text.size();
            line.next = text.size();
        } else {
            line.ended = true;
            line.end = (nl > pos && text[nl - 1] == '\r') ? nl - 1 : nl;
            line.next = nl + 1;
        }
        std::string_view content = TrimBlanks(std::string_view(text).substr(pos, line.end - pos));
        if (!content.empty() && content.front() == '[') {
            std::size_t i = 1;
            while (i < content.size() && content[i] != ']') {
                i += (IsLeadByte(static_cast<unsigned char>(content[i])) && i + 1 < content.size()) ? 2 : 1;
            }
            line.isSection = true;
            line.name = ToUtf8(TrimBlanks(content.substr(1, std::min(i, content.size()) - 1)), utf8);
        } else if (!content.empty() && content.front() != ';') {
            std::size_t eq = content.find('=');
            if (eq != std::string_view::npos) {
                line.isKey = true;
                line.name = ToUtf8(TrimBlanks(content.substr(0, eq)), utf8);
                line.valueBegin = static_cast<std::size_t>(content.data() - text.data()) + eq + 1;
            }
        }
        lines.push_back(std::move(line));
        pos = lines.back().next;
    }
    return lines;
}

// Index of the first line of the first section called section, or lines.size().
std::size_t FindSection(const std::vector<Line>& lines, std::string_view section)
{
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].isSection && EqualNoCase(lines[i].name, section)) return i;
    }
    return lines.size();
}

// Index of the first key line called key in the section whose header is at sectionIndex, or
// the index of the next section header (or lines.size()) when there is none.
std::size_t FindKey(const std::vector<Line>& lines, std::size_t sectionIndex, std::string_view key,
                    bool& found)
{
    found = false;
    std::size_t i = sectionIndex + 1;
    for (; i < lines.size() && !lines[i].isSection; ++i) {
        if (lines[i].isKey && EqualNoCase(lines[i].name, key)) {
            found = true;
            return i;
        }
    }
    return i;
}

// At most limit bytes of CP932 text, never ending inside a double-byte character.
std::string_view CutCp932(std::string_view s, std::size_t limit)
{
    if (s.size() <= limit) return s;
    std::size_t i = 0;
    while (i < limit) {
        std::size_t n = (IsLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size()) ? 2 : 1;
        if (i + n > limit) break;
        i += n;
    }
    return s.substr(0, i);
}

// Whole UTF-8 characters only, each as long as its lead byte says.
bool IsWholeUtf8(std::string_view s)
{
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        const std::size_t want = c < 0x80                   ? 1
                                 : (c >= 0xC2 && c <= 0xDF) ? 2
                                 : (c >= 0xE0 && c <= 0xEF) ? 3
                                 : (c >= 0xF0 && c <= 0xF4) ? 4
                                                            : 0;
        if (want == 0 || Utf8CharLength(s.data() + i, s.size() - i) != want) return false;
        i += want;
    }
    return true;
}

std::string_view CutUtf8(std::string_view s, std::size_t limit)
{
    std::size_t i = 0;
    while (i < s.size()) {
        const std::size_t n = Utf8CharLength(s.data() + i, s.size() - i);
        if (i + n > limit) break;
        i += n;
    }
    return s.substr(0, i);
}

bool HasLineBreak(std::string_view s)
{
    return s.find_first_of("\r\n") != std::string_view::npos;
}

} // namespace

std::string GetString(const std::string& path, std::string_view section, std::string_view key,
                      std::string_view defaultValue, std::size_t bufferSize)
{
    std::optional<std::string> text = ReadWholeFile(path);
    if (!text) return std::string(defaultValue);
    std::vector<Line> lines = SplitLines(*text);
    std::size_t s = FindSection(lines, section);
    if (s == lines.size()) return std::string(defaultValue);
    bool found = false;
    std::size_t k = FindKey(lines, s, key, found);
    if (!found) return std::string(defaultValue);

    const Line& line = lines[k];
    std::string_view value =
        TrimBlanks(std::string_view(*text).substr(line.valueBegin, line.end - line.valueBegin));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    if (bufferSize == 0) return std::string();
    // A value that is no UTF-8 after all (a mark put before CP932 text) is read as CP932.
    if (IsUtf8Text(*text) && IsWholeUtf8(value)) return std::string(CutUtf8(value, bufferSize - 1));
    return Cp932ToUtf8(CutCp932(value, bufferSize - 1));
}

bool HasSection(const std::string& path, std::string_view section)
{
    std::optional<std::string> text = ReadWholeFile(path);
    if (!text) return false;
    const std::vector<Line> lines = SplitLines(*text);
    return FindSection(lines, section) != lines.size();
}

bool WriteString(const std::string& path, std::string_view section, std::string_view key,
                 std::string_view value)
{
    // Names and values that would break the line structure cannot be stored.
    if (section.empty() || key.empty() || HasLineBreak(section) || HasLineBreak(key) || HasLineBreak(value) ||
        section.find(']') != std::string_view::npos || key.find('=') != std::string_view::npos ||
        TrimBlanks(key) != key || TrimBlanks(section) != section || key.front() == '[' ||
        key.front() == ';') {
        return false;
    }

    std::string text;
    std::error_code ec;
    const auto status = std::filesystem::status(PathFromUtf8(path), ec);
    if (status.type() != std::filesystem::file_type::not_found) {
        if (ec) return false; // cannot be looked at: not the same as missing
        std::optional<std::string> read = ReadWholeFile(path);
        if (!read) return false;
        text = std::move(*read);
    }

    // New lines follow the file's own line ends; a new file gets the CRLF of the format's home.
    std::string eol = "\r\n";
    std::size_t firstNl = text.find('\n');
    if (firstNl != std::string::npos && (firstNl == 0 || text[firstNl - 1] != '\r')) eol = "\n";

    // A UTF-8 file stays UTF-8.
    const bool utf8 = IsUtf8Text(text);
    const std::string cpValue = FromUtf8(value, utf8);
    const std::string keyLine = FromUtf8(key, utf8) + "=" + cpValue;
    std::vector<Line> lines = SplitLines(text);
    std::size_t s = FindSection(lines, section);
    if (s == lines.size()) {
        if (!text.empty() && text.back() != '\n') text += text.back() == '\r' ? "\n" : eol;
        text += "[" + FromUtf8(section, utf8) + "]" + eol + keyLine + eol;
        return WriteFileAtomically(path, text);
    }

    bool found = false;
    std::size_t k = FindKey(lines, s, key, found);
    if (found) {
        // Keep the key as spelt and the blanks after '='; replace the rest of the line.
        const Line& line = lines[k];
        std::size_t from = line.valueBegin;
        while (from < line.end && IsBlank(text[from]))
            ++from;
        text.replace(from, line.end - from, cpValue);
        return WriteFileAtomically(path, text);
    }

    // After the last non-blank line of the section (at least its header).
    std::size_t last = s;
    for (std::size_t i = s + 1; i < k; ++i) {
        if (!TrimBlanks(std::string_view(text).substr(lines[i].begin, lines[i].end - lines[i].begin))
                 .empty()) {
            last = i;
        }
    }
    const Line& after = lines[last];
    if (!after.ended) {
        // The last line of the file without a line end.
        text.insert(after.next, (text.back() == '\r' ? "\n" : eol) + keyLine + eol);
    } else {
        text.insert(after.next, keyLine + eol);
    }
    return WriteFileAtomically(path, text);
}

int ToInt(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // A long run of digits saturates instead of overflowing.
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > static_cast<long long>(INT_MAX) + 1) value = static_cast<long long>(INT_MAX) + 1;
    }
    if (negative) return static_cast<int>(-value);
    return value > INT_MAX ? INT_MAX : static_cast<int>(value);
}

} // namespace IniFile
