#pragma once

#include <memory>
#include <string>

#include "device/SerialPort.h"

// Ports from inner that open device instead of the INI's [ComPort] Port (rm42ctl --port).
std::unique_ptr<SerialPortFactory> MakePortOverrideFactory(std::unique_ptr<SerialPortFactory> inner,
                                                           std::string device);
