#include "app/Calendar.h"

bool LocalTimeOf(std::time_t t, std::tm& out)
{
    out = std::tm{};
    if (localtime_s(&out, &t) == 0) return true;
    out = std::tm{};
    return false;
}

bool UtcTimeOf(std::time_t t, std::tm& out)
{
    out = std::tm{};
    if (gmtime_s(&out, &t) == 0) return true;
    out = std::tm{};
    return false;
}

std::time_t TimeOfUtc(std::tm utc)
{
    return _mkgmtime(&utc);
}
