#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

// The one way the program puts a file on disk. The bytes go to a new file beside the target,
// are flushed and synced, and the new file is renamed over the target, so that a crash, a full
// disk or a refused write leaves either the old file or the whole new one, never half of each.
// On POSIX an existing target keeps its permission bits, a target that is a symbolic link is
// written through (the link stays, its target is replaced) and a new file gets 0666 less the
// umask; on Windows an existing target keeps its attributes and security, and a read-only one
// is refused. The path is UTF-8.
// False when any step fails (the target is then untouched and no temporary file is left).
bool WriteFileAtomically(const std::string& path, std::string_view bytes);

// Text files of the program (reports, CSV, lists, logs) are CP932 on disk: converts the UTF-8
// text and writes it with WriteFileAtomically. Line ends are written as they are given.
bool WriteCp932File(const std::string& path, std::string_view utf8Text);

// The whole of a regular file as its bytes; nothing when it is missing, not a regular file, or
// cannot be read to the end.
std::optional<std::string> ReadWholeFile(const std::string& path);

// fopen for a UTF-8 path (the wide-character call on Windows, so that a folder with Japanese
// letters in its name works there too).
std::FILE* OpenFileUtf8(const std::string& path, const char* mode);
// Renames from to to, replacing a file already there. False when it fails.
bool ReplaceFileUtf8(const std::string& from, const std::string& to);
// Removes a file; false when it is not there or cannot be removed.
bool RemoveFileUtf8(const std::string& path);

// Flushes the stream's buffer and makes the operating system put the file's data on the disk.
// False when either step fails.
bool FlushFileToDisk(std::FILE* file);
