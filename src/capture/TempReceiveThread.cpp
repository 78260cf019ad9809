#include "capture/TempReceiveThread.h"

#include "device/CCommIO.h"
#include "device/CommandSet.h"

void TakeStreamLine(std::string_view line, ReceiveWords& words)
{
    const StreamedTemperatures values = DecodeStreamLine(line);
    if (values.hasData) {
        words.latestTemp.store(values.targetK10);
        words.latestRoomTemp.store(values.roomK10);
    } else {
        words.latestTemp.store(kNoData);
        words.latestRoomTemp.store(kNoData);
    }
}

void TempReceiveThread::Start()
{
    Stop();
    // Set before the thread exists, so that a Stop right after Start cannot be overwritten.
    words_.receivedLineCount.store(0);
    words_.linkFailed.store(0);
    words_.receiveThreadEnded.store(0);
    words_.captureRunning.store(1);
    thread_ = std::thread([this] { Run(); });
}

void TempReceiveThread::Stop()
{
    words_.captureRunning.store(0);
    if (thread_.joinable()) thread_.join();
}

void TempReceiveThread::Run()
{
    LineFramer framer;
    std::string bytes;
    while (words_.captureRunning.load() != 0) {
        const WaitResult waited = link_.WaitForInput(kWaitSliceMs);
        if (waited == WaitResult::Timeout) continue;
        int length = 0;
        const CommStatus status =
            waited == WaitResult::Error ? COMM_IO_ERROR : link_.ReceiveNow(bytes, length);
        if (status == COMM_NO_REPLY) continue;
        if (status != COMM_OK) {
            // A pulled cable or a failed port: the values can no longer be trusted and what was
            // half received is lost. The owner sees the failure and takes the link over.
            words_.latestTemp.store(kNoData);
            words_.latestRoomTemp.store(kNoData);
            words_.linkFailed.store(1);
            break;
        }
        framer.Feed(bytes, [this](std::string_view line) {
            TakeStreamLine(line, words_);
            words_.receivedLineCount.fetch_add(1);
        });
    }
    words_.receiveThreadEnded.store(1);
}
