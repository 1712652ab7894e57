// A router played by a test: it reads the status queries the driver wrote to
// the fake port (FakeComms().writes) and answers them with status lines in
// the fake's receive bytes, on time, late or not at all, as scripted. Each
// destination reports itself as its source.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <utility>
#include <vector>

class ScriptedRouter {
public:
    // Whether the n-th query (0-based, counted over the whole run) is answered.
    std::function<bool(int n)> answers = [](int) { return true; };
    int lateTicks = 0;   // answers arrive this many ticks after the tick that asked
    std::vector<std::pair<int, int>> queries;   // (level, 1-based destination) seen, in order

    // One tick of the router, run after the driver's poll tick: takes the
    // frames written since the last step, then delivers every answer that is
    // due. Returns the number of bytes delivered.
    int Step();
    // The status line reporting destination dest (1-based), CR LF included.
    static std::string StatusLine(int level, int dest);

private:
    struct Pending {
        int due;
        std::string bytes;
    };
    size_t seen_ = 0;
    int tick_ = 0;
    std::deque<Pending> pending_;
};
