// Recording fake of the platform seam for the native unit tests.
//
// Keeps an in-memory profile store, environment, file system (with fault
// injection) and window state, and logs every visible effect as one line of
// text in order, so a test can assert sequences such as
//   "text 1801 '/__9B__'", "text 1801 '  Fail  '", "box '! Error !' '...'".
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace fake {

// Window handles the fake hands out.
const PlatWnd kMainWnd = 0x1000;
const PlatWnd kPanelWnd = 0x2000;
const PlatWnd kHostWnd = 0x3000;

struct HostTxRecord {
    PlatWnd hxi;
    unsigned msg;
    uint32_t param;
    std::string text;                 // data as text (up to the first NUL)
    std::vector<unsigned char> data;  // data bytes as passed
    int flag;
    uint32_t len;
};

struct State {
    std::vector<std::string> log;               // everything visible, in order
    std::vector<std::string> trace;             // Plat_DebugOutput lines
    std::map<std::string, std::string> env;
    // Profile files: file -> section -> key -> value (all names lower-cased:
    // the system compares them case-insensitively).
    std::map<std::string, std::map<std::string, std::map<std::string, std::string>>> profiles;
    std::map<std::string, std::vector<unsigned char>> files;  // path (lower-cased) -> content

    // File faults: a negative value never fails; n fails the n-th (0-based)
    // call of that kind and every later one.
    int failOpenWriteAt = -1, failWriteAt = -1, failFlushAt = -1, failCloseAt = -1, failReplaceAt = -1;
    int openWriteCalls = 0, writeCalls = 0, flushCalls = 0, closeCalls = 0, replaceCalls = 0;

    // Windows and controls.
    std::map<int, std::string> texts;                    // control id -> caption/text
    std::map<int, std::string> states;                   // status button id -> state code
    std::map<int, int> enabled;
    std::map<int, std::vector<std::string>> lists;
    std::map<int, int> listSel;
    int focus = 0;
    std::string title;
    int iconic = 0;
    int showHow = 0;
    std::map<unsigned, unsigned> menuFlags;              // item id -> last flags
    std::map<unsigned, int> menuChecked;
    std::map<unsigned, unsigned> timers;                 // id -> period, while running

    // Libraries: a path loads when it is listed here (lower-cased).
    std::vector<std::string> loadablePaths;

    // Host side. Hooks answer sent messages; the default answers 0.
    std::function<intptr_t(PlatWnd, unsigned, uintptr_t, intptr_t)> onSend;
    std::function<void(unsigned, uintptr_t, intptr_t)> onBroadcast;
    std::function<void(HostTxRecord&, void* data)> onHostTx;   // may fill name blocks
    std::function<int32_t(uintptr_t, intptr_t)> onHostRx;      // the library delivering
    std::function<void()> onBox;  // runs while a message box is up
    int sendsUndelivered = 0;     // checked sends find no window
    int panelFails = 0;           // the panel cannot be created
    std::vector<HostTxRecord> hostTx;
};

State& S();
// Clears the fake and resets every core module's state.
void Reset();

void SetProfile(const std::string& file, const std::string& section, const std::string& key,
                const std::string& value);
// True when the key exists; its value in *value.
bool GetProfile(const std::string& file, const std::string& section, const std::string& key,
                std::string* value = nullptr);
// Number of log lines that start with prefix.
int CountLog(const std::string& prefix);
// True when the log holds the given lines in this order (others may lie between).
bool LogHasInOrder(const std::vector<std::string>& lines);
// True when the driver traced exactly this text.
bool Traced(const std::string& text);
std::string Lower(const std::string& s);

}  // namespace fake
