#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>
#include <thread>

#include "capture/CaptureSample.h"

class CCommIO;

// The words the receive thread hands over to the page. Each is atomic: the page's timer reads
// them while the thread writes them.
struct ReceiveWords {
    std::atomic<int> captureRunning{0};         // 1 while a run goes on; the page clears it to end the thread
    std::atomic<int> receiveThreadEnded{1};     // the thread's last act sets it
    std::atomic<uint32_t> receivedLineCount{0}; // complete lines seen since the thread started
    std::atomic<int> linkFailed{0};             // the line failed or hung up; the thread has ended
    std::atomic<uint16_t> latestTemp{kNoData};
    std::atomic<uint16_t> latestRoomTemp{kNoData};
};

// Splits the received bytes into lines at LF; every complete line is one line event.
// A line longer than the link's buffer is cut off and taken as unusable.
class LineFramer {
public:
    // Appends bytes and calls onLine for each line completed by them, in order (without CR LF).
    template <class F> void Feed(std::string_view bytes, F&& onLine)
    {
        for (char c : bytes) {
            if (c == '\n') {
                if (!pending_.empty() && pending_.back() == '\r') pending_.pop_back();
                onLine(overflowed_ ? std::string_view() : std::string_view(pending_));
                pending_.clear();
                overflowed_ = false;
            } else if (pending_.size() < kMaxLine) {
                pending_ += c;
            } else {
                overflowed_ = true;
            }
        }
    }
    void Clear()
    {
        pending_.clear();
        overflowed_ = false;
    }

private:
    static constexpr std::size_t kMaxLine = 1022;
    std::string pending_;
    bool overflowed_ = false;
};

// Decodes one streamed line into the latest words: a "2F" line gives both temperatures, any
// other line (a refusal, another code, a short or garbled line) makes both kNoData.
void TakeStreamLine(std::string_view line, ReceiveWords& words);

// Owns the receive thread; borrows the link and the words it fills.
// The temperature receive thread of one run of a recording. It only reads the link and writes
// the words; the owner must not use the link between Start and Stop.
class TempReceiveThread {
public:
    static constexpr uint32_t kWaitSliceMs = 100; // the longest the thread stays deaf to Stop

    TempReceiveThread(CCommIO& link, ReceiveWords& words) : link_(link), words_(words) {}
    ~TempReceiveThread() { Stop(); }
    TempReceiveThread(const TempReceiveThread&) = delete;
    TempReceiveThread& operator=(const TempReceiveThread&) = delete;

    void Start();
    // Asks the thread to end and waits until it has (at most one wait slice).
    void Stop();
    bool Running() const { return thread_.joinable(); }

private:
    void Run();

    CCommIO& link_;
    ReceiveWords& words_;
    std::thread thread_;
};
