// One libFuzzer executable per target: FUZZ_TARGET names it at compile time.
#include <cstddef>
#include <cstdint>

#include "FuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    if (!Fuzz::FUZZ_TARGET(data, size)) __builtin_trap(); // a check failed: keep this input
    return 0;
}
