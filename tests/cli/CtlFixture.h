// What the rm42ctl end-to-end tests share: a folder with the INI, rm42ctl run on it, and the
// traffic log of the simulator behind the link.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "support/ChildProcess.h"
#include "support/TestSupport.h"

class CtlTest : public ::testing::Test {
protected:
    // The INI: its [System] lines, the port (the simulator's link unless named), no command
    // pauses, then any further sections.
    void WriteIni(const std::string& system, const std::string& more = "", const std::string& port = "") const
    {
        WriteFileBytes(dir.File("rm42meter.ini"),
                       "[System]\r\n" + system + "[ComPort]\r\nPort=" + (port.empty() ? Link() : port) +
                           "\r\nStopBit=0\r\nCommandWait1=0\r\nCommandWait2=0\r\n" + more);
    }
    std::vector<std::string> Args(std::vector<std::string> args) const
    {
        args.insert(args.begin(), {RunnableDir() + "rm42ctl", "--ini", dir.File("rm42meter.ini")});
        return args;
    }
    ProcessResult Ctl(std::vector<std::string> args, int timeoutMs = 120000) const
    {
        return RunProcess(Args(std::move(args)), timeoutMs);
    }
    std::string Link() const { return dir.File("sim.tty"); }
    std::string Log() const { return dir.File("sim.log"); }
    // The commands in the simulator's log, one per line.
    std::string Received() const
    {
        std::string commands;
        const std::string log = ReadFileBytes(Log());
        for (std::size_t at = log.find(" > "); at != std::string::npos; at = log.find(" > ", at + 1))
            commands += log.substr(at + 3, log.find('\n', at) - at - 3) + "\n";
        return commands;
    }
    // The number (from 1) of the simulator's first transaction with this command, 0 when none:
    // what a fault "ng-at:N" takes to refuse just that one.
    std::size_t TransactionOf(const std::string& command) const
    {
        const std::vector<std::string> commands = Lines(Received());
        const auto at = std::find(commands.begin(), commands.end(), command);
        return at == commands.end() ? 0 : static_cast<std::size_t>(at - commands.begin()) + 1;
    }
    // The lines of text, each as it is (a CR stays).
    static std::vector<std::string> Lines(const std::string& text)
    {
        std::vector<std::string> lines;
        std::istringstream in(text);
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }
    static std::size_t Count(const std::string& text, const std::string& what)
    {
        std::size_t n = 0;
        for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
            ++n;
        return n;
    }

    TempDir dir;
};
