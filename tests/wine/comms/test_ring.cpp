// The receive ring on its own: wrapping, the full ring and a null ring.
#include <gtest/gtest.h>

#include "comms_test_support.h"

namespace {

int Write(HGLOBAL ring, const std::string& data)
{
    int stored = -1;
    EXPECT_EQ(Ring_Write(ring, reinterpret_cast<const BYTE*>(data.data()), (int)data.size(), &stored), 1);
    return stored;
}

std::string Read(HGLOBAL ring, int count)
{
    std::string buf(count, '\0');
    buf.resize(Ring_Read(ring, reinterpret_cast<BYTE*>(&buf[0]), count));
    return buf;
}

}  // namespace

// Positions wrap from 16383 to 0; a full ring keeps its bytes and refuses
// the newest from the first that does not fit.
TEST(Ring, WrapsAndAFullRingRefusesTheNewest)
{
    HGLOBAL ring = Ring_Create(reinterpret_cast<HANDLE>(0x7A10));
    ASSERT_NE(ring, nullptr);
    EXPECT_EQ(Write(ring, Pattern(16380)), 16380);
    EXPECT_EQ(Read(ring, 16380), Pattern(16380));
    EXPECT_EQ(Write(ring, Pattern(10, 7)), 10);
    RXBUF* rb = static_cast<RXBUF*>(GlobalLock(ring));
    EXPECT_EQ(rb->iWritePos, 6);
    GlobalUnlock(ring);
    EXPECT_EQ(Read(ring, 10), Pattern(10, 7));

    const std::string data = Pattern(COMMS_RING_SIZE - 1);
    EXPECT_EQ(Write(ring, data), COMMS_RING_SIZE - 1);
    EXPECT_EQ(Write(ring, "more"), 0);
    EXPECT_EQ(Ring_Available(ring), COMMS_RING_SIZE - 1);
    EXPECT_EQ(Read(ring, 2), data.substr(0, 2));
    EXPECT_EQ(Write(ring, "more"), 2);
    EXPECT_EQ(Read(ring, COMMS_RING_SIZE), data.substr(2) + "mo");
    Ring_Destroy(ring);

    BYTE b = 0;
    EXPECT_EQ(Ring_Write(nullptr, &b, 1), 0);
    EXPECT_EQ(Ring_Read(nullptr, &b, 1), 0);
    EXPECT_EQ(Ring_Available(nullptr), -1);
}
