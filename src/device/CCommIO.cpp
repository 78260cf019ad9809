#include "device/CCommIO.h"

#include "app/AppState.h"
#include "app/IniFile.h"
#include "app/IniNumber.h"
#include "app/LangString.h"
#include "app/StartUp.h"
#include "app/UserInterface.h"
#include "app/Utf8Path.h"
#include "device/Clock.h"
#include "device/CommandLog.h"
#include "device/SerialDevicePath.h"
#include "resources/StringIds.h"

#include <algorithm>
#include <filesystem>
#include <utility>

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
    owner_ = std::this_thread::get_id();
    if (port) port->SetTraceSink([this](std::string_view text) { Trace(text); });
    if (!port || !port->Open(settings)) {
        if (device.empty()) {
            // Without the section every line setting is a default, and one of them may not suit.
            if (IsRegularFileUtf8(app_.iniPath) && !IniFile::HasSection(app_.iniPath, "ComPort"))
                ReportIniProblem(app_, "ComPort\n", FormatLangString(app_, StringId::NoSection, {"ComPort"}));
            ReportPortSetting(app_, portValue, settings.device, port.get());
        }
        std::string path;
        std::string group;
        if (port && port->AccessDenied(path, group)) TellAccessDenied(app_, path, group);
        return false;
    }
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

void CCommIO::Trace(std::string_view text)
{
    if (std::this_thread::get_id() == owner_) {
        TellHeldTraces();
        LogPortFailure(app_, text);
        return;
    }
    // The log and the window belong to the opening thread.
    const std::lock_guard lock(heldMutex_);
    held_.emplace_back(text);
}

void CCommIO::TellHeldTraces()
{
    std::vector<std::string> held;
    {
        const std::lock_guard lock(heldMutex_);
        held.swap(held_);
    }
    for (const std::string& text : held)
        LogPortFailure(app_, text);
}

bool CCommIO::Close()
{
    TellHeldTraces();
    if (!port_) {
        return false;
    }
    const bool closed = port_->Close();
    port_.reset();
    device_.clear();
    pending_.clear();
    return closed;
}

bool CCommIO::Purge()
{
    TellHeldTraces();
    if (!port_) {
        return false;
    }
    pending_.clear();
    if (!port_->Purge(SerialBuffer::Both)) {
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
    return ReceiveLine(reply, length, endAtOverflow, timeoutMs, false);
}

WaitResult CCommIO::ReadQueued(std::string& fresh, uint32_t timeoutMs)
{
    char chunk[kReplyBufferSize];
    for (;;) {
        std::size_t got = 0;
        const WaitResult result = port_->Read(chunk, sizeof chunk, got, fresh.empty() ? timeoutMs : 0);
        if (result == WaitResult::Error) {
            return result;
        }
        fresh.append(chunk, got);
        // A full chunk may have left more behind: what is queued is taken as one piece.
        if (got < sizeof chunk) {
            return fresh.empty() ? WaitResult::Timeout : WaitResult::Ready;
        }
    }
}

CommStatus CCommIO::ReceiveLine(std::string& reply, int& length, bool endAtOverflow, uint32_t timeoutMs,
                                bool keepRest)
{
    reply.clear();
    length = 0;
    if (!port_) {
        return COMM_NOT_CONNECTED;
    }
    // The LF (or CR) ending the previous line may arrive after that line was taken.
    const auto dropLineEnds = [](std::string& t) {
        t.erase(0, std::min(t.size(), t.find_first_not_of("\r\n")));
    };

    Clock& clock = LinkClock(app_);
    const uint64_t deadline = clock.TickMs() + timeoutMs;
    std::string text = std::exchange(pending_, {});
    dropLineEnds(text);
    bool lineEnded = text.find('\r') != std::string::npos;
    while (!lineEnded) {
        const uint64_t now = clock.TickMs();
        std::string fresh;
        const WaitResult got = ReadQueued(fresh, now < deadline ? static_cast<uint32_t>(deadline - now) : 0);
        if (got != WaitResult::Ready) {
            return got == WaitResult::Error ? COMM_IO_ERROR : COMM_TIMEOUT;
        }
        if (text.size() + fresh.size() + 1 <= kReplyBufferSize) {
            text += fresh;
            dropLineEnds(text);
            lineEnded = text.find('\r') != std::string::npos;
        } else if (endAtOverflow) {
            // Too long for the buffer: the chunk is lost. A caller that expects a reply gets
            // what came before; a caller that polls goes on.
            break;
        }
    }

    if (text.empty()) {
        return COMM_NO_REPLY;
    }
    // The count includes whatever followed the CR in the same reads; only CR LF is taken off.
    length = static_cast<int>(text.size()) - (lineEnded ? 2 : 0);
    if (lineEnded) {
        const std::size_t cr = text.find('\r');
        if (keepRest) {
            pending_ = text.substr(cr + 1);
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
    std::string text = std::exchange(pending_, {});
    char buffer[kReplyBufferSize];
    std::size_t got = 0;
    if (text.size() < kReplyBufferSize - 1 &&
        port_->Read(buffer, kReplyBufferSize - 1 - text.size(), got, 0) == WaitResult::Error) {
        return COMM_IO_ERROR;
    }
    text.append(buffer, got);
    if (text.empty()) {
        return COMM_NO_REPLY;
    }
    length = static_cast<int>(text.size());
    reply = std::move(text);
    return COMM_OK;
}

WaitResult CCommIO::WaitForInput(uint32_t timeoutMs)
{
    if (!port_) {
        return WaitResult::Error;
    }
    if (!pending_.empty()) {
        return WaitResult::Ready;
    }
    char buffer[kReplyBufferSize];
    std::size_t got = 0;
    const WaitResult result = port_->Read(buffer, kReplyBufferSize - 1, got, timeoutMs);
    pending_.assign(buffer, got);
    return result;
}

CommStatus CCommIO::Transact(std::string_view command, std::string& reply, int& length, uint32_t timeoutMs)
{
    const CommStatus sent = Send(command);
    if (sent != COMM_OK) {
        return sent;
    }

    const std::string_view code = command.substr(0, std::min<std::size_t>(command.size(), 2));
    Clock& clock = LinkClock(app_);
    const uint64_t start = clock.TickMs();
    std::string line;
    int lineLength = 0;
    CommStatus status;
    for (;;) {
        // What followed a dropped line in the same reads may be the answer: it is kept.
        status = ReceiveLine(line, lineLength, true, timeoutMs, true);
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
    pending_.clear();

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
