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

void Check(bool ok)
{
    if (!ok)
        std::abort();
}

// The level character after the line's first status mark, as a number; -1
// when there is none.
int NamedLevel(const char* line)
{
    const char* mark = std::strstr(line, "S:");
    char digit[2] = {mark ? mark[2] : '\0', '\0'};
    char* end = nullptr;
    long level = std::strtol(digit, &end, 16);
    return mark && end == digit + 1 ? (int)level : -1;
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
        char line[256];
        std::memcpy(line, Leitch_RxLine(), sizeof line);
        leitch_test::Tallies before = data[i] == '\r' ? leitch_test::AllTallies() : leitch_test::Tallies();
        Leitch_RxChar(data[i]);
        Check(Leitch_RxLen() >= 0 && Leitch_RxLen() <= 255 && Leitch_RxLine()[255] == 0);
        if (data[i] != '\r')
            continue;
        leitch_test::Tallies after = leitch_test::AllTallies();
        Check(after.size() == before.size());
        int changes = 0;
        for (size_t t = 0; t < after.size(); ++t) {
            if (after[t] == before[t])
                continue;
            ++changes;
            int level = after[t].first, tally = after[t].second;
            Check(level == NamedLevel(line) && tally >= 0 && tally <= Store_Level(level)->iSources);
        }
        Check(changes <= 1);
    }
    return 0;
}
