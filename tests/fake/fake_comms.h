// Fake of the serial library for the native tests: records the frames
// written and hands out scripted received bytes.
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
    int opens = 0, closes = 0, errorCalls = 0, readCalls = 0;
    int lastPort = 0, lastDataBits = 0, lastStopBits = 0, lastParity = 0;
    uint32_t lastSpeed = 0;
    int lastClosedIndex = -99;
    PlatWnd notifyWnd = 0;
    int readChunk = 0;
    std::function<void()> onWrite;       // runs after each frame is recorded
};

FakeCommsState& FakeComms();
void FakeComms_Reset();
