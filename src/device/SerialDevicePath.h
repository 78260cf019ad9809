#pragma once

#include <string>

// The device path that the platform's ports open for a configured port name: "COMn" is the n-th
// serial device (/dev/ttyS{n-1} on POSIX, \\.\COMn on Windows); any other name is unchanged.
// Defined beside each platform's port (PosixSerialPort.cpp, Win32SerialPort.cpp).
std::string SerialDevicePath(const std::string& name);

// Where the POSIX platform keeps one stable link per USB serial adapter.
inline constexpr const char* kSerialByIdDir = "/dev/serial/by-id";

// The name under which the adapter behind device comes back after it was unplugged and plugged
// in again, whatever number the system gives it then: on POSIX the link in byIdDir that leads
// to device (device itself when it is such a link), on Windows the COM name itself. Empty when
// the device has no such name (a built-in port, a pseudo-terminal, a device that is gone).
std::string StableSerialDeviceName(const std::string& device, const std::string& byIdDir = kSerialByIdDir);
