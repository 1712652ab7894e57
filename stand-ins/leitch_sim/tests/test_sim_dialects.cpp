// The simulator answers the driver's frames over its pty, in each dialect.
#include <gtest/gtest.h>

#include "sim_harness.h"

namespace {

const std::string kPoll = std::string("@ ?\rT F\r") + "@ X?01F\r";   // level A, destination 32

std::vector<std::string> WithSize(std::vector<std::string> args)
{
    args.insert(args.begin(), {"--size", "64:64"});
    return args;
}

// Starts a simulator whose level A destination 32 shows source 43.
struct Sim : SimProcess {
    explicit Sim(std::vector<std::string> args) : SimProcess(WithSize(args))
    {
        EXPECT_TRUE(Started());
        EXPECT_EQ(Control("set A 32 43"), "ok");
    }
};

TEST(LeitchSim, PlainAnswersQueriesAndPerformsTakes)
{
    Sim sim({});
    sim.Send(kPoll);
    EXPECT_EQ(sim.ReadUntil("\n"), "S:01F,2A\r\n");

    sim.Send("@ X:0/1F,0\r@ X?01F\r");
    EXPECT_EQ(sim.ReadUntil("\n"), "S:01F,0\r\n");
    EXPECT_EQ(sim.Control("get A 32"), "ok 1");

    sim.Send("@ X:0/4,FFFFFFFF\r@ X?04\r");
    EXPECT_EQ(sim.ReadUntil("\n"), "S:04,X\r\n");
    EXPECT_EQ(sim.Control("get A 5"), "ok 0");

    // Levels above J go out as one hexadecimal digit.
    EXPECT_EQ(sim.Control("set K 1 5"), "ok");
    sim.Send("@ X?A0\r@ X?F3F\r");
    EXPECT_EQ(sim.ReadUntil("\n"), "S:A0,4\r\n");
    EXPECT_EQ(sim.ReadUntil("\n"), "S:F3F,3F\r\n");
}

// Nothing comes back for a destination the router lacks: the next answer
// is the first thing on the line.
TEST(LeitchSim, UnknownDestinationsAndCommandsGetNoAnswer)
{
    Sim sim({"--level", "B=4:2"});
    sim.Send("@ X?12\r@ X?G0\rHELLO\r@ X:1/0,9\r@ X?01F\r");
    EXPECT_EQ(sim.ReadUntil("\n"), "S:01F,2A\r\n");
    EXPECT_EQ(sim.Control("get B 1"), "ok 1");   // the take of source 10 on 4 was refused
    EXPECT_EQ(sim.Control("commands"), "ok 5");
}

TEST(LeitchSim, PromptAfterEveryCommand)
{
    Sim sim({"--prompt"});
    sim.Send(kPoll);
    EXPECT_EQ(sim.ReadBytes(13), ">>S:01F,2A\r\n>");
}

TEST(LeitchSim, EchoWithLineEnds)
{
    Sim sim({"--echo", "line"});
    sim.Send(kPoll);
    EXPECT_EQ(sim.ReadUntil("S:01F,2A\r\n"), "@ ?\r\nT F\r\n@ X?01F\r\nS:01F,2A\r\n");
}

TEST(LeitchSim, EchoWithoutLineEnds)
{
    Sim sim({"--echo", "bare", "--prompt"});
    sim.Send(kPoll);
    EXPECT_EQ(sim.ReadBytes(26), "@ ?>T F>@ X?01FS:01F,2A\r\n>");
}

TEST(LeitchSim, LowercaseHexadecimal)
{
    Sim sim({"--lowercase"});
    EXPECT_EQ(sim.Control("set L 1 11"), "ok");
    sim.Send(kPoll + "@ X?B0\r");
    EXPECT_EQ(sim.ReadUntil("\n"), "S:01f,2a\r\n");
    EXPECT_EQ(sim.ReadUntil("\n"), "S:b0,a\r\n");
}

TEST(LeitchSim, ReportsChangesByItself)
{
    Sim sim({"--report"});
    EXPECT_EQ(sim.ReadUntil("\n"), "S:01F,2A\r\n");   // the set above
    sim.Send("@ X:0/1F,2A\r");                        // no change: no report
    sim.Send("@ X:0/0,3\r");
    EXPECT_EQ(sim.ReadUntil("\n"), "S:00,3\r\n");
    EXPECT_EQ(sim.Control("set A 1 0"), "ok");
    EXPECT_EQ(sim.ReadUntil("\n"), "S:00,X\r\n");
}

}  // namespace
