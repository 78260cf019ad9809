#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "capture/ThermometerSearch.h"
#include "device/CCommIO.h"

struct AppState;
class CaptureDevice;

// Owns the search thread and the lost-link watch; borrows the device it takes back.
// For a run whose link failed: noticing the failure, looking for the thermometer on the
// configured port and under its adapter's stable name, taking it back with the start sequence,
// and offering to keep a port it came back on under another name.
class ReconnectSearch {
public:
    static constexpr uint32_t kSilenceMs = kCommandTimeoutMs; // no line for longer: the link failed
    static constexpr uint32_t kSearchEveryMs = 2000;

    // byIdDir: the folder where the system keeps its stable names of USB serial adapters.
    ReconnectSearch(AppState& app, CaptureDevice& device, std::string byIdDir);
    ReconnectSearch(const ReconnectSearch&) = delete;
    ReconnectSearch& operator=(const ReconnectSearch&) = delete;

    // A run streams: lines are counted from now, and the adapter's stable name is learnt while
    // it is there.
    void RunStarted();
    // The receive thread saw the line fail, or no line came for longer than kSilenceMs.
    bool LinkLost();
    // Closes the dead link and starts looking, at once: the thermometer may just have paused.
    void Begin();
    // One tick while looking: counts the gap, starts a round every kSearchEveryMs and takes the
    // thermometer back when a round found it. True when it is back and streams again.
    bool Step();
    // Ends a search (PAUSE, or the window hidden) after its current exchange.
    void Cancel();
    bool Active() const { return active_; }
    // 100 ms ticks of the current gap, or of the last one once the thermometer is back.
    int64_t GapTicks() const { return gapTicks_; }
    // The run came back on another device than the INI names: the user may keep it.
    void OfferFoundPort();

private:
    std::string ConfiguredDevice() const;
    std::vector<std::string> Devices() const;
    void Watch();
    bool Resume(const std::string& device);

    AppState& app_;
    CaptureDevice& device_;
    ThermometerSearch search_;
    std::string byIdDir_;
    bool active_ = false;
    int64_t gapTicks_ = 0;
    uint32_t linesSeen_ = 0;
    uint64_t linesSeenMs_ = 0;
    uint64_t nextSearchMs_ = 0;
    uint64_t roundStartMs_ = 0;
    std::string stableDevice_; // the adapter's stable name, learnt at REC; empty when it has none
    std::string pendingPort_;  // the device the run came back on, when the INI names another
};
