// Feeds command texts to the driver's command intake and checks after each
// one that it changed nothing outside the named level's ranges and did
// nothing for a requester the access table refuses.
//
// Input: one byte of settings (bit 0 simulation, bit 1 source-first, bit 2
// destination-first, bit 3 Rx only), then command texts separated by '\n'.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "hostlink/cmd.h"
#include "leitch/leitch.h"
#include "tests/fake/fake_comms.h"
#include "tests/native/test_cmd_fixture.h"

using namespace hostlink_test;

namespace {

struct Cell {
    int level, dest, tally, lock;
};

std::vector<Cell> Snapshot()
{
    std::vector<Cell> cells;
    for (int i = 0; i < LEVEL_COUNT; ++i) {
        const LEVELINFO* l = Store_Level(i);
        if (l->iDevice == 0)
            continue;
        for (int d = 1; d <= l->iDests; ++d)
            cells.push_back({i, d, Store_GetTally(l->iDevice, d), Store_GetLock(l->iDevice, d)});
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
    ResetDriver();
    AddLevel(0, 101, 16, 12);
    AddLevel(1, 102, 8, 8);
    AddLevel(16, 117, 4, 4);   // beyond what the router link serves
    Memory_Init();
    DriverSettings& s = Settings();
    s.Simulation = flags & 1;
    s.SourceToDest = (flags >> 1) & 1;
    s.DestToSource = (flags >> 2) & 1;
    s.bDebugMode = 0;
    s.bAccess[42] = 1;
    s.bAccess[1000] = 1;
    HostLink().iTxRxMode = (flags & 8) ? TXRX_RXONLY : TXRX_TXRX;
}

// What the driver made of the text: the copy it dispatched, re-tokenized.
struct Parsed {
    char kind;     // 'C', 'L', 'P', 'Q' or 0 for no command
    int fields, maxFields, device, level, requester;
    int a1, a2, a3;
};

Parsed Parse(const std::string& text)
{
    std::string cut = text.substr(0, 511);
    cut = cut.substr(0, std::strlen(cut.c_str()));
    Parsed p{};
    if (cut.size() < 2 || cut[0] != 'R' || !std::strchr("CLPQ", cut[1]) || cut[1] == '\0')
        return p;
    p.kind = cut[1];
    p.maxFields = (p.kind == 'C' || p.kind == 'L') ? 5 : 4;
    p.fields = Cmd_Tokenize(cut.c_str(), p.maxFields);
    p.device = Cmd_Arg(0);
    p.level = Store_FindLevel(p.device);
    p.requester = Cmd_Arg(p.maxFields - 1);
    p.a1 = Cmd_Arg(1);
    p.a2 = Cmd_Arg(2);
    p.a3 = Cmd_Arg(3);
    return p;
}

void CheckCommand(const std::string& text, const std::vector<Cell>& before, size_t sentBefore,
                  size_t framesBefore)
{
    Parsed p = Parse(text);
    std::vector<Cell> after = Snapshot();
    size_t sent = fake::S().hostTx.size() - sentBefore;
    size_t frames = FakeComms().writes.size() - framesBefore;

    bool acts = p.kind && p.fields == p.maxFields && p.level >= 0 && Prof_IsPermitted(p.requester);
    if (!acts) {
        Check(sent == 0 && frames == 0, "message or frame for an ignored command");
        for (size_t i = 0; i < after.size(); ++i)
            Check(after[i].tally == before[i].tally && after[i].lock == before[i].lock,
                  "store changed by an ignored command");
        return;
    }
    for (size_t i = 0; i < after.size(); ++i) {
        const Cell& b = before[i];
        const Cell& a = after[i];
        if (a.tally != b.tally) {
            Check(p.kind == 'C' && a.level == p.level, "tally changed outside the named level");
            Check(a.dest == p.a1 || a.dest == p.a2, "tally of a destination not named");
            Check(a.tally == 0 || a.tally == p.a1 || a.tally == p.a2, "tally set to a source not named");
            Check(Settings().Simulation || Leitch_LevelServed(a.level), "take on an unserved level");
            Check(b.lock == 0, "locked destination routed");
        }
        if (a.lock != b.lock) {
            Check(p.kind == 'L' && a.level == p.level, "lock changed outside the named level");
            Check(a.dest >= p.a1 && a.dest <= p.a2, "lock outside the named range");
            Check(a.lock == (p.a3 != 0 ? 1 : 0), "lock flag not as asked");
        }
    }
    if (p.kind == 'P' || p.kind == 'Q') {
        size_t expected = 0;
        if (HostLink().iTxRxMode == TXRX_TXRX && p.a1 <= p.a2 && Store_ValidDest(p.level, p.a1) &&
            Store_ValidDest(p.level, p.a2))
            expected = (size_t)(p.a2 - p.a1 + 1);
        Check(sent == expected, "reply count differs from the range");
    }
    if (p.kind != 'C')
        Check(frames == 0, "frame for a command other than RC");
    if (Settings().Simulation)
        Check(frames == 0, "frame in simulation");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    Setup(data[0]);
    std::string rest((const char*)data + 1, size - 1);
    size_t start = 0;
    int count = 0;
    while (start <= rest.size() && count < 64) {
        size_t end = rest.find('\n', start);
        if (end == std::string::npos)
            end = rest.size();
        std::string text = rest.substr(start, end - start);
        start = end + 1;
        ++count;

        std::vector<Cell> before = Snapshot();
        size_t sent = fake::S().hostTx.size();
        size_t frames = FakeComms().writes.size();
        int32_t rx = HostLink().lRxCount;
        Hxi_OnCommandText(text.c_str());
        Check(HostLink().lRxCount == rx + 1, "command not counted once");
        CheckCommand(text, before, sent, frames);
    }
    return 0;
}
