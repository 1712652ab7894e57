// Reading and answering the driver's message boxes from outside.
#pragma once

#include <windows.h>

#include <string>

// The text of a message box (its longest static text).
std::string MessageBoxText(HWND box);
// Presses OK.
void DismissMessageBox(HWND box);
