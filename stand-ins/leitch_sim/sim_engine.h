// What the simulated router does with time: commands received on the line,
// answers in the dialect chosen, the fault switches, the timed events and
// the control commands. No file descriptors here: the main loop feeds bytes
// and the time in, and takes the output that is due.
#pragma once

#include <deque>
#include <random>
#include <string>

#include "sim_options.h"
#include "sim_router.h"

namespace sim {

class Engine {
public:
    Engine(const Options& opt, const Router& router, long now);

    // Bytes from the serial line.
    void Received(const char* data, size_t n, long now);
    // Runs the timed events that are due.
    void Tick(long now);
    // Output due by now, in order; removed from the queue.
    std::string TakeDue(long now);
    // Milliseconds until the next output or timed event; -1 when none.
    long NextEvent(long now) const;
    // One control command; the reply ends with a line feed ("rx" is
    // followed by the bytes). *quit is set by "quit".
    std::string Control(const std::string& line, long now, bool* quit);

private:
    struct Pending {
        long due;
        std::string bytes;
    };

    void OnCommand(const std::string& text, long now);
    void Answer(const Command& cmd, long now);
    std::string QueryAnswer(const Command& cmd);
    void Reboot(long now, long ms, bool reset);
    void Emit(long due, const std::string& bytes);
    bool ChangeAtRouter(int level, long dest, long source, long now);
    void Flood(long now);
    long PaceBudget(long now) const;
    long NextOutput(long now) const;
    void PaceFrom(long now);
    std::string Garbage(long n);
    std::string Status(int level, long dest) const;
    std::string ControlSet(const std::string& args, long now);
    void Log(const std::string& text) const;

    Options opt_;
    Router router_;
    Router start_;            // the crosspoints at start, for a reboot that resets them
    bool silent_;
    long bootUntil_ = -1;     // silent after a reboot until then
    long commands_ = 0;       // command lines received
    std::string rx_;          // every byte received (or since "clear")
    std::string line_;        // command being assembled
    bool overlong_ = false;   // the command being assembled was too long
    std::deque<Pending> queue_;
    long paceFrom_ = 0;       // start of the current paced run of output
    long paceSent_ = 0;       // bytes sent since paceFrom_
    long nextFlood_;
    int floodLevel_ = 0;
    long floodDest_ = 0;
    std::mt19937 rng_;
};

}  // namespace sim
