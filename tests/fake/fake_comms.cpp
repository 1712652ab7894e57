#include "tests/fake/fake_comms.h"

#include <cstring>

namespace {
FakeCommsState* gComms = nullptr;
}

FakeCommsState& FakeComms()
{
    if (!gComms)
        gComms = new FakeCommsState();
    return *gComms;
}

void FakeComms_Reset()
{
    delete gComms;
    gComms = new FakeCommsState();
}

int Comms_OpenPort(int port, uint32_t speed, int dataBits, int stopBitsCode, int parityCode)
{
    FakeCommsState& c = FakeComms();
    c.opens++;
    c.lastPort = port;
    c.lastSpeed = speed;
    c.lastDataBits = dataBits;
    c.lastStopBits = stopBitsCode;
    c.lastParity = parityCode;
    return c.openResult;
}

void Comms_ClosePort(int index)
{
    FakeComms().closes++;
    FakeComms().lastClosedIndex = index;
}

int Comms_SetNotifyWindow(int index, PlatWnd wnd, int readChunk)
{
    FakeComms().notifyWnd = wnd;
    FakeComms().readChunk = readChunk;
    return 1;
}

int Comms_Write(int index, const void* data, uint16_t count)
{
    FakeCommsState& c = FakeComms();
    c.writes.emplace_back((const char*)data, count);
    if (c.onWrite)
        c.onWrite();
    return c.writeResult ? c.writeResult : count;
}

int Comms_GetError(int index, CommsStat* stat)
{
    FakeComms().errorCalls++;
    if (stat) {
        std::memset(stat, 0, sizeof *stat);
        stat->cbInQue = (uint32_t)FakeComms().rx.size();
    }
    return FakeComms().errorMask;
}

int Comms_Purge(int, uint32_t) { return 1; }

int Comms_Read(int index, void* buffer, int count)
{
    FakeCommsState& c = FakeComms();
    c.readCalls++;
    int n = 0;
    unsigned char* out = (unsigned char*)buffer;
    while (n < count && !c.rx.empty()) {
        out[n++] = c.rx.front();
        c.rx.pop_front();
    }
    return n;
}
