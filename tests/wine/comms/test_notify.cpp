// WM_COMMNOTIFY: its wParam and lParam and the throttle. The stores are made
// directly on an open, idle port with a test-controlled tick count, so the
// throttle is checked without depending on timing; one test goes end to end.
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
            SCOPED_TRACE(testing::Message() << "store of " << s.bytes << " at " << s.tick);
            Store(s.tick, s.bytes);
            auto seen = sink_.Take();
            if (s.expectCount == 0) {
                EXPECT_TRUE(seen.empty());
                continue;
            }
            ASSERT_EQ(seen.size(), 1u);
            EXPECT_EQ(seen[0].first, (WPARAM)kIndex);
            EXPECT_EQ(LOWORD(seen[0].second), 0);
            EXPECT_EQ(HIWORD(seen[0].second), s.expectCount);
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
        {{5000, 3, 3}, {5050, 1, 0}, {5099, 1, 0}, {5100, 1, 6}, {5150, 2, 0}},
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

TEST_F(CommsNotify, EveryReadReArmsEvenWhenItTakesNothing)
{
    Run({{5000, 3, 3}});
    char buf[1];
    EXPECT_EQ(Comms_Read(kIndex, buf, 0), 0);
    Run({{5010, 1, 4}});
    EXPECT_EQ(Comms_Read(kIndex, buf, 1), 1);
    Run({{5020, 1, 4}, {5030, 1, 0}});
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
    sink_.Take();
    Comms_SetReadHook(StoreOneByteNow);
    char buf[4];
    EXPECT_EQ(Comms_Read(kIndex, buf, 4), 3);
    Comms_SetReadHook(nullptr);
    EXPECT_EQ(sink_.Take().size(), 1u);
    EXPECT_EQ(Comms_Read(kIndex, buf, 4), 1);
}

TEST_F(CommsNotify, NoWindowNoNotificationButTheBytesAreKept)
{
    ASSERT_EQ(Comms_SetNotifyWindow(kIndex, sink_.plat(), -1), 1);
    Run({{5000, 3, 0}, {6000, 3, 0}});
    CommsStat stat = {};
    Comms_GetError(kIndex, &stat);
    EXPECT_EQ(stat.cbInQue, 6u);
}

TEST_F(CommsNotify, AReadAskingForMoreThanThereIsTakesWhatThereIs)
{
    Run({{5000, 3, 3}});
    char buf[5];
    EXPECT_EQ(Comms_Read(kIndex, buf, 5), 3);
    EXPECT_EQ(std::string(buf, 3), Pattern(3));
    CommsStat stat = {};
    Comms_GetError(kIndex, &stat);
    EXPECT_EQ(stat.cbInQue, 0u);
    EXPECT_EQ(RecordOf(kIndex).iRxCount, 0);
}

TEST_F(CommsNotify, AStoreThatCannotGetTheRingIsDroppedAndCounted)
{
    char name[32];
    std::snprintf(name, sizeof name, "%XBUFSEM", (unsigned)(UINT_PTR)RecordOf(kIndex).hCom);
    HANDLE sem = OpenSemaphoreA(SYNCHRONIZE | SEMAPHORE_MODIFY_STATE, FALSE, name);
    ASSERT_NE(sem, nullptr);
    ASSERT_EQ(WaitForSingleObject(sem, 5000), WAIT_OBJECT_0);
    Store(5000, 4);
    ReleaseSemaphore(sem, 1, nullptr);
    CloseHandle(sem);
    EXPECT_EQ(Comms_GetDropped(kIndex), 4u);
    EXPECT_EQ(RecordOf(kIndex).iRxCount, 0);
    sink_.Take();
    char none[1];
    EXPECT_EQ(Comms_Read(kIndex, none, 1), 0);   // reaches the hole: stores resume
    Run({{5200, 2, 2}});
}

TEST(CommsNotifyEndToEnd, BytesFromTheFarEndAreAnnouncedWithTheIndex)
{
    NotifySink sink;
    ASSERT_EQ(Comms_OpenPort(kPort, 115200, 8, 0, 0), kIndex);
    ASSERT_EQ(Comms_SetNotifyWindow(kIndex, sink.plat(), 1), 1);
    FarEnd remote(kFarPort);
    remote.Write("xyz", 3);
    std::vector<std::pair<WPARAM, LPARAM>> seen;
    ASSERT_TRUE(WaitUntil([&] {
        auto more = sink.Take();
        seen.insert(seen.end(), more.begin(), more.end());
        return !seen.empty();
    }));
    EXPECT_EQ(seen[0].first, (WPARAM)kIndex);
    EXPECT_EQ(LOWORD(seen[0].second), 0);
    EXPECT_GE(HIWORD(seen[0].second), 1);
    EXPECT_LE(HIWORD(seen[0].second), 3);
    EXPECT_EQ(ReadFromLibrary(kIndex, 3), "xyz");
    Comms_ClosePort(kIndex);
}
