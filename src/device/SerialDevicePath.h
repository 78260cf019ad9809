#pragma once

#include <string>

// The device path that the platform's ports open for a configured port name: "COMn" is the n-th
// serial device (/dev/ttyS{n-1} on POSIX, \\.\COMn on Windows); any other name is unchanged.
// Defined beside each platform's port (PosixSerialPort.cpp, Win32SerialPort.cpp).
std::string SerialDevicePath(const std::string& name);
