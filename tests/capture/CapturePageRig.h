#pragma once

// Shared by the recording page's GUI tests: the page against the in-process simulator in real
// time, with the INI of the test's own folder and scripted answers to its boxes.

#include "capture/CCapturePage.h"
#include "device/Clock.h"
#include "ui/GuiTestSupport.h"

#include <QDateTime>

#include <memory>
#include <string>

// Real ticks and sleeps (the simulator streams in real time) on a calendar of the test's own, so
// the dates the page shows, offers and waits for are known: from 2026-03-14 09:26:53 UTC.
class StagedCalendarClock final : public Clock {
public:
    uint64_t TickMs() override { return steady_.TickMs(); }
    void SleepMs(uint32_t ms) override { steady_.SleepMs(ms); }
    std::time_t WallTime() override
    {
        return 1773480413 + static_cast<std::time_t>(TickMs() / 1000 - start_);
    }

private:
    SteadyClock steady_;
    uint64_t start_ = steady_.TickMs() / 1000;
};

class CapturePageRig : public SimPageRig<StagedCalendarClock> {
protected:
    CapturePageRig()
        : SimPageRig([] {
              SimConfig c;
              c.streamRateHz = 50.0;
              return c;
          }())
    {
    }
    // Writes the INI in the language given and makes the page, shown as the main window shows it.
    std::unique_ptr<CCapturePage> Page(int language)
    {
        WriteIni("Langage=" + std::to_string(language));
        app.language = language;
        auto page = std::make_unique<CCapturePage>(app, nullptr);
        page->show();
        page->PageShown();
        return page;
    }
    // The program clock's local date and time.
    QDateTime Now() { return QDateTime::fromSecsSinceEpoch(clock.WallTime()); }
};
