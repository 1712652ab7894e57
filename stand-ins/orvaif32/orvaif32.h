/* The host interface library's two entries, as the driver imports them. */
#ifndef VALDRN_ORVAIF32_H
#define VALDRN_ORVAIF32_H

#include <windows.h>

#ifdef ORVAIF32_BUILD
#define ORVAIF32_API __declspec(dllexport)
#else
#define ORVAIF32_API __declspec(dllimport)
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Sends one message to the host interface: message number, 32-bit
   parameter, optional data (flag 1 with its length in bytes, a text with its
   NUL). Synchronous; a name request block is answered in place. */
ORVAIF32_API int WINAPI ORVA32TxMessage(HWND hxi, WORD msg, DWORD param, LPVOID data,
                                        BOOL flag, DWORD length);
/* Fetches the waiting message announced by ZUV_RXMESSAGE and delivers it to
   the driver's window. */
ORVAIF32_API LONG WINAPI ORVA32RxMessage(HWND self, WPARAM wParam, LPARAM lParam);

#ifdef __cplusplus
}
#endif

#endif
