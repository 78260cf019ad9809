#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

// Folder of the running executable's runnable folder (RM42_BIN_DIR, or beside the executable),
// ending in '/'.
std::string RunnableDir();

struct ProcessResult {
    int exitCode = -1; // -1: did not exit in time (it was killed) or could not start
    std::string out;
    std::string err;
};

// Runs a program to its end with its standard output and error captured; kills it after
// timeoutMs. argv[0] is the program's path.
ProcessResult RunProcess(const std::vector<std::string>& argv, int timeoutMs = 30000);

// rm42-sim serving a pseudo-terminal link for the lifetime of the object.
class SimProcess {
public:
    // link: where the simulator puts its link; extraArgs go after --link.
    SimProcess(const std::string& link, const std::vector<std::string>& extraArgs);
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    bool Ready() const { return ready_; }
    const std::string& Link() const { return link_; }
    const std::string& Error() const { return error_; }
    // Stops the simulator (SIGTERM) and returns its exit status, -1 when it had to be killed.
    int Stop();
    // Pulls the cable (the terminal hangs up, the link goes away) or plugs it back in, and waits
    // (up to 5 s) until the link is gone or back. False when the simulator did not follow.
    bool Unplug();
    bool Replug();

private:
    pid_t pid_ = -1;
    bool ready_ = false;
    std::string link_;
    std::string error_;
};
