// Status lines decoded into the crosspoint store, with the revertives and
// the link indications they cause.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/native/test_leitch_support.h"

namespace {

using leitch_test::AllTallies;
using leitch_test::Feed;

// Level A (101): 43 sources, 32 destinations, destination 32 on source 7;
// B (102): 8 x 4; K (index 10, 111): 16 x 16.
void StartThreeLevels()
{
    leitch_test::Start({{0, 101, 43, 32}, {1, 102, 8, 4}, {10, 111, 16, 16}});
    Store_SetTally(101, 32, 7);
}

int Revertives() { return fake::CountLog("hosttx 2187 "); }

// Lines that set exactly the tally they name, reported once: the same line
// again changes nothing and sends nothing. An answer clears iUnAck.
TEST(LeitchDecode, LinesChangeOnlyTheNamedTallyOnce)
{
    const struct {
        const char* line;
        int level, dest, tally;
    } cases[] = {
        {"S:01F,2A", 0, 32, 43},
        {">S:01F,2A", 0, 32, 43},         // prompt without a line end in front
        {"@ X?01FS:01F,2A", 0, 32, 43},   // echoed command in front
        {"> S:01f,2a", 0, 32, 43},
        {"S:01F,0", 0, 32, 1},
        {"S:01F,FFFFFFFF", 0, 32, 0},     // the park entry as takes write it
        {"S:01F,X", 0, 32, 0},            // no source at the router: parked
        {"S:13,5", 1, 4, 6},
        {"S:A0,4", 10, 1, 5},             // levels above J in hexadecimal
        {"S:a0,4", 10, 1, 5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        StartThreeLevels();
        Link().iUnAck = 4;
        leitch_test::Tallies before = AllTallies();
        Feed(std::string(c.line) + "\r\n" + c.line + "\r\n");
        leitch_test::Tallies after = AllTallies();
        int changed = 0;
        for (size_t i = 0; i < after.size(); ++i)
            changed += after[i] != before[i];
        EXPECT_EQ(changed, 1);
        EXPECT_EQ(Store_GetTally(Store_Level(c.level)->iDevice, c.dest), c.tally);
        EXPECT_EQ(Revertives(), 1);
        EXPECT_EQ(Link().iUnAck, 0);
        if (c.level == 0)   // the polled level: shown OK again
            EXPECT_TRUE(fake::LogHasInOrder({"text 1801 '/__2B__'", "text 1801 'Ok'"}));
    }
}

// A source beyond the level's count: the tally stays and the stored one is
// reported every time.
TEST(LeitchDecode, SourceBeyondTheLevelKeepsTheTallyAndReportsEveryTime)
{
    StartThreeLevels();
    Feed("S:01F,2C\r\nS:01F,2B\r\n");
    EXPECT_EQ(Store_GetTally(101, 32), 7);
    EXPECT_EQ(fake::CountLog("hosttx 2187 p=0 'RR 101 032 007'"), 2);
}

// Lines that must leave the store, the revertives, the link indicator and
// iUnAck as they were. A device number carried by two levels leads the store
// to the lower one; a line for the upper level must not write there.
TEST(LeitchDecode, LinesWithoutEffect)
{
    const char* lines[] = {
        "S:020,0",          // destination 33 of 32
        "S:0FFFFFFFF,0",    // destination 0
        "S:23,1",           // level C is not configured
        "S:F0,1",           // nor is level P
        "S:G1F,2A",         // unreadable level
        "S:0ZZ,2A",         // unreadable destination
        "S:01F",            // no source and no ",X"
        "S:01F,ZZ",
        "OK S 01F,2A",      // no status mark
        "S:31F,2A",         // level D shares A's device
    };
    for (const char* line : lines) {
        StartThreeLevels();
        Store_Level(3)->iDevice = 101;
        leitch_test::Tallies before = AllTallies();
        Link().iUnAck = 3;
        Feed(std::string(line) + "\r\n");
        EXPECT_EQ(AllTallies(), before) << line;
        EXPECT_EQ(Link().iUnAck, 3) << line;
        EXPECT_TRUE(fake::S().log.empty()) << line << ": " << fake::S().log[0];
    }
}

// The answer to a level's last query arrives when the cycle has moved on:
// the level that answered is set OK, the polled one keeps its state and the
// Status indicator, which shows the polled level, is untouched. (A polled
// level's recovery is read through the link health table.)
TEST(LeitchDecode, AnswerForALevelNoLongerPolled)
{
    StartThreeLevels();
    Link().iComState[1] = COMSTATE_FAIL;
    Link().iComState[10] = COMSTATE_FAIL;
    Link().iTallyRtr = 10;
    Feed("S:13,1\r");
    EXPECT_EQ(Link().iComState[1], COMSTATE_OK);
    EXPECT_EQ(Link().iComState[10], COMSTATE_FAIL);
    EXPECT_EQ(fake::CountLog("text 1801"), 0);
}

}  // namespace
