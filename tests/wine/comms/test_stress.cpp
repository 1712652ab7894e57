// The far end streams without pause while the application reads and closes
// and reopens the port many times: no crash, no byte out of order within one
// open, and every handle given back.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "comms_test_support.h"

namespace {

const int kRounds = 60;
const size_t kBytesPerRound = 300;

// Writes the endless pattern; short write timeouts keep it going while the
// port is closed.
void Stream(FarEnd* remote, std::atomic<bool>* stop)
{
    size_t sent = 0;
    std::string block;
    while (!*stop) {
        block = Pattern(251, sent);
        sent += remote->Write(block);
    }
}

// Within one open every byte follows the one before.
void ExpectContinuous(const std::string& got, int round)
{
    for (size_t i = 1; i < got.size(); i++) {
        unsigned char expected = (unsigned char)(((unsigned char)got[i - 1] + 1) % 251);
        ASSERT_EQ((unsigned char)got[i], expected) << "round " << round << " byte " << i;
    }
}

void OneRound(int round, NotifySink& sink)
{
    const int chunks[] = {1, 16, 256};
    ASSERT_EQ(Comms_OpenPort(kPort, 115200, 8, 0, 0), kIndex) << "round " << round;
    ASSERT_EQ(Comms_SetNotifyWindow(kIndex, sink.plat(), chunks[(round + 3) % 3]), 1);
    std::string got = ReadFromLibrary(kIndex, kBytesPerRound);
    ASSERT_EQ(got.size(), kBytesPerRound) << "round " << round;
    ExpectContinuous(got, round);
    Comms_ClosePort(kIndex);
    ASSERT_EQ(hPortTable, nullptr);
    sink.Take();
}

}  // namespace

TEST(Stress, StreamingWhileReadingClosingAndReopening)
{
    FarEnd remote(kFarPort, 20);
    ASSERT_TRUE(remote.IsOpen());
    std::atomic<bool> stop{false};
    std::thread streamer(Stream, &remote, &stop);
    NotifySink sink;

    OneRound(-1, sink);  // settles the handles the system creates once
    int handlesBefore = OpenHandleCount();
    for (int round = 0; round < kRounds && !HasFatalFailure(); round++)
        OneRound(round, sink);

    int handlesAfter = OpenHandleCount();
    stop = true;
    streamer.join();
    EXPECT_EQ(handlesAfter, handlesBefore);
}
