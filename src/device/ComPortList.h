#pragma once

#include <string>
#include <vector>

// The entries of the COM port dialog: once portRetryCount has reached 2, COM1..COM8 and the USB
// serial devices (usbDevices, see UsbSerialDevices); before that the system's ports plus the
// configured port when it exists on disk but is not listed (a pseudo-terminal link is never
// listed by the system). Sorted as a sorted drop-down list sorts, ignoring case ("COM10" before
// "COM2"); empty names are dropped and no name appears twice.
std::vector<std::string> BuildComPortList(int portRetryCount, std::vector<std::string> systemPorts,
                                          const std::string& configuredPort, bool configuredExists,
                                          std::vector<std::string> usbDevices = {});

// The USB serial devices under devRoot (normally /dev), where thermometer cables show up: the
// devices that the links in serial/by-id lead to, by their device paths, and every ttyUSB* and
// ttyACM*. Unsorted; a link to nothing is left out.
std::vector<std::string> UsbSerialDevices(const std::string& devRoot = "/dev");
// Index of the first entry that begins with configured (case-insensitive), searching from the
// second entry onwards and wrapping round to the first; -1 when none does or entries is empty.
// An empty configured text matches at once: the second entry, or the only one.
int SelectComPort(const std::vector<std::string>& entries, const std::string& configured);
