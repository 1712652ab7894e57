// Router commands: the tokenizer, RC in its readings, RL, RP and RQ.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "hostlink/cmd.h"
#include "tests/fake/fake_comms.h"
#include "tests/native/test_cmd_fixture.h"

using namespace hostlink_test;

namespace {

struct TokenCase {
    const char* text;
    int max;
    int count;
    std::vector<int> fields;
};

TEST(CmdTokenize, Table)
{
    const TokenCase cases[] = {
        {"RC 101 5 3", 5, 5, {101, 5, 3, 0, 0}},           // trailing fields empty
        {"RC 101 5 3 ',---' 42", 5, 5, {101, 5, 3, 0, 42}}, // the panel's form
        {"RC101 5 3", 5, 5, {1, 5, 3, 0, 0}},               // character 2 skipped unread
        {"RC", 5, 0, {0, 0, 0, 0, 0}},                      // the letters alone
        {"RC 101 5 3 'open 42", 5, 4, {101, 5, 3, 0, 0}},   // quote never closed
        {"RC  101   5\t3", 5, 5, {101, 5, 0, 0, 0}},        // a tab belongs to the field
        {"RL -5 +7 x9 9x 'a b'", 5, 5, {-5, 7, 0, 9, 0}},
        {"RC 99999999999 -99999999999", 2, 2, {INT_MAX, INT_MIN, 0, 0, 0}},
        {"RC 1 2 3 4 5 6 7", 9, 5, {1, 2, 3, 4, 5}},        // never past the table
    };
    for (const TokenCase& c : cases) {
        SCOPED_TRACE(c.text);
        Cmd_Tokenize("RC 9 9 9 9 9", 5);   // leftovers must not show through
        EXPECT_EQ(Cmd_Tokenize(c.text, c.max), c.count);
        for (int i = 0; i < 5; ++i)
            EXPECT_EQ(Cmd_Arg(i), c.fields[i]) << "field " << i + 1;
    }
}

TEST(CmdTokenize, QuotedFieldsKeepBlanksAndLongFieldsAreCut)
{
    EXPECT_EQ(Cmd_Tokenize("RC 101 5 3 'a b  c' 42", 5), 5);
    EXPECT_STREQ(Cmd_ArgText(3), "a b  c");
    EXPECT_EQ(Cmd_Arg(4), 42);

    std::string longField(300, '7');
    Cmd_Tokenize(("RC " + longField + " 8").c_str(), 2);
    EXPECT_EQ(std::string(Cmd_ArgText(0)), std::string(255, '7'));
    EXPECT_EQ(Cmd_Arg(1), 8);   // the rest of the long word is skipped, not a field
}

class CmdTest : public ::testing::Test {
protected:
    void SetUp() override { StartTwoLevels(); }
    void Run(const char* text) { Cmd_Dispatch(text); }
    int Tally(int dest, int device = 101) { return Store_GetTally(device, dest); }
    int Lock(int dest, int device = 101) { return Store_GetLock(device, dest); }
};

// In simulation the store answers at once, in each reading the settings
// ask for; the take frames themselves are read at the router end to end.
TEST_F(CmdTest, ConnectReadings)
{
    const struct {
        const char* name;
        int sourceToDest, destToSource;
        const char* text;
        std::vector<int> tallies;        // of destinations 3 and 5 afterwards (9 before)
        std::vector<std::string> host;   // revertives
    } cases[] = {
        {"source first", 1, 0, "RC 101 5 3", {5, 9}, {"2187 0 'RR 101 003 005'"}},
        {"destination first", 0, 1, "RC 101 3 5 ',---' 0", {5, 9}, {"2187 0 'RR 101 003 005'"}},
        {"both readings", 1, 1, "RC 101 3 5 ',---' 0", {5, 3},
         {"2187 0 'RR 101 005 003'", "2187 0 'RR 101 003 005'"}},
        {"neither reading", 0, 0, "RC 101 5 3", {9, 9}, {}},
        {"source out of range", 1, 0, "RC 101 17 3", {9, 9}, {}},
        {"unknown device", 1, 0, "RC 103 5 3", {9, 9}, {}},
        {"quote left open", 1, 0, "RC 101 5 3 ',--- 0", {9, 9}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        StartTwoLevels();
        Settings().SourceToDest = c.sourceToDest;
        Settings().DestToSource = c.destToSource;
        Settings().Simulation = 1;
        Store_SetTally(101, 3, 9);
        Store_SetTally(101, 5, 9);
        Cmd_Tokenize("RC 101 5 3 ',---' 0", 5);   // a previous command's fields
        Run(c.text);
        EXPECT_EQ(Tally(3), c.tallies[0]);
        EXPECT_EQ(Tally(5), c.tallies[1]);
        EXPECT_EQ(HostTexts(), c.host);
    }
}

// The first take may let another command in before the second reading.
TEST_F(CmdTest, BothReadingsKeepTheirOwnFieldsWhenATakeLetsAnotherCommandIn)
{
    Settings().DestToSource = 1;
    FakeComms().onWrite = [] { Cmd_Tokenize("RC 102 7 7 ',---' 0", 5); };
    Run("RC 101 3 5 ',---' 0");
    EXPECT_EQ(FakeComms().writes, (std::vector<std::string>{"@ X:0/4,2\r", "@ X:0/2,4\r"}));
}

TEST_F(CmdTest, ConnectOnALevelTheLinkCannotServe)
{
    StartTwoLevels(16, 117);
    Store_SetTally(117, 2, 4);
    Run("RC 117 1 2");
    EXPECT_EQ(Tally(2, 117), 4);
    EXPECT_TRUE(FakeComms().writes.empty());

    Settings().Simulation = 1;   // no router: the store answers for every level
    Run("RC 117 1 2");
    EXPECT_EQ(Tally(2, 117), 1);
}

TEST_F(CmdTest, LockRangesAndRefusals)
{
    struct { const char* text; int locked; } cases[] = {
        {"RL 101 3 5 7 0", 3},     // any non-zero flag locks
        {"RL 101 5 3 1 0", 0},     // reversed range changes nothing
        {"RL 101 10 13 1 0", 0},   // past the level's 12 destinations
        {"RL 101 1 4 1", 4},       // missing requester reads as the panel
        {"RL 101 1 4 'x 0", 0},    // quote left open: requester never read
        {"RL 102 1 4 1 0", 0},     // the other level only
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        StartTwoLevels();
        Run(c.text);
        int locked = 0;
        for (int d = 1; d <= 12; ++d)
            locked += Lock(d);
        EXPECT_EQ(locked, c.locked);
    }
    StartTwoLevels();
    Run("RL 102 1 4 1 0");
    EXPECT_EQ(Lock(4, 102), 1);
}

TEST_F(CmdTest, QueriesThatSendNothing)
{
    Settings().bAccess[42] = 1;
    const char* ignored[] = {"RQ 101 0 3 42", "RQ 101 1 13 42", "RQ 103 1 3 42",
                             "RP 101 'x", "rq 101 1 3 42", "RX 101 1 3 42", ""};
    for (const char* text : ignored)
        Run(text);
    EXPECT_TRUE(fake::S().hostTx.empty());
    EXPECT_EQ(fake::CountLog("text 1101"), 0);
}

TEST_F(CmdTest, RxOnlySilence)
{
    HostLink().iTxRxMode = TXRX_RXONLY;
    Settings().Simulation = 1;
    Run("RC 101 5 3");
    Run("RQ 101 1 3 0");
    Run("RP 101 1 3 0");
    Run("RL 101 1 1 1 0");
    EXPECT_TRUE(fake::S().hostTx.empty());
    EXPECT_EQ(fake::CountLog("text 1101"), 0);
    EXPECT_EQ(Cmd_TxCount(), 0);
    EXPECT_EQ(Lock(1), 1);   // commands still act
    EXPECT_EQ(Tally(3), 5);
}

TEST_F(CmdTest, RevertiveFormsOfUnknownAndUnreadableTallies)
{
    Store_Level(0)->hTally[12] = 0xFF;   // destination 7 unknown
    Store_Level(0)->hTally[13] = 0xFF;
    Cmd_SendRevertives(101, 7, 7, 1, 0);
    Cmd_SendRevertives(101, 13, 13, 1, 0);   // beyond the level: tally unreadable
    EXPECT_EQ(HostTexts(), (std::vector<std::string>{"2187 0 'RR 101 007 65535'",
                                                      "2187 0 'RR 101 013 -01'"}));
}

}  // namespace
