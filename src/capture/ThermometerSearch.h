#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

class CCommIO;

// Owns the search thread and its result; borrows the link.
// One round of the search for a thermometer that went away in the middle of a recording. It
// runs on a thread of its own, so that the page's timer never waits on a port that does not
// answer: each device of the list is opened in turn and asked for its serial number in check
// mode. The thermometer with the wanted number is left open on the link and out of check mode;
// any other is told nothing more and closed at once. The owner must not use the link between
// Begin and Finish or Cancel.
class ThermometerSearch {
public:
    struct Result {
        bool found = false; // the link is open on foundDevice
        std::string foundDevice;
        std::string otherDevice;  // where a thermometer with another serial number answered
        uint32_t otherSerial = 0; // its number
    };
    static constexpr uint32_t kReadTimeoutMs = 1000; // each exchange of a round

    explicit ThermometerSearch(CCommIO& link) : link_(link) {}
    ~ThermometerSearch() { Cancel(); }
    ThermometerSearch(const ThermometerSearch&) = delete;
    ThermometerSearch& operator=(const ThermometerSearch&) = delete;

    void Begin(std::vector<std::string> devices, uint32_t serial);
    bool Running() const { return thread_.joinable(); }
    // The round has ended: Finish returns at once.
    bool Done() const { return done_.load(); }
    // Waits for the round and returns what it found.
    Result Finish();
    // Asks a round that has not been finished to end after its current exchange, waits for it
    // and closes the link. Without such a round it does nothing.
    void Cancel();

private:
    void Run(const std::vector<std::string>& devices, uint32_t serial);
    bool Probe(const std::string& device, uint32_t serial);

    CCommIO& link_;
    std::thread thread_;
    std::atomic<bool> done_{false};
    std::atomic<bool> cancel_{false};
    Result result_;
};
