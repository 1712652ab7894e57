// Router commands: the tokenizer, RC in its readings, RL, RP and RQ.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "hostlink/cmd.h"
#include "tests/fake/fake_comms.h"
#include "tests/native/test_leitch_support.h"

using namespace hostlink_test;

namespace {

using Texts = std::vector<std::string>;

TEST(CmdTokenize, Table)
{
    const struct {
        const char* text;
        int max, count;
        std::vector<int> fields;
        const char* fourth;   // the fourth field's text
    } cases[] = {
        {"RC 101 5 3", 5, 5, {101, 5, 3, 0, 0}, ""},           // trailing fields empty
        {"RC 101 5 3 'a b  c' 42", 5, 5, {101, 5, 3, 0, 42}, "a b  c"},   // quotes keep blanks
        {"RC101 5 3", 5, 5, {1, 5, 3, 0, 0}, ""},              // character 2 skipped unread
        {"RC", 5, 0, {0, 0, 0, 0, 0}, ""},                     // the letters alone
        {"RC 101 5 3 'open 42", 5, 4, {101, 5, 3, 0, 0}, "open 42"},   // quote never closed
        {"RC  101   5\t3", 5, 5, {101, 5, 0, 0, 0}, ""},       // a tab belongs to the field
        {"RL -5 +7 x9 9x 'a b'", 5, 5, {-5, 7, 0, 9, 0}, "9x"},
        {"RC 99999999999 -99999999999", 2, 2, {INT_MAX, INT_MIN, 0, 0, 0}, ""},
        {"RC 1 2 3 4 5 6 7", 9, 5, {1, 2, 3, 4, 5}, "4"},      // never past the table
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        Cmd_Tokenize("RC 9 9 9 9 9", 5);   // leftovers must not show through
        EXPECT_EQ(Cmd_Tokenize(c.text, c.max), c.count);
        for (int i = 0; i < 5; ++i)
            EXPECT_EQ(Cmd_Arg(i), c.fields[i]) << "field " << i + 1;
        EXPECT_STREQ(Cmd_ArgText(3), c.fourth);
    }
    // A long field is cut; the rest of the long word is skipped, not a field.
    Cmd_Tokenize(("RC " + std::string(300, '7') + " 8").c_str(), 2);
    EXPECT_EQ(std::string(Cmd_ArgText(0)), std::string(255, '7'));
    EXPECT_EQ(Cmd_Arg(1), 8);
}

// In simulation the store answers at once, in each reading the settings
// ask for; the take frames themselves are read at the router end to end.
TEST(Cmd, ConnectReadings)
{
    const struct {
        int sourceToDest, destToSource;
        const char* text;
        int tally3, tally5;    // afterwards, 9 before
        Texts host;            // revertives
    } cases[] = {
        {1, 0, "RC 101 5 3", 5, 9, {"2187 0 'RR 101 003 005'"}},            // source first
        {0, 1, "RC 101 3 5 ',---' 0", 5, 9, {"2187 0 'RR 101 003 005'"}},   // destination first
        {1, 1, "RC 101 3 5 ',---' 0", 5, 3, {"2187 0 'RR 101 005 003'", "2187 0 'RR 101 003 005'"}},
        {0, 0, "RC 101 5 3", 9, 9, {}},
        {1, 0, "RC 101 17 3", 9, 9, {}},        // source out of range
        {1, 0, "RC 103 5 3", 9, 9, {}},         // unknown device
        {1, 0, "RC 101 5 3 ',--- 0", 9, 9, {}},   // quote left open
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        StartTwoLevels();
        Settings().SourceToDest = c.sourceToDest;
        Settings().DestToSource = c.destToSource;
        Settings().Simulation = 1;
        Store_SetTally(101, 3, 9);
        Store_SetTally(101, 5, 9);
        Cmd_Tokenize("RC 101 5 3 ',---' 0", 5);   // a previous command's fields
        Cmd_Dispatch(c.text);
        EXPECT_EQ(Store_GetTally(101, 3), c.tally3);
        EXPECT_EQ(Store_GetTally(101, 5), c.tally5);
        EXPECT_EQ(fake::S().hostTx, c.host);
    }
}

// A take clears the destination's tally until the router reports it, so RQ
// never answers the old source meanwhile and a take of the source already
// routed still gets its revertive; a requester the access list refuses or
// a locked destination takes nothing. Level F carries A's device number (and
// so its size) too: the first level with the number is the one routed.
TEST(Cmd, TakesClearTheTallyAndRefusalsTakeNothing)
{
    const struct {
        const char* text;
        int locked;
        Texts frames;
        int tally2;
    } cases[] = {
        {"RC 101 3 2 ',---' 0", 0, {"@ X:0/1,2\r"}, 0},
        {"RC 101 3 2 ',---' 42", 0, {}, 4},
        {"RC 101 3 2 ',---' 0", 1, {}, 4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.text) + (c.locked ? " locked" : ""));
        StartTwoLevels(5, 101);
        Store_SetTally(101, 2, 4);
        Store_SetLock(101, 2, c.locked);
        Cmd_Dispatch(c.text);
        EXPECT_EQ(FakeComms().writes, c.frames);
        EXPECT_EQ(Store_Level(0)->hTally[2 * (2 - 1) + 1], c.tally2);
    }
}

// The first take may let another command in before the second reading.
TEST(Cmd, BothReadingsKeepTheirOwnFieldsWhenATakeLetsAnotherCommandIn)
{
    StartTwoLevels();
    Settings().DestToSource = 1;
    FakeComms().onWrite = [] { Cmd_Tokenize("RC 102 7 7 ',---' 0", 5); };
    Cmd_Dispatch("RC 101 3 5 ',---' 0");
    EXPECT_EQ(FakeComms().writes, (Texts{"@ X:0/4,2\r", "@ X:0/2,4\r"}));
}

// Without a router for the level nothing is taken; in simulation the store
// answers for every level.
TEST(Cmd, ConnectOnALevelTheLinkCannotServe)
{
    StartTwoLevels(16, 117);
    Store_SetTally(117, 2, 4);
    Cmd_Dispatch("RC 117 1 2");
    EXPECT_EQ(Store_GetTally(117, 2), 4);
    EXPECT_TRUE(FakeComms().writes.empty());
    Settings().Simulation = 1;
    Cmd_Dispatch("RC 117 1 2");
    EXPECT_EQ(Store_GetTally(117, 2), 1);
}

TEST(Cmd, LockRangesAndRefusals)
{
    struct { const char* text; int locked101, locked102; } cases[] = {
        {"RL 101 3 5 7 0", 3, 0},     // any non-zero flag locks
        {"RL 101 5 3 1 0", 0, 0},     // reversed range changes nothing
        {"RL 101 10 13 1 0", 0, 0},   // past the level's 12 destinations
        {"RL 101 1 4 1", 4, 0},       // missing requester reads as the panel
        {"RL 101 1 4 'x 0", 0, 0},    // quote left open: requester never read
        {"RL 102 1 4 1 0", 0, 4},
    };
    for (const auto& c : cases) {
        StartTwoLevels();
        Cmd_Dispatch(c.text);
        int locked[2] = {0, 0};
        for (int d = 1; d <= 12; ++d)
            for (int i : {0, 1})
                locked[i] += Store_GetLock(101 + i, d) == 1;
        EXPECT_EQ(std::make_pair(locked[0], locked[1]), std::make_pair(c.locked101, c.locked102)) << c.text;
    }
}

// Queries out of range, unknown or malformed are ignored; in Rx only
// commands still act, but nothing is sent or counted.
TEST(Cmd, CommandsThatSendNothing)
{
    StartTwoLevels();
    Settings().bAccess[42] = 1;
    for (const char* text : {"RQ 101 0 3 42", "RQ 101 1 13 42", "RQ 103 1 3 42", "RP 101 'x", "rq 101 1 3 42",
                             "RX 101 1 3 42", ""})
        Cmd_Dispatch(text);
    EXPECT_TRUE(fake::S().hostTx.empty());
    HostLink().iTxRxMode = TXRX_RXONLY;
    Settings().Simulation = 1;
    for (const char* text : {"RC 101 5 3", "RQ 101 1 3 0", "RP 101 1 3 0", "RL 101 1 1 1 0"})
        Cmd_Dispatch(text);
    EXPECT_TRUE(fake::S().hostTx.empty());
    EXPECT_EQ(fake::CountLog("text 1101") + Cmd_TxCount(), 0);
    EXPECT_EQ(Store_GetLock(101, 1), 1);
    EXPECT_EQ(Store_GetTally(101, 3), 5);
}

// RP answers each destination of its range as a revertive to the requester,
// RQ as replies, the last one carrying the end mark.
TEST(Cmd, RangeAnswers)
{
    StartTwoLevels();
    Settings().bAccess[105] = 1;
    Store_SetTally(101, 4, 9);
    Cmd_Dispatch("RP 101 3 4 105");
    Cmd_Dispatch("RQ 101 4 5 105");
    EXPECT_EQ(fake::S().hostTx, (Texts{"2187 105 'RR 101 003 000'", "2187 105 'RR 101 004 009'",
                                       "2188 105 'RR 101 004 009'", "2188 32873 'RR 101 005 000'"}));
}

TEST(Cmd, RevertiveFormsOfUnknownAndUnreadableTallies)
{
    StartTwoLevels();
    Store_Level(0)->hTally[12] = 0xFF;   // destination 7 unknown
    Store_Level(0)->hTally[13] = 0xFF;
    Cmd_SendRevertives(101, 7, 7, 1, 0);
    Cmd_SendRevertives(101, 13, 13, 1, 0);   // beyond the level: tally unreadable
    EXPECT_EQ(fake::S().hostTx, (Texts{"2187 0 'RR 101 007 65535'", "2187 0 'RR 101 013 -01'"}));
}

}  // namespace
