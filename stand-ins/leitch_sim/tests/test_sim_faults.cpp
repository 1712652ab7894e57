// Fault switches of the simulator, and its control channel.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "sim_harness.h"

namespace {

const std::string kPoll = std::string("@ ?\rT F\r") + "@ X?00\r";   // level A, destination 1

TEST(LeitchSimFaults, SilentAfterCommandsUntilResumed)
{
    SimProcess sim({"--silent-after", "3", "--prompt"});
    sim.Send(kPoll);
    EXPECT_EQ(sim.ReadBytes(10), ">>S:00,0\r\n");
    EXPECT_EQ(sim.ReadBytes(1), ">");
    sim.Send(kPoll);   // unanswered
    ASSERT_TRUE(sim.WaitCommands(6));
    EXPECT_EQ(sim.Control("silent"), "ok");
    EXPECT_EQ(sim.Control("resume"), "ok");
    sim.Send("@ X?01\r");
    EXPECT_EQ(sim.ReadUntil("\n"), "S:01,1\r\n");
    EXPECT_EQ(sim.Control("commands"), "ok 7");
}

// A poll sent while the fault is on, then a query after the control
// command that lifts it: the pty delivers in order, so what comes first
// shows whether the poll was answered.
struct LiftCase {
    std::vector<std::string> args;
    const char* lift;
    const char* first;
};

TEST(LeitchSimFaults, FaultsLiftedFromTheControlChannel)
{
    const LiftCase cases[] = {
        {{"--silent"}, "resume", "S:01,1\r\n"},
        {{"--drop", "100"}, "drop 0", "S:01,1\r\n"},
        {{"--delay", "300"}, "delay 0", "S:00,0\r\n"},   // late, but never overtaken
    };
    for (const LiftCase& c : cases) {
        SimProcess sim(c.args);
        sim.Send(kPoll);
        ASSERT_TRUE(sim.WaitCommands(3)) << c.lift;
        EXPECT_EQ(sim.Control(c.lift), "ok");
        sim.Send("@ X?01\r");
        EXPECT_EQ(sim.ReadUntil("\n"), c.first) << c.lift;
    }
}

TEST(LeitchSimFaults, GarbageBeforeEveryAnswer)
{
    SimProcess sim({"--garbage", "5", "--seed", "7"});
    sim.Send(kPoll);
    std::string got = sim.ReadBytes(5 + 8);
    EXPECT_EQ(got.substr(5), "S:00,0\r\n");
    EXPECT_EQ(sim.Control("garbage 3"), "ok");
    EXPECT_EQ(sim.ReadBytes(3).size(), 3u);
}

TEST(LeitchSimFaults, FloodOfTrueStatusLines)
{
    SimProcess sim({"--flood", "2", "--size", "4:3", "--levels", "3", "--level", "B=0:0"});
    EXPECT_EQ(sim.Control("set A 2 4"), "ok");
    // Every line states what the router holds, destination after destination
    // (the first round may still show the crosspoint as it was before the set).
    std::string want = "S:00,0\r\nS:01,3\r\nS:02,2\r\nS:20,0\r\nS:21,1\r\nS:22,2\r\n";
    std::string got;
    for (int lines = 0; lines < 100 && got.find(want) == std::string::npos; ++lines)
        got += sim.ReadUntil("\n");
    EXPECT_NE(got.find(want), std::string::npos) << got;
}

TEST(LeitchSimFaults, TimedChangesAreReportedAndReadBack)
{
    SimProcess sim({"--change", "5", "--report", "--size", "16:2", "--levels", "1"});
    std::string reports;
    for (int i = 0; i < 5; ++i)
        reports += sim.ReadUntil("\n");
    EXPECT_EQ(sim.Control("change 0"), "ok");
    EXPECT_EQ(sim.Control("send END\\r\\n"), "ok");
    reports += sim.ReadUntil("END\r\n");
    // Each report is a change, and the last one of each destination is what
    // the router holds.
    std::string last[2];
    size_t at = 0, end;
    while ((end = reports.find("\r\n", at)) != std::string::npos && reports.compare(at, 3, "END") != 0) {
        std::string line = reports.substr(at, end - at);
        ASSERT_EQ(line.compare(0, 3, "S:0"), 0) << line;
        int dest = line[3] - '0';
        ASSERT_TRUE(dest == 0 || dest == 1) << line;
        EXPECT_NE(line, last[dest]);
        last[dest] = line;
        at = end + 2;
    }
    for (int d = 0; d < 2; ++d) {
        if (last[d].empty())
            continue;
        int source = std::stoi(last[d].substr(5), nullptr, 16) + 1;
        EXPECT_EQ(sim.Control("get A " + std::to_string(d + 1)), "ok " + std::to_string(source));
    }
}

TEST(LeitchSimControl, ReceivedBytesComeBackExactly)
{
    SimProcess sim({});
    std::string bytes = "@ ?\rT F\r@ X?01F\r\n" + std::string(1, '\0') + "\xff junk\r";
    sim.Send(bytes);
    ASSERT_TRUE(sim.WaitCommands(4));
    EXPECT_EQ(sim.Rx(), bytes);
    EXPECT_EQ(sim.Control("clear"), "ok");
    EXPECT_EQ(sim.Rx(), "");
}

TEST(LeitchSimControl, SendsAnyBytesAndRefusesBadNumbers)
{
    SimProcess sim({"--size", "8:4"});
    EXPECT_EQ(sim.Control("send >S:0\\x31F,2A\\r\\n"), "ok");
    EXPECT_EQ(sim.ReadUntil("\n"), ">S:01F,2A\r\n");
    EXPECT_EQ(sim.Control("report A 4"), "ok");
    EXPECT_EQ(sim.ReadUntil("\n"), "S:03,3\r\n");
    EXPECT_EQ(sim.Control("set A 5 1").compare(0, 5, "error"), 0);
    EXPECT_EQ(sim.Control("set A 1 9").compare(0, 5, "error"), 0);
    EXPECT_EQ(sim.Control("set Q 1 1").compare(0, 5, "error"), 0);
    EXPECT_EQ(sim.Control("fly").compare(0, 5, "error"), 0);
    EXPECT_EQ(sim.Control("get A 4"), "ok 4");
}

TEST(LeitchSimSetup, RulesAndMapFile)
{
    char path[] = "/tmp/leitch_sim_map_XXXXXX";
    int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    close(fd);
    std::ofstream(path) << "# level dest source\nA 2 7\n10 1 3  # level K\n\nB 1 0\n";
    {
        SimProcess sim({"--rule", "none", "--map", path});
        EXPECT_EQ(sim.Control("get A 1"), "ok 0");
        EXPECT_EQ(sim.Control("get A 2"), "ok 7");
        EXPECT_EQ(sim.Control("get K 1"), "ok 3");
        sim.Send("@ X?00\r@ X?A0\r");
        EXPECT_EQ(sim.ReadUntil("\n"), "S:00,X\r\n");
        EXPECT_EQ(sim.ReadUntil("\n"), "S:A0,2\r\n");
    }
    std::ofstream(path) << "A 2 99\n";
    std::string out;
    EXPECT_EQ(RunSim({"--map", path, "--size", "8:8"}, &out), 1);
    EXPECT_NE(out.find(":1:"), std::string::npos) << out;
    std::remove(path);
}

TEST(LeitchSimSetup, CommandLine)
{
    std::string out;
    EXPECT_EQ(RunSim({"--help"}, &out), 0);
    EXPECT_EQ(out.compare(0, 23, "Usage: leitch_sim [opti"), 0) << out;
    EXPECT_EQ(RunSim({"--echo", "loud"}, &out), 2);
    EXPECT_EQ(RunSim({"--level", "Q=1:1"}, &out), 2);
    EXPECT_EQ(RunSim({"--bogus"}, &out), 2);
    EXPECT_EQ(RunSim({"--device", "/nonexistent/tty"}, &out), 1);
}

}  // namespace
