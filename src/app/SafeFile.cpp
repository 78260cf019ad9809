#include "app/SafeFile.h"

#include "app/Cp932.h"

bool WriteCp932File(const std::string& path, std::string_view utf8Text)
{
    return WriteFileAtomically(path, Utf8ToCp932(utf8Text));
}
