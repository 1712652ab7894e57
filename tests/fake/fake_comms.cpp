#include "tests/fake/fake_comms.h"

#include <cstring>

#include "tests/fake/fake_platform.h"

FakeCommsState& FakeComms() { return fake::S().comms; }

int Comms_OpenPort(int port, uint32_t speed, int dataBits, int stopBitsCode, int parityCode)
{
    fake::Logf("open %d %u %d %d %d", port, speed, dataBits, stopBitsCode, parityCode);
    return FakeComms().openResult;
}

void Comms_ClosePort(int index) { fake::Logf("close %d", index); }

int Comms_SetNotifyWindow(int, PlatWnd wnd, int readChunk)
{
    fake::Logf("notify %ju %d", (uintmax_t)wnd, readChunk);
    return 1;
}

int Comms_Write(int, const void* data, uint16_t count)
{
    FakeCommsState& c = FakeComms();
    c.writes.emplace_back((const char*)data, count);
    if (c.onWrite)
        c.onWrite();
    return c.writeResult ? c.writeResult : count;
}

int Comms_GetError(int, CommsStat* stat)
{
    fake::Logf("comm error");
    if (stat) {
        std::memset(stat, 0, sizeof *stat);
        stat->cbInQue = (uint32_t)FakeComms().rx.size();
    }
    return FakeComms().errorMask;
}

int Comms_Purge(int, uint32_t) { return 1; }

int Comms_Read(int, void* buffer, int count)
{
    fake::Logf("read");
    std::deque<unsigned char>& rx = FakeComms().rx;
    int n = 0;
    for (unsigned char* out = (unsigned char*)buffer; n < count && !rx.empty(); rx.pop_front())
        out[n++] = rx.front();
    return n;
}
