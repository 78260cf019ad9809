#pragma once

// Shared by the recording page's GUI tests: the page against the in-process simulator in real
// time, with the INI of the test's own folder and scripted answers to its boxes.

#include "SimThermometer.h"
#include "capture/CCapturePage.h"
#include "device/Clock.h"
#include "ui/GuiTestSupport.h"

#include <memory>
#include <string>

class CapturePageRig : public ::testing::Test {
protected:
    // Writes the INI in the language given and makes the page, shown as the main window shows it.
    std::unique_ptr<CCapturePage> Page(int language)
    {
        WriteFileBytes(dir.File("rm42meter.ini"),
                       "[System]\nLangage=" + std::to_string(language) +
                           "\n[ComPort]\nPort=SIM\nStopBit=0\nCommandWait1=0\nCommandWait2=0\n");
        app.iniPath = dir.File("rm42meter.ini");
        app.exeDir = dir.Path();
        app.language = language;
        app.clock = &clock;
        app.ports = ports.get();
        app.ui = &boxes;
        auto page = std::make_unique<CCapturePage>(app, nullptr);
        page->show();
        page->PageShown();
        return page;
    }

    TempDir dir;
    SteadyClock clock;
    SimThermometer sim{[] {
                           SimConfig c;
                           c.streamRateHz = 50.0;
                           return c;
                       }(),
                       clock};
    std::unique_ptr<SerialPortFactory> ports = MakeSimPortFactory(sim, clock);
    AppState app;
    ScriptedBoxes boxes{app};
};
