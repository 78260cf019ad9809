#pragma once

#include <memory>

#include "device/Clock.h"
#include "device/SerialPort.h"

// Ctrl-C and SIGTERM end rm42ctl at any moment: the signal only sets a flag, and every wait of
// the program (the clock's pauses, the port's waits) looks at the flag in short slices. Seeing
// it, the program first takes a thermometer that it left in check mode out of it again ("81"),
// then ends with status 130. A second signal ends it at once.
void InstallInterruptHandling();

// For a command that stops by itself on the signal (record, which restores the thermometer
// first): the waits then go on, and the command asks InterruptRequested when it may stop.
void LetCommandHandleInterrupts();
bool InterruptRequested();

// Pauses in slices that notice the signal; time from inner.
std::unique_ptr<Clock> MakeInterruptibleClock(Clock& inner);

// Ports from inner whose waits notice the signal and which remember whether the thermometer is
// in check mode.
std::unique_ptr<SerialPortFactory> MakeInterruptibleFactory(std::unique_ptr<SerialPortFactory> inner);
