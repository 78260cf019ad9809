#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

// The program's readers of outside data, each driven by arbitrary bytes. Every function runs
// the reader to its end and checks what must hold whatever the input; false when a check fails.
// The libFuzzer executables call them for every input they make up; the regression test replays
// the inputs kept under tests/data/fuzz-regressions and the seed corpora through them.
namespace Fuzz {

// The link's receive path: the bytes arrive on a port in chunks after scripted pauses while
// the link waits for the reply to a command; then every reply decoder reads the line.
bool ReplyLine(const uint8_t* data, std::size_t size);
// The INI reader and writer on a file holding the bytes.
bool IniText(const uint8_t* data, std::size_t size);
// The type-name file and the type-name input filter.
bool TypeNameFile(const uint8_t* data, std::size_t size);
// CP932 to UTF-8 and back.
bool Cp932Text(const uint8_t* data, std::size_t size);
// The emissivity list file: parsing, the list order and the row texts.
bool EmissivityListFile(const uint8_t* data, std::size_t size);
// A report template filled in, page after page for the memory list and once for a recording.
bool ReportTemplate(const uint8_t* data, std::size_t size);
// Memory records as the thermometer's words give them, and their list rows and CSV.
bool MemoryRecords(const uint8_t* data, std::size_t size);
// The recording's received bytes framed into lines and decoded into the latest temperatures.
bool StreamBytes(const uint8_t* data, std::size_t size);
// A recording journal file read back for recovery: the bytes as they are, then under an intact
// header (magic, version and checksum made right) so its values and blocks are read.
bool JournalFile(const uint8_t* data, std::size_t size);

struct Target {
    std::string_view name;
    bool (*run)(const uint8_t*, std::size_t);
};
// Every target, by the name of its corpus folder.
const Target* Targets(std::size_t& count);

} // namespace Fuzz
