#pragma once

#include <memory>
#include <string>

#include "device/SerialPort.h"

// Ports from inner that open device instead of the INI's [ComPort] Port (rm42ctl --port).
std::unique_ptr<SerialPortFactory> MakePortOverrideFactory(std::unique_ptr<SerialPortFactory> inner,
                                                           std::string device);

// Ports from inner whose CTS and DSR always read as on (--lines-on of both programs): for a port without
// modem lines, such as a pseudo-terminal that Wine serves as a COM port, where the thermometer's
// "switched on" lines cannot be read and the link would otherwise refuse every command.
std::unique_ptr<SerialPortFactory> MakeLinesOnFactory(std::unique_ptr<SerialPortFactory> inner);
