// Data through a real port: both directions unchanged and in order, a burst
// larger than the ring, and writes at the 16-bit limit.
#include <gtest/gtest.h>

#include <thread>

#include "comms_test_support.h"

namespace {

class CommsData : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(Comms_OpenPort(kPort, 115200, 8, 0, 0), kIndex);
        ASSERT_TRUE(remote_.IsOpen());
    }
    void TearDown() override
    {
        Comms_ClosePort(kIndex);
        EXPECT_EQ(hPortTable, nullptr);
    }
    FarEnd remote_{kFarPort};
};

}  // namespace

TEST_F(CommsData, BytesWrittenArriveUnchanged)
{
    const std::string data = AllByteValues(1024);
    EXPECT_EQ(Comms_Write(kIndex, data.data(), (uint16_t)data.size()), 1024);
    EXPECT_EQ(remote_.Read(data.size()), data);
}

TEST_F(CommsData, BytesFromTheFarEndArriveInOrderWhateverTheChunk)
{
    for (int chunk : {1, 16, 256}) {
        SCOPED_TRACE(chunk);
        ASSERT_EQ(Comms_SetNotifyWindow(kIndex, 0, chunk), 1);
        const std::string data = AllByteValues(4096);
        std::thread writer([&] { remote_.Write(data); });
        EXPECT_EQ(ReadFromLibrary(kIndex, data.size()), data);
        writer.join();
    }
}

TEST_F(CommsData, AFullRingDropsTheNewestBytesAndNeverLooksEmpty)
{
    const size_t sent = 20000, kept = COMMS_RING_SIZE - 1;
    const std::string data = Pattern(sent);
    EXPECT_EQ(remote_.Write(data), sent);
    ASSERT_TRUE(WaitUntil([&] { return Comms_GetDropped(kIndex) == sent - kept; }))
        << Comms_GetDropped(kIndex);

    CommsStat stat = {};
    EXPECT_EQ(Comms_GetError(kIndex, &stat) & CE_RXOVER, 0) << "reported where the hole is";
    EXPECT_EQ(stat.cbInQue, kept);
    EXPECT_EQ(RecordOf(kIndex).iRxCount, (LONG)kept);
    EXPECT_EQ(ReadFromLibrary(kIndex, kept), data.substr(0, kept));
    remote_.Write("lost", 4);   // the hole lasts until a read comes short
    ASSERT_TRUE(WaitUntil([&] { return Comms_GetDropped(kIndex) == sent - kept + 4; }));
    char none[1];
    EXPECT_EQ(Comms_Read(kIndex, none, 1), 0);
    // Dropped bytes never counted as unread: the count falls back to zero.
    EXPECT_EQ(Comms_GetError(kIndex, &stat) & CE_RXOVER, CE_RXOVER);
    EXPECT_EQ(Comms_GetError(kIndex, &stat) & CE_RXOVER, 0);
    EXPECT_EQ(stat.cbInQue, 0u);
    EXPECT_EQ(RecordOf(kIndex).iRxCount, 0);

    remote_.Write("after", 5);
    EXPECT_EQ(ReadFromLibrary(kIndex, 5), "after");
}

TEST_F(CommsData, AWriteOfTheLargest16BitCountArrivesWhole)
{
    // A longer write timeout than the library's second keeps a loaded
    // machine from cutting the write short.
    COMMTIMEOUTS t = RecordOf(kIndex).ctTimeouts;
    t.WriteTotalTimeoutConstant = 60000;
    SetCommTimeouts(RecordOf(kIndex).hCom, &t);
    const std::string data = Pattern(65535);
    std::string got;
    std::thread reader([&] { got = remote_.Read(data.size()); });
    EXPECT_EQ(Comms_Write(kIndex, data.data(), 65535), 65535);
    reader.join();
    EXPECT_EQ(got, data);
}

// Nobody reads the far end: the line's buffers fill, the write timeout cuts
// the write short and the system reports part of it as done.
TEST_F(CommsData, AWriteCutShortByItsTimeoutFails)
{
    const std::string data = Pattern(65535);
    EXPECT_EQ(Comms_Write(kIndex, data.data(), 65535), -1);
}
