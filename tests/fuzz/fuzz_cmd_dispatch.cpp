// Feeds command texts to the driver's command intake; the sanitizers catch
// overruns, and after each text the checks below must hold: it is counted
// once, changes the store of one level at most, never routes a locked
// destination, and sends no frame in simulation or for anything but RC.
//
// Input: one byte of settings (bit 0 simulation, bit 1 source-first, bit 2
// destination-first, bit 3 Rx only), then command texts separated by '\n'.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "hostlink/cmd.h"
#include "tests/fake/fake_comms.h"
#include "tests/native/test_leitch_support.h"

namespace {

void Check(bool ok, const char* what)
{
    if (!ok) {
        std::fprintf(stderr, "violated: %s\n", what);
        std::abort();
    }
}

// Every destination's tally and lock, level by level.
std::vector<int> Cells()
{
    std::vector<int> cells;
    for (int i = 0; i < LEVEL_COUNT; ++i)
        for (int d = 1, device = Store_Level(i)->iDevice; device && d <= Store_Level(i)->iDests; ++d)
            cells.insert(cells.end(), {i, Store_GetTally(device, d), Store_GetLock(device, d)});
    return cells;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    hostlink_test::StartTwoLevels(16, 117);   // level 16 lies beyond what the router link serves
    DriverSettings& s = Settings();
    s.Simulation = data[0] & 1;
    s.SourceToDest = (data[0] >> 1) & 1;
    s.DestToSource = (data[0] >> 2) & 1;
    s.bDebugMode = 0;
    s.bAccess[42] = 1;
    HostLink().iTxRxMode = (data[0] & 8) ? TXRX_RXONLY : TXRX_TXRX;
    std::string rest((const char*)data + 1, size - 1);
    for (size_t start = 0, count = 0; start <= rest.size() && count < 64; ++count) {
        size_t end = std::min(rest.find('\n', start), rest.size());
        std::string text = rest.substr(start, end - start);
        start = end + 1;
        std::vector<int> before = Cells();
        size_t frames = FakeComms().writes.size();
        int32_t rx = HostLink().lRxCount;
        Hxi_OnCommandText(text.c_str());
        Check(HostLink().lRxCount == rx + 1, "command not counted once");
        Check(FakeComms().writes.size() == frames || (text.compare(0, 2, "RC") == 0 && !s.Simulation),
              "frame in simulation or for a command other than RC");
        std::vector<int> after = Cells();
        int changedLevel = -1;
        for (size_t i = 0; i < after.size(); i += 3) {
            if (after[i + 1] == before[i + 1] && after[i + 2] == before[i + 2])
                continue;
            Check(changedLevel < 0 || changedLevel == after[i], "store changed on two levels");
            Check(after[i + 1] == before[i + 1] || before[i + 2] == 0, "locked destination routed");
            changedLevel = after[i];
        }
    }
    return 0;
}
