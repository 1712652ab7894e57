// Data through a real port: every byte value both ways, and a write the
// line cannot take in time.
#include <gtest/gtest.h>

#include "comms_test_support.h"

namespace {

class CommsData : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(Comms_OpenPort(kPort, 115200, 8, 0, 0), kIndex);
        ASSERT_TRUE(remote_.IsOpen());
    }
    void TearDown() override { Comms_ClosePort(kIndex); }
    FarEnd remote_{kFarPort};
};

}  // namespace

TEST_F(CommsData, EveryByteValueArrivesUnchangedBothWays)
{
    std::string data(1024, '\0');
    for (size_t i = 0; i < data.size(); i++)
        data[i] = (char)i;
    EXPECT_EQ(Comms_Write(kIndex, data.data(), (uint16_t)data.size()), 1024);
    EXPECT_EQ(remote_.Read(data.size()), data);
    EXPECT_EQ(remote_.Write(data), data.size());
    EXPECT_EQ(ReadFromLibrary(kIndex, data.size()), data);
}

// Nobody reads the far end: the line's buffers fill, the write timeout cuts
// the write short and the library reports the part that was taken, never a
// failed handle.
TEST_F(CommsData, AWriteCutShortByItsTimeoutReportsWhatWasTaken)
{
    const std::string data = Pattern(65535);
    int written = Comms_Write(kIndex, data.data(), 65535);
    EXPECT_GE(written, 0);
    EXPECT_LT(written, 65535);
}
