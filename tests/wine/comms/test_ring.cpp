// The receive ring on its own: wrapping, the full ring and a null ring.
#include <gtest/gtest.h>

#include "comms_test_support.h"

namespace {

class Ring : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(ring_ = Ring_Create(reinterpret_cast<HANDLE>(0x7A10)), nullptr); }
    void TearDown() override { Ring_Destroy(ring_); }

    int Write(const std::string& data)
    {
        int stored = -1;
        EXPECT_EQ(Ring_Write(ring_, reinterpret_cast<const BYTE*>(data.data()), (int)data.size(), &stored), 1);
        return stored;
    }
    std::string Read(int count)
    {
        std::string buf(count, '\0');
        buf.resize(Ring_Read(ring_, reinterpret_cast<BYTE*>(&buf[0]), count));
        return buf;
    }
    HGLOBAL ring_ = nullptr;
};

}  // namespace

TEST_F(Ring, PositionsWrapFrom16383ToZero)
{
    EXPECT_EQ(Write(Pattern(16380)), 16380);
    EXPECT_EQ(Read(16380), Pattern(16380));
    const std::string tail = Pattern(10, 7);
    EXPECT_EQ(Write(tail), 10);
    RXBUF* rb = static_cast<RXBUF*>(GlobalLock(ring_));
    EXPECT_EQ(rb->iWritePos, 6);
    GlobalUnlock(ring_);
    EXPECT_EQ(Ring_Available(ring_), 10);
    EXPECT_EQ(Read(10), tail);

    BYTE b = 0;
    EXPECT_EQ(Ring_Write(nullptr, &b, 1), 0);
    EXPECT_EQ(Ring_Read(nullptr, &b, 1), 0);
    EXPECT_EQ(Ring_Available(nullptr), -1);
}

TEST_F(Ring, AFullRingKeepsItsBytesAndRefusesTheNewest)
{
    const std::string data = Pattern(COMMS_RING_SIZE - 1);
    EXPECT_EQ(Write(data), COMMS_RING_SIZE - 1);
    EXPECT_EQ(Write("more"), 0);
    EXPECT_EQ(Ring_Available(ring_), COMMS_RING_SIZE - 1);
    EXPECT_EQ(Read(2), data.substr(0, 2));
    EXPECT_EQ(Write("more"), 2);  // stops at the first byte that does not fit
    EXPECT_EQ(Read(COMMS_RING_SIZE), data.substr(2) + "mo");
}
