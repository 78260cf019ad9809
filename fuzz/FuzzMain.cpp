// One libFuzzer executable per target: FUZZ_TARGET names it at compile time.
#include <cstddef>
#include <cstdint>

#include "FuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    // A check failed: keep this input.
    for (const Fuzz::Target& target : Fuzz::Targets())
        if (target.name == FUZZ_TARGET && !target.run({reinterpret_cast<const char*>(data), size}))
            __builtin_trap();
    return 0;
}
