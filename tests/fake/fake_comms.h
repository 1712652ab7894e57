// Fake of the serial library for the native tests: records the frames
// written, hands out scripted received bytes, and logs the other calls in
// the platform fake's log ("open 3 9600 7 0 2", "close 1", "notify 4096 64",
// "comm error", "read").
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "comms/comms.h"

struct FakeCommsState {
    int openResult = 0;                  // result of Comms_OpenPort
    int writeResult = 0;                 // 0: the count; otherwise returned as is
    int errorMask = 0;                   // result of Comms_GetError
    std::vector<std::string> writes;     // every frame written, as bytes
    std::deque<unsigned char> rx;        // bytes waiting to be read
    std::function<void()> onWrite;       // runs after each frame is recorded
};

// The fake's serial state, cleared with the rest of the fake by fake::Reset().
FakeCommsState& FakeComms();
