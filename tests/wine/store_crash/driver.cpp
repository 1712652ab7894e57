// Kills a program that saves the tallies in a loop at random moments, a few
// hundred times, and checks after each kill that the tally file is complete:
// exactly one generation of tallies, never older than the last one seen,
// never short, never a mix; and that the lock file is whole as well.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/wine/shell/driver_process.h"
#include "tests/wine/shell/temp_dir.h"
#include "tests/wine/store_crash/crash_levels.h"

namespace {

const int kRuns = 300;
const DWORD kBudgetMs = 50000;     // the whole run stays near a minute
const DWORD kDeadlineMs = 60000;   // generous: a loaded machine starts Wine slowly
const size_t kIdxSize = 53248;
const size_t kLckSize = 26624;

std::string gDir;   // the configuration directory of the run

bool ReadWhole(const std::string& path, std::vector<unsigned char>* out)
{
    std::ifstream in(path, std::ios::binary);
    out->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return in.is_open();
}

// The tally destination dest of level index must hold in generation g (0:
// still unknown); 0 in the block of a level that is not sized.
int Expected(int g, int index, int dest)
{
    for (const CrashLevel& level : kCrashLevels)
        if (level.index == index && level.dests > 0)
            return (g == 0 || dest > level.dests) ? 0xFFFF : CrashTally(g, index, dest);
    return 0;
}

int Tally(const std::vector<unsigned char>& idx, int index, int dest)
{
    size_t at = (size_t)index * 2048 + 2 * (size_t)(dest - 1);
    return idx[at] * 256 + idx[at + 1];
}

// The generation the tally file holds; "" or what is wrong with it in *why.
int FileGeneration(const std::vector<unsigned char>& idx, std::string* why)
{
    if (idx.size() != kIdxSize) {
        *why = "tally file has " + std::to_string(idx.size()) + " bytes";
        return -1;
    }
    int g = Tally(idx, kCrashLevels[0].index, 1);
    g = g == 0xFFFF ? 0 : g;
    for (int index = 0; index < 26; ++index)
        for (int d = 1; d <= 1024; ++d)
            if (Tally(idx, index, d) != Expected(g, index, d)) {
                *why = "generation " + std::to_string(g) + " mixed at level " + std::to_string(index) +
                       " destination " + std::to_string(d);
                return -1;
            }
    return g;
}

struct Seen {
    int generation = -1;   // -1: no tally file yet
    bool lockFile = false;
    int midSave = 0;       // kills that left a half-written temporary file
};

// What is wrong with the files after a kill; "" when they are whole.
std::string CheckFiles(Seen* seen)
{
    if (FileExists(gDir + "\\VAL_DRN.IDX.TMP"))
        seen->midSave++;
    std::vector<unsigned char> data;
    std::string why;
    if (ReadWhole(gDir + "\\VAL_DRN.IDX", &data)) {
        int g = FileGeneration(data, &why);
        if (g < 0)
            return why;
        if (g < seen->generation)
            return "generation went back from " + std::to_string(seen->generation) + " to " + std::to_string(g);
        seen->generation = g;
    } else if (seen->generation >= 0) {
        return "tally file gone";
    }
    if (!ReadWhole(gDir + "\\VAL_DRN.LCK", &data))
        return seen->lockFile ? "lock file gone" : "";
    seen->lockFile = true;
    return data == std::vector<unsigned char>(kLckSize, 0) ? "" : "lock file damaged";
}

// Starts the saver, lets it run for a random while, kills it. Most runs
// wait for the saver's load first so the kill lands among the saves; the
// others may also kill it while it loads or creates the files.
bool RunAndKill(int run)
{
    char event[64];
    std::snprintf(event, sizeof event, "valdrn_store_crash_%lu_%d", GetCurrentProcessId(), run);
    HANDLE loaded = CreateEventA(nullptr, TRUE, FALSE, event);
    Program saver;
    bool started = Program_Start("\"" + ProgramDir() + "\\store_saver.exe\" " + event, &saver);
    if (started && run % 5 != 0) {
        HANDLE either[] = {loaded, saver.process};
        WaitForMultipleObjects(2, either, FALSE, kDeadlineMs);
    }
    Sleep((DWORD)(std::rand() % 25));
    Program_Close(&saver);
    CloseHandle(loaded);
    return started;
}

}  // namespace

int main()
{
    std::string root = MakeTempDir("valdrn_store_crash_");
    gDir = root + "\\sys\\config\\system";
    if (root.empty() || !MakeDirs(gDir)) {
        std::printf("cannot create %s\n", gDir.c_str());
        return 1;
    }
    SetEnvironmentVariableA("CC_ROOT", root.c_str());
    SetEnvironmentVariableA("CC_SYSTEM", "sys");
    for (const CrashLevel& level : kCrashLevels) {
        if (level.dests <= 0)
            continue;
        char dev[MAX_PATH];
        std::snprintf(dev, sizeof dev, "%s\\DEV_%03d.INI", gDir.c_str(), level.device);
        WritePrivateProfileStringA("Database", "DatabaseSize_0", std::to_string(kCrashSources).c_str(), dev);
        WritePrivateProfileStringA("Database", "DatabaseSize_1", std::to_string(level.dests).c_str(), dev);
    }
    unsigned seed = GetTickCount() ^ GetCurrentProcessId();
    std::srand(seed);

    Seen seen;
    int runs = 0;
    bool ok = true;
    DWORD start = GetTickCount();
    for (; ok && runs < kRuns && GetTickCount() - start < kBudgetMs; ++runs) {
        std::string why = RunAndKill(runs) ? CheckFiles(&seen) : "cannot start the saver";
        if (!why.empty())
            std::printf("%s\n", why.c_str());
        ok = why.empty();
    }
    std::printf("seed %u: %d kills, %d in the middle of a save, last generation %d\n", seed, runs,
                seen.midSave, seen.generation);
    if (ok && seen.generation <= 0) {
        std::printf("no save completed: the kills tested nothing\n");
        ok = false;
    }
    RemoveTree(root);
    return ok ? 0 : 1;
}
