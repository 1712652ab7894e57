// Opening, configuring and closing ports: the table's life, refusals, the
// line settings and timeouts, and the reader thread's end.
#include <gtest/gtest.h>

#include <cstring>

#include "comms_test_support.h"

namespace {

class CommsOpenClose : public ::testing::Test {
protected:
    void TearDown() override
    {
        for (int i = 0; i < COMMS_MAX_PORTS; i++)
            Comms_ClosePort(i);
        EXPECT_EQ(hPortTable, nullptr);
    }
};

COMMTIMEOUTS TimeoutsOf(int index)
{
    COMMTIMEOUTS t = {};
    GetCommTimeouts(RecordOf(index).hCom, &t);
    return t;
}

void ExpectTimeouts(const COMMTIMEOUTS& t, DWORD interval, DWORD multiplier)
{
    EXPECT_EQ(t.ReadIntervalTimeout, interval);
    EXPECT_EQ(t.ReadTotalTimeoutMultiplier, multiplier);
    EXPECT_EQ(t.ReadTotalTimeoutConstant, 0u);
    EXPECT_EQ(t.WriteTotalTimeoutMultiplier, 0u);
    EXPECT_EQ(t.WriteTotalTimeoutConstant, 1000u);
}

}  // namespace

// Refused arguments, a port that does not exist and a mapped one with no
// device behind it (Wine opens it; reading its state fails) leave no table.
// With a port open, the table stays; calls on an index not in use, -1
// included, fail cleanly and leave the open port working.
TEST_F(CommsOpenClose, FailedOpensAndIndexesNotInUse)
{
    struct { int port; uint32_t speed; } cases[] = {
        {0, 9600}, {257, 9600}, {kPort, 0}, {kMissingPort, 9600}, {kMappedButAbsentPort, 9600}};
    for (auto c : cases) {
        EXPECT_EQ(Comms_OpenPort(c.port, c.speed, 8, 0, 0), -1) << c.port << " " << c.speed;
        EXPECT_EQ(hPortTable, nullptr);
        EXPECT_EQ(Comms_Write(0, "x", 1), -3);
    }
    ASSERT_EQ(Comms_OpenPort(kPort, 9600, 8, 0, 0), kIndex);
    EXPECT_EQ(Comms_OpenPort(kMissingPort, 9600, 8, 0, 0), -1);
    EXPECT_EQ(RecordOf(kMissingPort - 1).hCom, nullptr);
    for (int index : {10, 300, -1}) {
        SCOPED_TRACE(index);
        char buf[4];
        CommsStat stat = {};
        EXPECT_EQ(Comms_Write(index, "x", 1), -2);
        EXPECT_EQ(Comms_GetError(index, &stat), -1);
        EXPECT_EQ(Comms_SetNotifyWindow(index, 0, 1), 0);
        EXPECT_FALSE(Comms_ConfigDialog(index, nullptr));
        EXPECT_EQ(Comms_Read(index, buf, sizeof buf), 0);
        Comms_ClosePort(index);
    }
    FarEnd remote(kFarPort);
    EXPECT_EQ(Comms_Write(kIndex, "one", 3), 3);
    EXPECT_EQ(remote.Read(3), "one");
}

TEST_F(CommsOpenClose, TimeoutsFollowTheSpeedAndTheReadChunk)
{
    // The read interval after the open, and after a notify window with chunk 1.
    const struct { uint32_t speed; DWORD openInterval, notifyInterval; } cases[] = {
        {9600, 10, 10}, {38400, 2, 2}, {115200, 0, 1}};
    NotifySink sink;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.speed);
        ASSERT_EQ(Comms_OpenPort(kPort, c.speed, 8, 0, 0), kIndex);
        ExpectTimeouts(TimeoutsOf(kIndex), c.openInterval, 16);
        EXPECT_EQ(iReadChunk[kIndex], 16);

        EXPECT_EQ(Comms_SetNotifyWindow(kIndex, sink.plat(), 1), 1);
        ExpectTimeouts(TimeoutsOf(kIndex), c.notifyInterval, 1);
        EXPECT_EQ(iReadChunk[kIndex], 1);
        Comms_ClosePort(kIndex);
    }
    // The chunk is kept within the reader's buffer; a negative one only
    // stops the notifications.
    ASSERT_EQ(Comms_OpenPort(kPort, 9600, 8, 0, 0), kIndex);
    struct { int asked; LONG kept; } chunks[] = {{0, 1}, {1000, 256}, {7, 7}, {-1, 7}};
    for (auto c : chunks) {
        EXPECT_EQ(Comms_SetNotifyWindow(kIndex, sink.plat(), c.asked), 1);
        EXPECT_EQ(iReadChunk[kIndex], c.kept) << c.asked;
        EXPECT_EQ(TimeoutsOf(kIndex).ReadTotalTimeoutMultiplier, (DWORD)c.kept);
    }
    EXPECT_EQ(RecordOf(kIndex).hNotifyWnd, nullptr);
}

TEST_F(CommsOpenClose, LineSettingsAreAppliedAndTheRestOfTheStateIsKept)
{
    DCB system = {}, now = {};
    system.DCBlength = now.DCBlength = sizeof system;
    ASSERT_EQ(Comms_OpenPort(kPort, 9600, 8, 0, 0), kIndex);
    ASSERT_TRUE(Comms_GetState(kIndex, &system));
    Comms_ClosePort(kIndex);

    ASSERT_EQ(Comms_OpenPort(kPort, 19200, 7, TWOSTOPBITS, EVENPARITY), kIndex);
    ASSERT_TRUE(Comms_GetState(kIndex, &now));
    // A pseudo-terminal keeps speed and stop bits but always reports 8 data
    // bits and no parity, so those two cannot be read back here.
    EXPECT_EQ(now.BaudRate, 19200u);
    EXPECT_EQ(now.StopBits, TWOSTOPBITS);
    system.BaudRate = now.BaudRate;
    system.StopBits = now.StopBits;
    system.ByteSize = now.ByteSize;
    system.Parity = now.Parity;
    system.fParity = now.fParity;
    EXPECT_EQ(std::memcmp(&now, &system, sizeof now), 0) << "the rest of the state changed";
}

// With a chunk of 256 an idle read waits over a minute for its timeout; the
// close must still end the thread before it returns.
TEST_F(CommsOpenClose, CloseEndsAReaderInTheMiddleOfALongRead)
{
    ASSERT_EQ(Comms_OpenPort(kPort, 9600, 8, 0, 0), kIndex);
    EXPECT_EQ(Comms_SetNotifyWindow(kIndex, 0, 256), 1);
    HANDLE thread = nullptr;
    ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), RecordOf(kIndex).hThread, GetCurrentProcess(),
                                &thread, 0, FALSE, DUPLICATE_SAME_ACCESS));
    Sleep(50);  // lets the thread's long read get under way (not a synchronisation)
    Comms_ClosePort(kIndex);
    EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_OBJECT_0);
    CloseHandle(thread);
}

// A reader thread stuck outside its read (here: held inside the tick source)
// must not have its record, ring or handle released under it.
namespace {
HANDLE gGate;
volatile LONG gHeld;
DWORD HeldTick()
{
    InterlockedExchange(&gHeld, 1);
    WaitForSingleObject(gGate, INFINITE);
    return GetTickCount();
}
}  // namespace

TEST_F(CommsOpenClose, AReaderThatWillNotEndKeepsItsPortUntilItHasGone)
{
    gGate = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    gHeld = 0;
    ASSERT_EQ(Comms_OpenPort(kPort, 9600, 8, 0, 0), kIndex);
    HANDLE thread = nullptr;
    DuplicateHandle(GetCurrentProcess(), RecordOf(kIndex).hThread, GetCurrentProcess(), &thread, 0,
                    FALSE, DUPLICATE_SAME_ACCESS);
    Comms_SetTickSource(HeldTick);
    FarEnd remote(kFarPort);
    remote.Write("z");
    ASSERT_TRUE(WaitUntil([] { return gHeld != 0; }));

    Comms_ClosePort(kIndex);
    EXPECT_NE(hPortTable, nullptr);
    EXPECT_NE(RecordOf(kIndex).hCom, nullptr);
    EXPECT_NE(RecordOf(kIndex).hRxBuffer, nullptr);
    EXPECT_EQ(Comms_OpenPort(kPort, 9600, 8, 0, 0), -2);

    Comms_SetTickSource(nullptr);
    SetEvent(gGate);
    EXPECT_EQ(WaitForSingleObject(thread, 20000), WAIT_OBJECT_0);
    DWORD code = 0;
    GetExitCodeThread(thread, &code);
    EXPECT_EQ(code, (DWORD)(kIndex + 100));
    EXPECT_EQ(Comms_OpenPort(kPort, 9600, 8, 0, 0), kIndex);
    Comms_ClosePort(kIndex);
    EXPECT_EQ(hPortTable, nullptr);
    CloseHandle(thread);
    CloseHandle(gGate);
}
