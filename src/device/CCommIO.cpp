#include "device/CCommIO.h"

#include "app/AppState.h"
#include "app/IniFile.h"
#include "app/IniNumber.h"
#include "app/LangString.h"
#include "app/StartUp.h"
#include "app/UserInterface.h"
#include "app/Utf8Path.h"
#include "device/Clock.h"
#include "device/SerialDevicePath.h"
#include "resources/StringIds.h"

#include <algorithm>
#include <filesystem>

namespace {

// The link's buffers hold a line, CR LF and a terminator: commands and replies are cut to fit.
constexpr std::size_t kMaxCommandText = kReplyBufferSize - 3;

std::string ComPortValue(const AppState& app, std::string_view key, std::string_view defaultValue)
{
    return IniFile::GetString(app.iniPath, "ComPort", key, defaultValue, IniFile::kComPortBuffer);
}

uint32_t ComPortNumber(AppState& app, std::string_view key)
{
    return static_cast<uint32_t>(ReadIniNumber(app, "ComPort", key));
}

// Why a port named in the INI file cannot be a serial port at all, told before the caller's
// own message so that the user knows what to change. A device that is merely missing or busy
// (a thermometer not plugged in) is not a settings problem and is told nothing here.
void ReportPortSetting(AppState& app, const std::string& value, const std::string& device,
                       const SerialPort* port)
{
    if (value.empty()) {
        ReportIniProblem(app, "ComPort\nPort\n",
                         FormatLangString(app, StringId::PortEmpty, {"ComPort", "Port"}));
        return;
    }
    std::error_code ec;
    const auto status = std::filesystem::status(PathFromUtf8(device), ec);
    const bool exists = !ec && std::filesystem::exists(status);
    const bool notDevice = exists && std::filesystem::is_directory(status);
    const bool notSerial = exists && std::filesystem::is_regular_file(status);
    if (notDevice || notSerial || (port != nullptr && port->NotASerialDevice())) {
        ReportIniProblem(app, "ComPort\nPort\n" + value,
                         FormatLangString(app, StringId::NotSerialPort, {"ComPort", "Port", value}));
    }
}

// Without a clock (a bare AppState) the link still paces itself in real time.
Clock& LinkClock(AppState& app)
{
    static SteadyClock fallback;
    return app.clock != nullptr ? *app.clock : fallback;
}

// A port the user may not open: say so once per run and name the group that grants access;
// the caller's own message about the failed operation follows as usual.
void TellAccessDenied(AppState& app, const std::string& device, const std::string& group)
{
    if (group.empty() || app.ui == nullptr || app.deniedPortTold == device) return;
    app.deniedPortTold = device;
    app.ui->MessageBox(FormatLangString(app, StringId::AccessDenied, {device, group, group}),
                       LoadLangString(app, StringId::AppName), MsgIcon::Stop, MsgButtons::Ok, MsgAnswer::Ok);
}

} // namespace

std::string PortDevicePath(const std::string& port, const std::string& iniPath)
{
    if (port.empty() || port.find_first_of(kPathSeparators) == 0 || SerialDevicePath(port) != port)
        return port;
    return iniPath.substr(0, iniPath.find_last_of(kPathSeparators) + 1) + port;
}

CCommIO::CCommIO(AppState& app) : app_(app) {}

CCommIO::~CCommIO()
{
    if (port_) {
        Close();
    }
}

bool CCommIO::Open(const std::string& device)
{
    if (port_) {
        return false;
    }
    if (app_.ports == nullptr) {
        return false;
    }

    SerialSettings settings;
    const std::string portValue = ComPortValue(app_, "Port", "COM4");
    settings.device = device.empty() ? PortDevicePath(portValue, app_.iniPath) : device;
    settings.baud = ComPortNumber(app_, "Bps");
    settings.byteSize = static_cast<int>(ComPortNumber(app_, "DataBits"));
    settings.parity = static_cast<int>(ComPortNumber(app_, "Parity"));
    // The code is passed on unchanged; "1" (one and a half stop bits) has always been the default.
    settings.stopBits = static_cast<int>(ComPortNumber(app_, "StopBit"));
    settings.readTimeoutMs = ComPortNumber(app_, "ReceiveTimeOut");
    settings.writeTimeoutMs = ComPortNumber(app_, "SendTimeOut");

    std::unique_ptr<SerialPort> port = app_.ports->Create();
    if (!port || !port->Open(settings)) {
        lastError_ = port ? port->LastError() : std::string();
        if (device.empty()) {
            // Without the section every line setting is a default, and one of them may not suit.
            if (IsRegularFileUtf8(app_.iniPath) && !IniFile::HasSection(app_.iniPath, "ComPort"))
                ReportIniProblem(app_, "ComPort\n", FormatLangString(app_, StringId::NoSection, {"ComPort"}));
            ReportPortSetting(app_, portValue, settings.device, port.get());
        }
        if (!lastError_.empty() && app_.ui != nullptr) app_.ui->Note(lastError_);
        std::string path;
        std::string group;
        if (port && port->AccessDenied(path, group)) TellAccessDenied(app_, path, group);
        return false;
    }
    lastError_.clear();
    port_ = std::move(port);
    device_ = settings.device;

    commandWait1Ms_ = ComPortNumber(app_, "CommandWait1");
    commandWait2Ms_ = ComPortNumber(app_, "CommandWait2");

    if (!Purge()) {
        return false; // Purge has closed the port
    }
    LinkClock(app_).SleepMs(200);
    return true;
}

bool CCommIO::Close()
{
    if (!port_) {
        return false;
    }
    const bool closed = port_->Close();
    port_.reset();
    device_.clear();
    return closed;
}

bool CCommIO::Purge()
{
    if (!port_) {
        return false;
    }
    if (!port_->Purge()) {
        Close();
        return false;
    }
    return true;
}

bool CCommIO::IsOpen() const
{
    return port_ != nullptr;
}

CommStatus CCommIO::Send(std::string_view command)
{
    if (!port_) {
        return COMM_NOT_CONNECTED;
    }
    std::string line(command.substr(0, std::min(command.size(), kMaxCommandText)));
    // A command is text: it ends at its first NUL, as it would in the fixed buffer.
    line.resize(std::min(line.size(), line.find('\0')));
    line += "\r\n";

    Purge();
    if (!port_) {
        return COMM_NOT_CONNECTED; // the failed purge closed the port
    }

    bool cts = false;
    bool dsr = false;
    if (!port_->ModemLines(cts, dsr)) {
        cts = dsr = false; // lines that cannot be read are treated as off
    }
    if (!cts && !dsr) {
        return COMM_NOT_CONNECTED;
    }
    if (!port_->Write(line.data(), line.size())) {
        return COMM_IO_ERROR;
    }
    return COMM_OK;
}

CommStatus CCommIO::Receive(std::string& reply, int& length, bool endAtOverflow, uint32_t timeoutMs)
{
    return ReceiveLine(reply, length, endAtOverflow, timeoutMs, nullptr);
}

CommStatus CCommIO::ReceiveLine(std::string& reply, int& length, bool endAtOverflow, uint32_t timeoutMs,
                                std::string* carry)
{
    reply.clear();
    length = 0;
    if (!port_) {
        return COMM_NOT_CONNECTED;
    }

    Clock& clock = LinkClock(app_);
    // The line is awaited on the port itself and taken as soon as it is complete.
    const uint64_t deadline = clock.TickMs() + timeoutMs;

    std::string text;
    if (carry != nullptr) {
        text = std::move(*carry);
        carry->clear();
        text.erase(0, std::min(text.size(), text.find_first_not_of("\r\n")));
    }
    bool lineEnded = text.find('\r') != std::string::npos;
    char chunk[kReplyBufferSize];
    while (!lineEnded) {
        std::size_t queued = 0;
        if (!port_->QueuedBytes(queued)) {
            return COMM_IO_ERROR;
        }
        bool stop = false;
        if (queued > 0) {
            std::string fresh;
            while (fresh.size() < queued) {
                std::size_t got = 0;
                const std::size_t want = std::min(queued - fresh.size(), sizeof chunk);
                if (!port_->Read(chunk, want, got)) {
                    return COMM_IO_ERROR;
                }
                if (got == 0) {
                    break;
                }
                fresh.append(chunk, got);
            }
            if (text.size() + fresh.size() + 1 <= kReplyBufferSize) {
                text += fresh;
                // The LF (or CR) ending the previous line may arrive after that line was taken.
                text.erase(0, std::min(text.size(), text.find_first_not_of("\r\n")));
                lineEnded = text.find('\r') != std::string::npos;
                stop = lineEnded;
            } else {
                // Too long for the buffer: the chunk is lost. A caller that expects a reply gets
                // what came before; a caller that polls goes on.
                stop = endAtOverflow;
            }
        }
        if (stop) {
            break;
        }
        const uint64_t now = clock.TickMs();
        if (now >= deadline) {
            return COMM_TIMEOUT;
        }
        if (port_->WaitForInput(static_cast<uint32_t>(deadline - now)) == WaitResult::Error) {
            return COMM_IO_ERROR;
        }
    }

    if (text.empty()) {
        return COMM_NO_REPLY;
    }
    // The count includes whatever followed the CR in the same reads; only CR LF is taken off.
    length = static_cast<int>(text.size()) - (lineEnded ? 2 : 0);
    if (lineEnded) {
        const std::size_t cr = text.find('\r');
        if (carry != nullptr) {
            *carry = text.substr(cr + 1);
        }
        text.resize(cr);
    }
    reply = std::move(text);
    return COMM_OK;
}

CommStatus CCommIO::ReceiveNow(std::string& reply, int& length)
{
    reply.clear();
    length = 0;
    if (!port_) {
        return COMM_NOT_CONNECTED;
    }
    std::size_t queued = 0;
    if (!port_->QueuedBytes(queued)) {
        return COMM_IO_ERROR;
    }
    if (queued == 0) {
        return COMM_NO_REPLY;
    }
    char buffer[kReplyBufferSize];
    std::size_t got = 0;
    if (!port_->Read(buffer, std::min(queued, kReplyBufferSize - 1), got)) {
        return COMM_IO_ERROR;
    }
    if (got == 0) {
        return COMM_NO_REPLY;
    }
    reply.assign(buffer, got);
    length = static_cast<int>(got);
    return COMM_OK;
}

WaitResult CCommIO::WaitForInput(uint32_t timeoutMs)
{
    if (!port_) {
        return WaitResult::Error;
    }
    return port_->WaitForInput(timeoutMs);
}

CommStatus CCommIO::Transact(std::string_view command, std::string& reply, int& length, uint32_t waitMs,
                             uint32_t timeoutMs)
{
    const CommStatus sent = Send(command);
    if (sent != COMM_OK) {
        return sent;
    }

    const std::string_view code = command.substr(0, std::min<std::size_t>(command.size(), 2));
    Clock& clock = LinkClock(app_);
    const uint64_t start = clock.TickMs();
    std::string line;
    std::string carry; // what followed a dropped line in the same reads: it may be our answer
    int lineLength = 0;
    CommStatus status;
    for (;;) {
        status = ReceiveLine(line, lineLength, waitMs != 0, timeoutMs, &carry);
        if (status != COMM_OK || line.compare(0, 2, code) == 0) {
            break;
        }
        // Lines with another code (the thermometer's own temperature lines, stale replies)
        // are not ours: wait afresh for the next one. A thermometer that streams without ever
        // answering would keep this going for ever, so the dropping ends once a whole time-out
        // has passed since the command.
        if (clock.TickMs() - start >= timeoutMs) {
            status = COMM_TIMEOUT;
            break;
        }
    }

    if (status == COMM_OK) {
        reply = line.size() > 2 ? line.substr(2) : std::string();
        length = std::max(lineLength - 2, 0);
    } else {
        reply.clear();
        length = 0;
    }

    LinkClock(app_).SleepMs(command.starts_with("92") ? commandWait2Ms_ : commandWait1Ms_);
    return status;
}

int HexToInt(std::string_view text, int count)
{
    // Unsigned arithmetic: eight digits fill all 32 bits and wrap into the sign, as the wire
    // format of the serial number expects.
    uint32_t sum = 0;
    uint32_t weight = 1;
    for (int i = count - 1; i >= 0; --i) {
        const auto index = static_cast<std::size_t>(i);
        // Characters beyond the text are the terminator: they add nothing.
        const unsigned char c = index < text.size() ? static_cast<unsigned char>(text[index]) : 0;
        uint32_t digit;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (c >= 'A' && c <= 'F') {
            digit = c - 'A' + 10;
        } else {
            digit = c;
        }
        sum += digit * weight;
        weight *= 16;
    }
    return static_cast<int>(sum);
}

int ReplyHex(std::string_view reply, int count, int offset)
{
    if (reply.size() <= 2 || offset < 0) {
        return 0;
    }
    const std::string_view copy = reply.substr(0, reply.size() - 2);
    const auto start = static_cast<std::size_t>(offset);
    if (start >= copy.size()) {
        return 0;
    }
    return HexToInt(copy.substr(start), count);
}
