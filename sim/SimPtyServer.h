#pragma once

#include <atomic>
#include <string>

class Clock;
class SimThermometer;

// Owns the pseudo-terminal (master and a spare slave descriptor) and the symbolic link to it.
// Serves a SimThermometer on a pseudo-terminal whose slave is reachable through a symbolic link.
// The server keeps a slave descriptor of its own, so a program may close and reopen the port any
// number of times without the terminal being torn down or its raw settings reset.
class SimPtyServer {
public:
    SimPtyServer(SimThermometer& device, Clock& clock);
    ~SimPtyServer();
    SimPtyServer(const SimPtyServer&) = delete;
    SimPtyServer& operator=(const SimPtyServer&) = delete;

    // Creates the pseudo-terminal and makes linkPath a symbolic link to its slave, replacing an
    // existing symbolic link (never a regular file). False with a reason in error.
    bool Start(const std::string& linkPath, std::string& error);
    const std::string& SlavePath() const { return slavePath_; }
    // Moves bytes between the terminal and the model until stop becomes true; checks stop at
    // least every 50 ms. False with a reason in error on an unrecoverable terminal error.
    bool Run(const std::atomic<bool>& stop, std::string& error);
    // Removes the link (if it still points to this server's slave) and closes the terminal.
    void Stop();

    // The cable pulled: the terminal is torn down, so a program holding the port sees a hang-up
    // and the link is gone; Run keeps waiting. False when nothing was plugged in.
    bool Unplug();
    // The cable back: a fresh terminal behind the same link path. False with a reason in error.
    bool Replug(std::string& error);
    bool Plugged() const { return master_ >= 0; }

private:
    SimThermometer& device_;
    Clock& clock_;
    int master_ = -1;
    int slave_ = -1;
    std::string slavePath_;
    std::string linkPath_;
    std::string unpluggedLink_;
};
