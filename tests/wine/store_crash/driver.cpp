// Kills a program that saves the tallies in a loop at random moments, a few
// hundred times, and checks after each kill that the tally file is complete:
// exactly one generation of tallies, never older than the last one seen,
// never short, never a mix; and that the lock file is whole as well.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

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
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    out->clear();
    unsigned char buf[8192];
    DWORD got = 0;
    while (ReadFile(h, buf, sizeof buf, &got, nullptr) && got > 0)
        out->insert(out->end(), buf, buf + got);
    CloseHandle(h);
    return true;
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

int Tally(const std::vector<unsigned char>& idx, int index, int dest)
{
    size_t at = (size_t)index * 2048 + 2 * (size_t)(dest - 1);
    return idx[at] * 256 + idx[at + 1];
}

const CrashLevel* SizedLevel(int index)
{
    for (const CrashLevel& level : kCrashLevels)
        if (level.index == index && level.dests > 0)
            return &level;
    return nullptr;
}

// The generation the tally file holds (0: every tally still unknown), or
// -1 with *why filled when the file is not one whole generation.
int FileGeneration(const std::vector<unsigned char>& idx, std::string* why)
{
    if (idx.size() != kIdxSize) {
        *why = "tally file has " + std::to_string(idx.size()) + " bytes";
        return -1;
    }
    int g = Tally(idx, kCrashLevels[0].index, 1);
    if (g == 0xFFFF)
        g = 0;
    for (int index = 0; index < 26; ++index) {
        const CrashLevel* level = SizedLevel(index);
        for (int d = 1; d <= 1024; ++d) {
            int want = 0;
            if (level)
                want = (g == 0 || d > level->dests) ? 0xFFFF : CrashTally(g, index, d);
            if (Tally(idx, index, d) != want) {
                *why = "generation " + std::to_string(g) + " mixed at level " + std::to_string(index) +
                       " destination " + std::to_string(d);
                return -1;
            }
        }
    }
    return g;
}

struct Seen {
    int generation = -1;   // -1: no tally file yet
    bool lockFile = false;
    int midSave = 0;       // kills that left a half-written temporary file
};

// Checks both files after a kill; false with a message when one is damaged.
bool CheckFiles(Seen* seen)
{
    std::vector<unsigned char> data;
    if (!ReadWhole(gDir + "\\VAL_DRN.IDX", &data)) {
        if (seen->generation >= 0) {
            std::printf("tally file gone after generation %d\n", seen->generation);
            return false;
        }
    } else {
        std::string why;
        int g = FileGeneration(data, &why);
        if (g < 0) {
            std::printf("%s\n", why.c_str());
            return false;
        }
        if (g < seen->generation) {
            std::printf("generation went back from %d to %d\n", seen->generation, g);
            return false;
        }
        seen->generation = g;
    }
    if (!ReadWhole(gDir + "\\VAL_DRN.LCK", &data)) {
        if (seen->lockFile) {
            std::printf("lock file gone\n");
            return false;
        }
    } else {
        if (data != std::vector<unsigned char>(kLckSize, 0)) {
            std::printf("lock file damaged (%u bytes)\n", (unsigned)data.size());
            return false;
        }
        seen->lockFile = true;
    }
    if (Exists(gDir + "\\VAL_DRN.IDX.TMP"))
        seen->midSave++;
    return true;
}

bool MakeConfigDir(const std::string& root)
{
    const char* parts[] = {"", "\\sys", "\\sys\\config", "\\sys\\config\\system"};
    for (const char* part : parts) {
        std::string dir = root + part;
        if (!CreateDirectoryA(dir.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
            return false;
    }
    gDir = root + "\\sys\\config\\system";
    SetEnvironmentVariableA("CC_ROOT", root.c_str());
    SetEnvironmentVariableA("CC_SYSTEM", "sys");
    for (const CrashLevel& level : kCrashLevels) {
        if (level.dests <= 0)
            continue;
        char file[64];
        std::snprintf(file, sizeof file, "\\DEV_%03d.INI", level.device);
        std::string path = gDir + file;
        WritePrivateProfileStringA("Database", "DatabaseSize_0", std::to_string(kCrashSources).c_str(),
                                   path.c_str());
        WritePrivateProfileStringA("Database", "DatabaseSize_1", std::to_string(level.dests).c_str(),
                                   path.c_str());
    }
    return true;
}

void RemoveConfigDir(const std::string& root)
{
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA((gDir + "\\*").c_str(), &found);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                DeleteFileA((gDir + "\\" + found.cFileName).c_str());
        } while (FindNextFileA(h, &found));
        FindClose(h);
    }
    RemoveDirectoryA(gDir.c_str());
    RemoveDirectoryA((root + "\\sys\\config").c_str());
    RemoveDirectoryA((root + "\\sys").c_str());
    RemoveDirectoryA(root.c_str());
}

std::string SaverPath()
{
    char self[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, self, sizeof self);
    std::string path(self, n);
    return path.substr(0, path.find_last_of("\\/") + 1) + "store_saver.exe";
}

// Starts the saver, lets it run for a random while, kills it. Most runs
// wait for the saver's load first so the kill lands among the saves; the
// others may also kill it while it loads or creates the files.
bool RunAndKill(const std::string& saver, int run)
{
    char event[64];
    std::snprintf(event, sizeof event, "valdrn_store_crash_%lu_%d", GetCurrentProcessId(), run);
    HANDLE loaded = CreateEventA(nullptr, TRUE, FALSE, event);
    std::string cmd = "\"" + saver + "\" " + event;
    std::vector<char> line(cmd.begin(), cmd.end());
    line.push_back('\0');
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(saver.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        std::printf("cannot start %s (error %lu)\n", saver.c_str(), GetLastError());
        CloseHandle(loaded);
        return false;
    }
    if (run % 5 != 0) {
        HANDLE either[] = {loaded, pi.hProcess};
        WaitForMultipleObjects(2, either, FALSE, kDeadlineMs);
    }
    Sleep((DWORD)(std::rand() % 25));
    TerminateProcess(pi.hProcess, 9);
    WaitForSingleObject(pi.hProcess, kDeadlineMs);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    CloseHandle(loaded);
    return true;
}

}  // namespace

int main()
{
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    std::string root = std::string(temp) + "valdrn_store_crash_" + std::to_string(GetCurrentProcessId());
    if (!MakeConfigDir(root)) {
        std::printf("cannot create %s\n", root.c_str());
        return 1;
    }
    unsigned seed = GetTickCount() ^ GetCurrentProcessId();
    std::srand(seed);
    std::string saver = SaverPath();

    Seen seen;
    int runs = 0;
    bool ok = true;
    DWORD start = GetTickCount();
    while (ok && runs < kRuns && GetTickCount() - start < kBudgetMs) {
        ok = RunAndKill(saver, runs) && CheckFiles(&seen);
        ++runs;
    }
    std::printf("seed %u: %d kills, %d in the middle of a save, last generation %d\n", seed, runs,
                seen.midSave, seen.generation);
    if (ok && seen.generation <= 0) {
        std::printf("no save completed: the kills tested nothing\n");
        ok = false;
    }
    RemoveConfigDir(root);
    return ok ? 0 : 1;
}
