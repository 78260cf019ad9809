#include "device/Clock.h"

#include <chrono>
#include <thread>

uint64_t SteadyClock::TickMs()
{
    using namespace std::chrono;
    return static_cast<uint64_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void SteadyClock::SleepMs(uint32_t ms)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

std::time_t SteadyClock::WallTime()
{
    return std::time(nullptr);
}
