// A test-only stand-in for the host interface's window, for the driver tests
// and the demo: it answers the driver's attach request with its own handle,
// answers registrations, and counts what it saw. Not the host interface
// program; just enough of its window to start and stop the driver.
#pragma once

#include <windows.h>

#include <functional>

struct FixtureHost {
    HWND wnd;
    HWND driver;          // the driver's main window, from its attach request
    int attachRequests;
    int registrations;    // ZUV_REGDEV received
    int lastDevice;       // device number of the last registration
    LRESULT regResult;    // answer to ZUV_REGDEV: 0 registered
};

FixtureHost& Host();
// Creates the hidden top-level host window, replacing any earlier one
// (state reset); false on failure.
bool Host_Create();
void Host_Destroy();

// Handles this thread's messages until done() holds (true) or ms have
// passed (false). done() is checked after every wake-up.
bool PumpUntil(const std::function<bool()>& done, DWORD ms);
