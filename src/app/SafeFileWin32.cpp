// The atomic file writer on Windows: a temporary file written through to the disk, then
// ReplaceFileW over an existing target (which keeps its attributes and security) or
// MoveFileExW with write-through for a new one.
#include "app/SafeFile.h"

#include "app/Win32Text.h"

#include <windows.h>

#include <io.h>

#include <algorithm>
#include <string>

namespace {

class TempFile {
public:
    explicit TempFile(HANDLE handle) : handle_(handle) {}
    ~TempFile()
    {
        if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    bool Write(std::string_view bytes)
    {
        std::size_t done = 0;
        while (done < bytes.size()) {
            const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
            DWORD written = 0;
            if (!WriteFile(handle_, bytes.data() + done, chunk, &written, nullptr) || written == 0)
                return false;
            done += written;
        }
        return true;
    }
    bool Close()
    {
        const bool flushed = FlushFileBuffers(handle_) != 0;
        const bool closed = CloseHandle(handle_) != 0;
        handle_ = INVALID_HANDLE_VALUE;
        return flushed && closed;
    }

private:
    HANDLE handle_;
};

} // namespace

std::FILE* OpenFileUtf8(const std::string& path, const char* mode)
{
    return _wfopen(WideFromUtf8(path).c_str(), WideFromUtf8(mode).c_str());
}

bool ReplaceFileUtf8(const std::string& from, const std::string& to)
{
    return MoveFileExW(WideFromUtf8(from).c_str(), WideFromUtf8(to).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool RemoveFileUtf8(const std::string& path)
{
    return DeleteFileW(WideFromUtf8(path).c_str()) != 0;
}

bool WriteFileAtomically(const std::string& path, std::string_view bytes)
{
    if (path.empty()) return false;
    const std::wstring target = WideFromUtf8(path);
    if (target.empty()) return false;
    const DWORD attributes = GetFileAttributesW(target.c_str());
    const bool existed = attributes != INVALID_FILE_ATTRIBUTES;
    if (existed && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return false;

    std::wstring temp;
    HANDLE handle = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 100 && handle == INVALID_HANDLE_VALUE; ++attempt) {
        temp = target + L".tmp" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(attempt);
        handle = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                             FILE_ATTRIBUTE_NORMAL | FILE_FLAG_WRITE_THROUGH, nullptr);
        if (handle == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS &&
            GetLastError() != ERROR_ALREADY_EXISTS) {
            return false;
        }
    }
    if (handle == INVALID_HANDLE_VALUE) return false;

    TempFile file(handle);
    bool ok = file.Write(bytes);
    ok = file.Close() && ok;
    if (ok && existed) {
        ok = ReplaceFileW(target.c_str(), temp.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr,
                          nullptr) != 0;
    } else if (ok) {
        ok = MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) !=
             0;
    }
    if (!ok) {
        DeleteFileW(temp.c_str());
        return false;
    }
    return true;
}

bool FlushFileToDisk(std::FILE* file)
{
    if (std::fflush(file) != 0) return false;
    const intptr_t handle = _get_osfhandle(_fileno(file));
    return handle != -1 && FlushFileBuffers(reinterpret_cast<HANDLE>(handle)) != 0;
}
