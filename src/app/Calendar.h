#pragma once

#include <ctime>

// Calendar conversions, the platform's part in CalendarPosix.cpp and CalendarWin32.cpp (the
// C library's reentrant calls are named differently on the two).

// The local time of t; false when the platform cannot give one (out is then left zeroed).
bool LocalTimeOf(std::time_t t, std::tm& out);

// The UTC calendar time of t; false when the platform cannot give one (out is then left zeroed).
bool UtcTimeOf(std::time_t t, std::tm& out);

// The time of a UTC calendar date and time; fields outside their ranges carry over (the 32nd of
// a month is the 1st of the next). -1 when it cannot be represented.
std::time_t TimeOfUtc(std::tm utc);
