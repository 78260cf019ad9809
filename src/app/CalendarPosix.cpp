#include "app/Calendar.h"

bool LocalTimeOf(std::time_t t, std::tm& out)
{
    out = std::tm{};
    return localtime_r(&t, &out) != nullptr;
}

bool UtcTimeOf(std::time_t t, std::tm& out)
{
    out = std::tm{};
    return gmtime_r(&t, &out) != nullptr;
}

std::time_t TimeOfUtc(std::tm utc)
{
    return timegm(&utc);
}
