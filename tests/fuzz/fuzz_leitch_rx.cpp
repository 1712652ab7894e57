// Arbitrary bytes from the router through the line assembler and the status
// decoder into a store of several sized levels. After every byte the
// assembler stays within its buffer; after every line at most one tally has
// changed, on the level the line names, to a source that level has.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "tests/native/test_leitch_support.h"

namespace {

// Each level's tallies in level order, with where each one starts.
struct Snapshot {
    std::vector<int> tallies;
    std::vector<int> levelOf;
};

Snapshot Take()
{
    Snapshot s;
    s.tallies = leitch_test::AllTallies();
    for (int level = 0; level < LEVEL_COUNT; ++level) {
        const LEVELINFO* l = Store_Level(level);
        for (int d = 1; l->hTally && d <= l->iDests; ++d)
            s.levelOf.push_back(level);
    }
    return s;
}

// The level character after the line's first status mark, as a number; -1
// when there is none.
int NamedLevel(const char* line)
{
    const char* mark = std::strstr(line, "S:");
    if (!mark)
        return -1;
    char digit[2] = {mark[2], '\0'};
    char* end = nullptr;
    long level = std::strtol(digit, &end, 16);
    return end == digit + 1 ? (int)level : -1;
}

void Check(bool ok)
{
    if (!ok)
        std::abort();
}

void CheckLine(const char* line, const Snapshot& before)
{
    Snapshot after = Take();
    Check(after.tallies.size() == before.tallies.size());
    int changes = 0;
    for (size_t i = 0; i < after.tallies.size(); ++i) {
        if (after.tallies[i] == before.tallies[i])
            continue;
        ++changes;
        int level = after.levelOf[i];
        Check(level == NamedLevel(line));
        Check(after.tallies[i] >= 0 && after.tallies[i] <= Store_Level(level)->iSources);
    }
    Check(changes <= 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Level D shares level A's device number: its lines must not reach A.
    leitch_test::Start({{0, 101, 43, 32}, {1, 102, 8, 4}, {3, 101, 43, 32}, {10, 111, 16, 16},
                        {15, 115, 1, 1}});
    Link().iComState[1] = COMSTATE_FAIL;
    Link().iComState[10] = COMSTATE_FAIL;
    for (size_t i = 0; i < size; ++i) {
        if (data[i] != '\r') {
            Leitch_RxChar(data[i]);
        } else {
            char line[256];
            std::memcpy(line, Leitch_RxLine(), sizeof line);
            Snapshot before = Take();
            Leitch_RxChar(data[i]);
            CheckLine(line, before);
        }
        Check(Leitch_RxLen() >= 0 && Leitch_RxLen() <= 255);
        Check(Leitch_RxLine()[255] == 0);
    }
    return 0;
}
