// Recording fake of the platform seam for the native unit tests: in-memory
// profiles, environment and files (with fault injection), window state, and
// one log line per visible effect in order, so a test can assert sequences
// such as "text 1801 '/__9B__'", "text 1801 '  Fail  '", "box '! Error !' '...'".
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "tests/fake/fake_comms.h"

namespace fake {

// Window handles the fake hands out.
const PlatWnd kMainWnd = 0x1000;
const PlatWnd kPanelWnd = 0x2000;
const PlatWnd kHostWnd = 0x3000;

struct State {
    std::vector<std::string> log;     // everything visible, in order
    std::vector<std::string> trace;   // Plat_DebugOutput lines
    std::map<std::string, std::string> env;
    // "file|section|key" lower-cased (the system compares the names
    // case-insensitively) -> value
    std::map<std::string, std::string> profiles;
    std::map<std::string, std::vector<unsigned char>> files;   // lower-cased path -> bytes
    // File faults by step ("open" for writing, "write", "flush", "close",
    // "replace"): the call numbered failAt[step] (0-based) and every later one fail.
    std::map<std::string, int> failAt, calls;
    std::map<int, std::string> texts, states;   // control id -> caption, status code
    std::map<int, int> enabled, listSel;
    std::map<int, std::vector<std::string>> lists;
    std::map<unsigned, unsigned> timers;   // timer -> period
    uint32_t now = 0;                       // Plat_TickCount, moved by the tests
    std::map<unsigned, int> menuChecked;
    int iconic = 0, showHow = 0;
    std::vector<std::string> loadablePaths;   // libraries that load, lower-cased
    std::function<intptr_t(PlatWnd, unsigned, uintptr_t, intptr_t)> onSend;   // default answers 0
    std::function<void(unsigned, uintptr_t)> onBroadcast;
    std::function<void(void* data)> onHostTx;   // may fill name blocks
    std::function<int32_t()> onHostRx;          // the library delivering
    std::function<void()> onBox;                // runs while a message box is up
    int sendsUndelivered = 0, panelFails = 0;
    std::vector<std::string> hostTx;   // host messages as "msg param 'text'"
    FakeCommsState comms;
};

State& S();
// Clears the fake and resets every core module's state.
void Reset();

void SetProfile(const std::string& file, const std::string& section, const std::string& key,
                const std::string& value);
// True when the key exists; its value in *value.
bool GetProfile(const std::string& file, const std::string& section, const std::string& key,
                std::string* value = nullptr);
void Logf(const char* format, ...);
int CountLog(const std::string& prefix);   // log lines that start with prefix
// True when the log holds the given lines in this order (others may lie between).
bool LogHasInOrder(const std::vector<std::string>& lines);
bool Traced(const std::string& text);   // the driver traced exactly this text
std::string Lower(std::string s);

}  // namespace fake
