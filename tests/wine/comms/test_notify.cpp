// WM_COMMNOTIFY: its wParam and lParam, the throttle, the re-arming read and
// a store that finds no room. The stores are made directly on an open, idle
// port with a test-controlled tick count, so nothing depends on timing.
#include <gtest/gtest.h>

#include <cstdio>

#include "comms_test_support.h"

namespace {

DWORD gNow;
DWORD TestTick() { return gNow; }

// A store at a tick: the bytes, and the notification expected (0: none,
// else the unread count it must carry).
struct Step {
    DWORD tick;
    int bytes;
    int expectCount;
};

class CommsNotify : public ::testing::Test {
protected:
    void SetUp() override
    {
        Comms_SetTickSource(TestTick);
        ASSERT_EQ(Comms_OpenPort(kPort, 38400, 8, 0, 0), kIndex);
        ASSERT_EQ(Comms_SetNotifyWindow(kIndex, sink_.plat(), 16), 1);
    }
    void TearDown() override
    {
        Comms_ClosePort(kIndex);
        Comms_SetTickSource(nullptr);
    }
    void Store(DWORD tick, int bytes)
    {
        gNow = tick;
        std::string data = Pattern(bytes);
        Comms_StoreReceived(kIndex, reinterpret_cast<const BYTE*>(data.data()), bytes);
    }
    void Run(const std::vector<Step>& steps)
    {
        for (const Step& s : steps) {
            Store(s.tick, s.bytes);
            auto seen = sink_.Take();
            std::vector<std::pair<WPARAM, LPARAM>> want;
            if (s.expectCount)
                want.emplace_back(kIndex, MAKELPARAM(0, s.expectCount));
            EXPECT_EQ(seen, want) << "store of " << s.bytes << " at " << s.tick;
        }
    }
    NotifySink sink_;
};

}  // namespace

// One notification per 100 ms while the application does not read, also
// across the tick count's wrap and in its first 100 ms; more than 8192
// unread bytes post at every store. Each run starts on a fresh port.
TEST_F(CommsNotify, Throttle)
{
    const std::vector<std::vector<Step>> runs = {
        {{0xFFFFFFC0u, 2, 2}, {0x00000010u, 1, 0}, {0x00000200u, 1, 4}, {0x00000210u, 1, 0}},
        {{10, 1, 1}, {50, 1, 0}, {109, 1, 0}, {110, 1, 4}},
        {{5000, 8191, 8191}, {5001, 1, 0}, {5002, 1, 8193}, {5003, 1, 8194}, {5004, 5000, 13194}},
    };
    for (const std::vector<Step>& steps : runs) {
        TearDown();
        SetUp();
        Run(steps);
    }
}

// A read re-arms even when it takes nothing; without a window nothing is
// posted and the bytes are still kept.
TEST_F(CommsNotify, EveryReadReArmsEvenWhenItTakesNothing)
{
    Run({{5000, 3, 3}});
    char buf[1];
    EXPECT_EQ(Comms_Read(kIndex, buf, 0), 0);
    Run({{5010, 1, 4}});
    EXPECT_EQ(Comms_Read(kIndex, buf, 1), 1);
    Run({{5020, 1, 4}, {5030, 1, 0}});

    ASSERT_EQ(Comms_SetNotifyWindow(kIndex, sink_.plat(), -1), 1);
    Run({{6000, 3, 0}});
    CommsStat stat = {};
    Comms_GetError(kIndex, &stat);
    EXPECT_EQ(stat.cbInQue, 8u);
}

// The reader stores a byte right after a read has taken what the ring held,
// while the notification that started the drain is still marked: the byte
// must be announced, or a drain that stops at a short read leaves it behind.
void StoreOneByteNow(int index)
{
    static const BYTE byte = 'x';
    Comms_SetReadHook(nullptr);
    Comms_StoreReceived(index, &byte, 1);
}

TEST_F(CommsNotify, AByteStoredJustAfterAReadIsAnnounced)
{
    Run({{5000, 3, 3}});
    Comms_SetReadHook(StoreOneByteNow);
    char buf[4];
    EXPECT_EQ(Comms_Read(kIndex, buf, 4), 3);
    Comms_SetReadHook(nullptr);
    EXPECT_EQ(sink_.Take().size(), 1u);
    EXPECT_EQ(Comms_Read(kIndex, buf, 4), 1);
}

// The ring's semaphore, found by its name, held elsewhere: the store gives
// up after 200 ms and drops its bytes, which never count as unread. The
// read that reaches the hole makes the next Comms_GetError report it, once,
// and stores resume.
TEST_F(CommsNotify, AStoreThatCannotGetTheRingIsDroppedAndReportedWhereReadingReachesIt)
{
    Run({{5000, 2, 2}});
    char name[32];
    std::snprintf(name, sizeof name, "%XBUFSEM", (unsigned)(UINT_PTR)RecordOf(kIndex).hCom);
    HANDLE sem = OpenSemaphoreA(SYNCHRONIZE | SEMAPHORE_MODIFY_STATE, FALSE, name);
    ASSERT_NE(sem, nullptr);
    ASSERT_EQ(WaitForSingleObject(sem, 5000), WAIT_OBJECT_0);
    Store(5001, 4);
    CommsStat stat = {};
    EXPECT_EQ(Comms_GetError(kIndex, &stat) & CE_RXOVER, 0);
    EXPECT_EQ(stat.cbInQue, (DWORD)-1);
    ReleaseSemaphore(sem, 1, nullptr);
    CloseHandle(sem);
    EXPECT_EQ(Comms_GetDropped(kIndex), 4u);
    Store(5002, 3);   // nothing is stored until the reading reaches the hole
    EXPECT_EQ(Comms_GetDropped(kIndex), 7u);

    EXPECT_EQ(ReadFromLibrary(kIndex, 2), Pattern(2));
    char none[1];
    EXPECT_EQ(Comms_Read(kIndex, none, 1), 0);
    EXPECT_EQ(Comms_GetError(kIndex, &stat) & CE_RXOVER, CE_RXOVER);
    EXPECT_EQ(Comms_GetError(kIndex, &stat) & CE_RXOVER, 0);
    EXPECT_EQ(RecordOf(kIndex).iRxCount, 0);
    sink_.Take();
    Run({{5200, 2, 2}});
}
