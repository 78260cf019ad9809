#include "app/SafeFile.h"

#include "app/Cp932.h"
#include "app/Utf8Path.h"

#include <fstream>
#include <iterator>

bool WriteCp932File(const std::string& path, std::string_view utf8Text)
{
    return WriteFileAtomically(path, Utf8ToCp932(utf8Text));
}

std::optional<std::string> ReadWholeFile(const std::string& path)
{
    if (!IsRegularFileUtf8(path)) return std::nullopt;
    std::ifstream in(PathFromUtf8(path), std::ios::binary);
    if (!in) return std::nullopt;
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) return std::nullopt;
    return bytes;
}
