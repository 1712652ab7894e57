// Starting the driver and watching it from outside: its exit, its idle
// state and its message boxes.
#pragma once

#include <windows.h>

#include <string>

struct Program {
    HANDLE process;
    DWORD pid;
};

bool Program_Start(const std::string& commandLine, Program* p);
// True once the program has ended, with its exit code.
bool Program_Ended(const Program& p, DWORD* exitCode = nullptr);
// True once the program's GUI thread has first waited for input.
bool Program_WasIdle(const Program& p);
// Ends a program that is still running (and waits for its end), then
// releases its handle.
void Program_Close(Program* p);

// A top-level window of the process with exactly this title; 0 if none.
HWND FindProcessWindow(DWORD pid, const char* title);
// The text of a message box (its static text control).
std::string MessageBoxText(HWND box);
// Presses OK.
void DismissMessageBox(HWND box);
