// The simulator's end of the serial line: a new pseudo-terminal pair or a
// real serial device, raw, non-blocking.
#pragma once

#include <string>

namespace sim {

struct SerialLine {
    int fd = -1;          // what the simulator reads and writes
    int keepFd = -1;      // pty: the far end, held open so reads never fail
    std::string path;     // the far end's path (pty) or the device
};

// False with a message in *error.
bool OpenPty(SerialLine* line, std::string* error);
bool OpenDevice(const std::string& path, long baud, SerialLine* line,
                std::string* error);
void CloseLine(SerialLine* line);

}  // namespace sim
