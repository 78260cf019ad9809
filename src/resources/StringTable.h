#pragma once

#include <vector>

// The program's string table. Every visible text is stored twice: the Japanese text under
// its id N (101..446) and the English text under N + kEnglishIdOffset (2101..2446). Texts are
// UTF-8; ids that the program never loads are absent in both languages.

constexpr int kEnglishIdOffset = 2000;
constexpr int kFirstStringId = 101;
constexpr int kLastStringId = 446; // 263.. are the program's own additions

struct StringEntry {
    int id;
    const char* text;
};

// The UTF-8 text of one id (Japanese or English range), or nullptr when the table has no such
// id. The pointer refers to static storage. Any thread may call it.
const char* FindTableString(int id);

// Every entry of both languages, sorted by id: the Japanese range first, then the English one.
std::vector<StringEntry> AllTableStrings();
