#pragma once

#include <cstddef>

// How many bytes of p[0..left) make up one UTF-8 character, or one broken piece of one: the lead
// byte and at most the continuation bytes it announces, so that a broken sequence never swallows
// the ASCII character after it.
inline std::size_t Utf8CharLength(const char* p, std::size_t left)
{
    auto c = static_cast<unsigned char>(p[0]);
    std::size_t want = 1;
    if (c >= 0xC2 && c <= 0xDF)
        want = 2;
    else if (c >= 0xE0 && c <= 0xEF)
        want = 3;
    else if (c >= 0xF0 && c <= 0xF4)
        want = 4;
    std::size_t n = 1;
    while (n < want && n < left && (static_cast<unsigned char>(p[n]) & 0xC0) == 0x80)
        ++n;
    return n;
}
