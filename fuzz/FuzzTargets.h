#pragma once

#include <span>
#include <string_view>

// The program's readers of outside data, each driven by arbitrary bytes. Every target runs
// the reader to its end and checks what must hold whatever the input; false when a check fails.
// The libFuzzer executables call one of them for every input they make up; the regression test
// replays the inputs kept under tests/data/fuzz-regressions and the seed corpora through them.
namespace Fuzz {

struct Target {
    std::string_view name; // of its corpus folder
    bool (*run)(std::string_view bytes);
};
std::span<const Target> Targets();

} // namespace Fuzz
