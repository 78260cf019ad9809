#pragma once

#include <string>
#include <vector>

// The COM ports Windows has now, by name ("COM3"), as its serial drivers register them under
// HKLM\HARDWARE\DEVICEMAP\SERIALCOMM; unsorted, empty when there are none. Windows only.
std::vector<std::string> WindowsComPorts();
