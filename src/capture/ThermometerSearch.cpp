#include "capture/ThermometerSearch.h"

#include "device/CCommIO.h"
#include "device/CommandSet.h"
#include "device/ConnectionCheck.h"

void ThermometerSearch::Begin(std::vector<std::string> devices, uint32_t serial)
{
    Cancel();
    cancel_.store(false);
    done_.store(false);
    result_ = Result{};
    thread_ = std::thread([this, devices = std::move(devices), serial] {
        Run(devices, serial);
        done_.store(true);
    });
}

ThermometerSearch::Result ThermometerSearch::Finish()
{
    if (thread_.joinable()) thread_.join();
    return result_;
}

void ThermometerSearch::Cancel()
{
    if (!thread_.joinable()) return; // no round: the link is not the search's to close
    cancel_.store(true);
    thread_.join();
    result_ = Result{};
    link_.Close();
}

void ThermometerSearch::Run(const std::vector<std::string>& devices, uint32_t serial)
{
    for (const std::string& device : devices) {
        if (cancel_.load()) return;
        if (Probe(device, serial)) {
            result_.found = true;
            result_.foundDevice = device;
            return;
        }
    }
}

bool ThermometerSearch::Probe(const std::string& device, uint32_t serial)
{
    if (!link_.Open(device)) return false;
    std::string reply;
    int length = 0;
    const CommStatus status = link_.Transact(Cmd::kCheckModeReq, reply, length, kReadTimeoutMs);
    uint32_t found = 0;
    bool read = false;
    if (status == COMM_OK && !IsRefusal(reply)) {
        read = !cancel_.load() && ReadSerialQuietly(link_, kReadTimeoutMs, found);
        // Whoever answered is left as it was found: out of check mode.
        link_.Transact(Cmd::kCheckModeExit, reply, length, kReadTimeoutMs);
    }
    if (read && found == serial && !cancel_.load()) return true;
    if (read && found != serial) {
        result_.otherDevice = device;
        result_.otherSerial = found;
    }
    link_.Close();
    return false;
}
