// Host interface library: placeholder that does the least. Every call
// returns at once while no host interface is running.
#define ORVAIF32_BUILD
#include "stand-ins/orvaif32/orvaif32.h"

extern "C" ORVAIF32_API int WINAPI ORVA32TxMessage(HWND, WORD, DWORD, LPVOID, BOOL, DWORD)
{
    return 0;
}

extern "C" ORVAIF32_API LONG WINAPI ORVA32RxMessage(HWND, WPARAM, LPARAM)
{
    return 0;
}
