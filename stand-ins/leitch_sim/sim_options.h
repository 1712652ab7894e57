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

    // Dialect. Every field from here to the faults is a switch: given at
    // start as --NAME [VALUE] and at run time as "NAME VALUE" on the control
    // socket, through one table (SetSwitch).
    bool prompt = false;
    EchoMode echo = ECHO_NONE;
    bool reporting = false;        // "S:" for every crosspoint change ("@ ?" on, "@ !" off)
    bool needReport = false;       // queries get only a prompt while reporting is off
    bool errors = false;           // an out-of-range command gets the router's error reply
    bool lower = false;            // hexadecimal digits of status lines in lower case
    long pad = 0;                  // destination and source padded to this many digits
    long splitMs = 0;              // every output cut at a random byte, the rest up to splitMs later
    long mergeMs = 0;              // output held mergeMs, then written in one piece
    long busy = 0;                 // the next busy queries get only their echo and prompt

    // Faults.
    bool silent = false;
    long garbage = 0;              // random bytes before every answer
    long floodMs = 0;              // a status line every floodMs
    long bootMs = 0;               // start with the power-up banner and bootMs of silence
    unsigned long seed = 1;        // of every random choice (garbage, split points)

    bool verbose = false;
    bool help = false;
};

// False with a message in *error when the command line cannot be used.
bool ParseOptions(int argc, char** argv, Options* opt, std::string* error);
const char* UsageText();

// Sets one switch by name (without "--"): "on"/"off" for the flags, a
// number, or an echo mode. False with a message in *error.
bool SetSwitch(Options* opt, const std::string& name, const std::string& value,
               std::string* error);
// True when name is a switch; a flag takes no value on the command line.
bool IsSwitch(const std::string& name);
bool IsFlagSwitch(const std::string& name);

// A level named by its index 0 to 15 or its letter A to P; -1 otherwise.
int ParseLevel(const std::string& text);

}  // namespace sim
