#include "device/CommandLogFile.h"

#include <cstdio>

LogAppend AppendToLogFile(const std::string& path, std::string_view bytes)
{
    std::FILE* file = std::fopen(path.c_str(), "a");
    if (file == nullptr) return LogAppend::NotOpened;
    bool failed = std::fseek(file, 0, SEEK_END) != 0;
    failed = failed || std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size();
    failed = std::fclose(file) != 0 || failed;
    return failed ? LogAppend::Failed : LogAppend::Written;
}
