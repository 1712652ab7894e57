// Feeds command texts to the driver's command intake; the sanitizers catch
// overruns, and after each text the checks below must hold: it is counted
// once, changes the store of one level at most, never routes a locked
// destination, and sends no frame in simulation or for anything but RC.
//
// Input: one byte of settings (bit 0 simulation, bit 1 source-first, bit 2
// destination-first, bit 3 Rx only), then command texts separated by '\n'.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "hostlink/cmd.h"
#include "tests/fake/fake_comms.h"
#include "tests/native/test_cmd_fixture.h"

using namespace hostlink_test;

namespace {

struct Cell {
    int level, tally, lock;
};

std::vector<Cell> Snapshot()
{
    std::vector<Cell> cells;
    for (int i = 0; i < LEVEL_COUNT; ++i) {
        const LEVELINFO* l = Store_Level(i);
        for (int d = 1; l->iDevice && d <= l->iDests; ++d)
            cells.push_back({i, Store_GetTally(l->iDevice, d), Store_GetLock(l->iDevice, d)});
    }
    return cells;
}

void Check(bool ok, const char* what)
{
    if (!ok) {
        std::fprintf(stderr, "violated: %s\n", what);
        std::abort();
    }
}

void Setup(uint8_t flags)
{
    StartTwoLevels(16, 117);   // level 16 lies beyond what the router link serves
    DriverSettings& s = Settings();
    s.Simulation = flags & 1;
    s.SourceToDest = (flags >> 1) & 1;
    s.DestToSource = (flags >> 2) & 1;
    s.bDebugMode = 0;
    s.bAccess[42] = 1;
    HostLink().iTxRxMode = (flags & 8) ? TXRX_RXONLY : TXRX_TXRX;
}

void CheckCommand(const std::string& text, const std::vector<Cell>& before, size_t framesBefore)
{
    std::vector<Cell> after = Snapshot();
    int changedLevel = -1;
    for (size_t i = 0; i < after.size(); ++i) {
        if (after[i].tally == before[i].tally && after[i].lock == before[i].lock)
            continue;
        Check(changedLevel < 0 || changedLevel == after[i].level, "store changed on two levels");
        changedLevel = after[i].level;
        Check(after[i].tally == before[i].tally || before[i].lock == 0, "locked destination routed");
    }
    bool rc = text.compare(0, 2, "RC") == 0;
    if (FakeComms().writes.size() != framesBefore)
        Check(rc && !Settings().Simulation, "frame in simulation or for a command other than RC");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    Setup(data[0]);
    std::string rest((const char*)data + 1, size - 1);
    size_t start = 0;
    for (int count = 0; start <= rest.size() && count < 64; ++count) {
        size_t end = rest.find('\n', start);
        if (end == std::string::npos)
            end = rest.size();
        std::string text = rest.substr(start, end - start);
        start = end + 1;
        std::vector<Cell> before = Snapshot();
        size_t frames = FakeComms().writes.size();
        int32_t rx = HostLink().lRxCount;
        Hxi_OnCommandText(text.c_str());
        Check(HostLink().lRxCount == rx + 1, "command not counted once");
        CheckCommand(text, before, frames);
    }
    return 0;
}
