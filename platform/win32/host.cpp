// Messages to the host interface and its library's two entries.
#include <windows.h>

#include <vector>

#include "platform/platform.h"
#include "stand-ins/orvaif32/orvaif32.h"

namespace {

// Long enough for any live window to answer; a hung one is skipped.
const UINT kTopLevelTimeoutMs = 5000;
// A host that does not answer a sent message within this bound is taken as
// not answering: the driver's thread goes on polling and saving instead of
// waiting on a stopped or hung host for ever.
const UINT kHostAnswerMs = 5000;

BOOL CALLBACK CollectWindow(HWND wnd, LPARAM list)
{
    ((std::vector<HWND>*)list)->push_back(wnd);
    return TRUE;
}

}  // namespace

intptr_t Plat_SendMessage(PlatWnd wnd, unsigned msg, uintptr_t wParam, intptr_t lParam)
{
    return SendMessageA((HWND)wnd, msg, wParam, lParam);
}

int Plat_TrySendMessage(PlatWnd wnd, unsigned msg, uintptr_t wParam, intptr_t lParam,
                        intptr_t* result)
{
    // SendMessage answers 0 both for "delivered, answered 0" and for a
    // window that is gone; only the latter sets this error.
    if (!IsWindow((HWND)wnd))
        return 0;
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutA((HWND)wnd, msg, wParam, lParam, SMTO_NORMAL, kHostAnswerMs, &answer))
        return 0;
    *result = (intptr_t)answer;
    return 1;
}

void Plat_SendToAllTopLevel(unsigned msg, uintptr_t wParam, intptr_t lParam)
{
    // Each window in turn rather than HWND_BROADCAST: Wine does not deliver
    // private-range messages to other processes' windows by broadcast. The
    // list is taken first so windows created or destroyed by the receivers
    // do not disturb the walk.
    std::vector<HWND> windows;
    EnumWindows(CollectWindow, (LPARAM)&windows);
    for (HWND wnd : windows) {
        DWORD_PTR result = 0;
        SendMessageTimeoutA(wnd, msg, wParam, lParam, SMTO_NORMAL | SMTO_ABORTIFHUNG,
                            kTopLevelTimeoutMs, &result);
    }
}

void Plat_HostTx(PlatWnd hxi, uint16_t msg, uint32_t param, void* data, int flag, uint32_t len)
{
    ORVA32TxMessage((HWND)hxi, msg, param, data, flag ? TRUE : FALSE, len);
}

int32_t Plat_HostRx(PlatWnd self, uintptr_t wParam, intptr_t lParam)
{
    return ORVA32RxMessage((HWND)self, wParam, lParam);
}
