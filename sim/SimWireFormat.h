#pragma once

#include <cstdint>
#include <string>

#include "SimThermometer.h"

// The simulated thermometer's calendar and the formats of its numbers on the wire: what its
// register model and its command parser both speak.
namespace simwire {

// Seconds since 1970-01-01 00:00 of a civil date and time, and back (proleptic Gregorian).
int64_t SecondsFromCivil(const SimDateTime& t);
SimDateTime CivilFromSeconds(int64_t secs);
int DaysInMonth(int year, int month);

// Upper-case hexadecimal of 1 to 8 digits only, as the thermometer's protocol writes it.
bool ParseHex(const std::string& text, uint32_t& value);
// value in upper-case hexadecimal, zero-padded to width.
std::string Hex(uint32_t value, int width);
// Kelvin as the thermometer's count of tenths, truncated and held within 16 bits.
uint16_t ToK10(double kelvin);
// The line followed by the two characters the thermometer puts before CR LF: its byte sum.
std::string WithCheck(const std::string& line);

} // namespace simwire
