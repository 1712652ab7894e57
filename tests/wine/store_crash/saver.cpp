// Saves the tallies in a loop through the real file calls until killed:
// loads the tally file like the driver does, then saves generation after
// generation of tallies, each one different in every destination.
// Argument: the name of an event to set once the load is done.
#include <windows.h>

#include "store/idxfu.h"
#include "store/store.h"
#include "tests/wine/store_crash/crash_levels.h"

namespace {

void SetGeneration(int g)
{
    for (const CrashLevel& level : kCrashLevels)
        for (int d = 1; d <= level.dests; ++d)
            Store_SetTally(level.device, d, CrashTally(g, level.index, d));
}

}  // namespace

int main(int argc, char** argv)
{
    for (const CrashLevel& level : kCrashLevels)
        Store_Level(level.index)->iDevice = level.device;
    Memory_Init();
    Idxfu_ReadIndex();

    int g = Store_GetTally(kCrashLevels[0].device, 1);
    if (g < 0 || g > kCrashMaxGeneration)
        g = 0;   // a fresh file: every tally unknown
    if (argc > 1) {
        HANDLE loaded = OpenEventA(EVENT_MODIFY_STATE, FALSE, argv[1]);
        if (loaded) {
            SetEvent(loaded);
            CloseHandle(loaded);
        }
    }
    // Killed long before this ends; the limit only stops a saver whose
    // killer has gone.
    DWORD start = GetTickCount();
    while (GetTickCount() - start < 30000) {
        if (g < kCrashMaxGeneration)
            ++g;
        SetGeneration(g);
        Idxfu_WriteIndex();
    }
    return 0;
}
