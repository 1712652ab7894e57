// The process entry: start-up around the main window, then the message loop.
// Everything the driver decides happens in the core.
#include <windows.h>

#include "app/shell.h"
#include "ui/ui.h"
#include "app/win32/main_window.h"
#include "comms/win32/comms_win32.h"
#include "trace/trace.h"

namespace {

// Asks for the largest message queue the system grants, from 32 down to 1.
void SizeMessageQueue()
{
    for (int size = 32; size >= 1; --size)
        if (SetMessageQueue(size))
            return;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR, int)
{
    SizeMessageQueue();
    // The serial library reports dropped bytes and stuck reader threads
    // through the driver's own trace.
    Comms_SetTrace(Debug_Trace);
    if (!previous && !Main_RegisterClass(instance))
        return 0;
    HWND wnd = Main_CreateWindow(instance);
    if (!wnd)
        return 0;
    Ui_SetMainWindow((PlatWnd)wnd);
    // Trace lines go to a writer thread: a slow trace reader must not hold
    // up the polls.
    Debug_StartWriter();
    Main_Initialize();
    int code = Main_RunMessageLoop();
    Debug_StopWriter();
    return code;
}
