// What the rm42ctl end-to-end tests share: a folder with the INI, rm42-sim on a link in it with a
// traffic log, rm42ctl run on that INI, and tables of runs checked by what they print and send.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "support/ChildProcess.h"
#include "support/TestSupport.h"

// One rm42ctl run: its arguments, its exit code, a fragment of its standard output and of its
// standard error ("" checks nothing, "-" wants nothing printed), how often the error fragment
// appears (0: at least once) and a fragment of the commands the simulator received during the
// run, one a line ("-": none).
struct CtlRow {
    std::vector<std::string> args;
    int exit = 0;
    std::string out = "", err = "", sent = "";
    std::size_t times = 0;
};

inline void PrintTo(const CtlRow& row, std::ostream* os)
{
    for (const std::string& arg : row.args)
        *os << arg << ' ';
}

class CtlTest : public ::testing::Test {
protected:
    // A recording's journal goes to the test's own state folder.
    CtlTest()
    {
        if (const char* old = std::getenv("XDG_STATE_HOME")) oldState_ = old;
        setenv("XDG_STATE_HOME", dir.File("state").c_str(), 1);
    }
    ~CtlTest() override
    {
        sim.reset();
        oldState_ ? setenv("XDG_STATE_HOME", oldState_->c_str(), 1) : unsetenv("XDG_STATE_HOME");
    }
    // The INI: its [System] lines, the port (the simulator's link unless named), no command
    // pauses, then any further sections.
    void WriteIni(const std::string& system, const std::string& more = "", const std::string& port = "") const
    {
        WriteFileBytes(dir.File("rm42meter.ini"),
                       "[System]\r\n" + system + "[ComPort]\r\nPort=" + (port.empty() ? Link() : port) +
                           "\r\nStopBit=0\r\nCommandWait1=0\r\nCommandWait2=0\r\n" + more);
    }
    // rm42-sim on the link with a fresh traffic log, replacing any before it.
    void StartSim(std::vector<std::string> args = {})
    {
        sim.reset();
        std::filesystem::remove(Log());
        args.insert(args.end(), {"--log", Log()});
        sim = std::make_unique<SimProcess>(Link(), args);
        ASSERT_TRUE(sim->Ready()) << sim->Error();
    }
    // The run's arguments with the INI in front, unless they name one.
    std::vector<std::string> Args(std::vector<std::string> args) const
    {
        if (std::find(args.begin(), args.end(), "--ini") == args.end())
            args.insert(args.begin(), {"--ini", dir.File("rm42meter.ini")});
        args.insert(args.begin(), RunnableDir() + "rm42ctl");
        return args;
    }
    ProcessResult Ctl(std::vector<std::string> args, int timeoutMs = 120000) const
    {
        return RunProcess(Args(std::move(args)), timeoutMs);
    }
    // Runs every row in turn; a run that takes longer than timeoutMs fails its row.
    void Expect(const std::vector<CtlRow>& rows, int timeoutMs = 60000) const
    {
        for (const CtlRow& row : rows) {
            SCOPED_TRACE(::testing::PrintToString(row));
            const std::size_t before = Received().size();
            const ProcessResult r = Ctl(row.args, timeoutMs);
            EXPECT_EQ(r.exitCode, row.exit) << r.err;
            ExpectFragment(r.out, row.out, 0);
            ExpectFragment(r.err, row.err, row.times);
            ExpectFragment(Received().substr(before), row.sent, 0);
        }
    }
    static void ExpectFragment(const std::string& text, const std::string& fragment, std::size_t times)
    {
        if (fragment == "-") {
            EXPECT_EQ(text, "");
        } else {
            const std::size_t n = Count(text, fragment);
            EXPECT_EQ(times ? n : std::min<std::size_t>(n, 1), times ? times : 1) << text;
        }
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
    std::unique_ptr<SimProcess> sim;

private:
    std::optional<std::string> oldState_;
};
