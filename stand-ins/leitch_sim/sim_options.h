// The simulator's command line.
#pragma once

#include <string>
#include <vector>

namespace sim {

enum EchoMode { ECHO_NONE, ECHO_LINE, ECHO_BARE };

struct LevelSize {
    int level;
    int sources;
    int dests;
};

struct Options {
    // Serial line.
    std::string device;            // empty: open a pseudo-terminal pair
    std::string link;              // symlink to the pty's far end
    long baud = 9600;              // 8 data bits, no parity, 1 stop bit
    std::string control;           // control socket path; empty: none
    long pace = 0;                 // output bytes per second at most; 0: unpaced

    // Levels and crosspoints.
    long levelCount = 16;          // the router has levels 0 to levelCount - 1
    int sources = 32, dests = 32;  // every level unless given per level
    std::vector<LevelSize> levels;
    std::string map;               // file of "level dest source" lines; destination d
                                   // shows source d (wrapping) unless it names one

    // Dialect.
    bool prompt = false;
    EchoMode echo = ECHO_NONE;

    // Faults.
    bool silent = false;
    long garbage = 0;              // random bytes before every answer
    long floodMs = 0;              // a status line every floodMs

    bool verbose = false;
    bool help = false;
};

// False with a message in *error when the command line cannot be used.
bool ParseOptions(int argc, char** argv, Options* opt, std::string* error);
const char* UsageText();

// A level named by its index 0 to 15 or its letter A to P; -1 otherwise.
int ParseLevel(const std::string& text);

}  // namespace sim
