// A router played by a test: it reads the status queries the driver wrote to
// the fake port (FakeComms().writes) and answers them with status lines in
// the fake's receive bytes, on time, late or not at all, as scripted.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

struct RouterQuery {
    int level;   // level index
    int dest;    // 1-based destination
};

class ScriptedRouter {
public:
    // Whether the n-th query (0-based, counted over the whole run) is answered.
    std::function<bool(int n)> answers = [](int) { return true; };
    // The 1-based source the router reports for a destination; 0 or less
    // reports "no source".
    std::function<int(int level, int dest)> source = [](int, int dest) { return dest; };
    // Answers arrive this many ticks after the tick that asked.
    int lateTicks = 0;

    // One tick of the router, run after the driver's poll tick: takes the
    // frames written since the last step, then delivers every answer that is
    // due. Returns the number of bytes delivered.
    int Step();

    // Every status query seen so far, in order.
    const std::vector<RouterQuery>& Queries() const { return queries_; }

    // The status line reporting one crosspoint, CR LF included.
    static std::string StatusLine(int level, int dest, int source);
    // Reads a status query frame ("@ X?" level, destination - 1, CR).
    static bool ParseQuery(const std::string& frame, RouterQuery* out);

private:
    struct Pending {
        int due;
        std::string bytes;
    };
    size_t seen_ = 0;
    int tick_ = 0;
    std::vector<RouterQuery> queries_;
    std::deque<Pending> pending_;
};
