// The simulated router's state: levels 0 to 15, each with a source and
// destination count and the source on every destination; and the protocol
// it speaks: commands in, status lines out. Numbers here are wire numbers
// (destination - 1, source - 1); NO_SOURCE marks a destination without one.
#pragma once

#include <string>
#include <vector>

namespace sim {

const int LEVELS = 16;
const long NO_SOURCE = -1;

struct Level {
    int sources = 0;
    int dests = 0;                 // 0: the router has no such level
    std::vector<long> xpt;         // per destination: source, or NO_SOURCE
};

enum CommandKind { CMD_UNKNOWN, CMD_FIXED, CMD_REPORT_ON, CMD_REPORT_OFF, CMD_QUERY, CMD_TAKE };

struct Command {
    CommandKind kind = CMD_UNKNOWN;
    int level = 0;
    long dest = 0;
    long source = NO_SOURCE;
};

// The value of a hexadecimal digit in either case; -1 for any other character.
int HexDigit(char c);

// Reads one command line (without its CR): "@ ?", "@ !", "T F", "@ X?<l><d>"
// or "@ X:<l>/<d>,<s>", hexadecimal in either case; FFFFFFFF is no source.
// A level beyond the router's reads as LEVELS, which no level has.
Command ParseCommand(const std::string& line);

// "S:<l><d>,<s>" or "S:<l><d>,X", then CR LF; digits in lower case when
// asked, numbers padded with zeros to pad digits.
std::string StatusLine(int level, long dest, long source, bool lower = false, int pad = 0);

class Router {
public:
    // Sizes a level (0 sources or destinations removes it); every
    // destination starts without a source.
    void Size(int level, int sources, int dests);
    bool HasDest(int level, long dest) const;
    bool ValidSource(int level, long source) const;
    long Get(int level, long dest) const;
    // True when the crosspoint changed.
    bool Set(int level, long dest, long source);
    const Level& At(int level) const { return levels_[level]; }

private:
    Level levels_[LEVELS];
};

}  // namespace sim
