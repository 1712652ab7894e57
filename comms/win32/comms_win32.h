// The serial port library on the Win32 side: the port table, the receive
// ring, the reader thread and the calls that need Win32 types. The driver's
// core uses only comms/comms.h; Win32 code (the shell, tests) may use this.
//
// Threads: everything here runs on the application's thread except
// Comms_ReaderThread and Comms_StoreReceived (one reader thread per open
// port) and the Ring_ calls they make. Each shared field says who writes it.
#pragma once

#include <windows.h>

#include "comms/comms.h"

#define COMMS_RING_SIZE 16384
#define COMMS_MIN_CHUNK 1
#define COMMS_MAX_CHUNK 256

// One record per port index in the port table. A record is in use while hCom
// is non-null; it stays in use until its reader thread has ended, so the
// thread never reaches a freed record, ring or table.
struct PORTINFO {
    HANDLE hCom;                   // app thread; the open port
    LONG iSpeed;                   // app thread; baud rate given to the open
    HANDLE hThread;                // app thread; the reader thread
    HGLOBAL hRxBuffer;             // app thread; the receive ring block
    OVERLAPPED ovRead;             // stays zero (the reader has its own)
    HWND hNotifyWnd;               // app thread; null: no notification
    volatile LONG bNotifyPending;  // both: set by the reader when it posts, cleared by Comms_Read
    volatile DWORD dwLastNotify;   // reader thread; tick of the last posted notification
    COMMTIMEOUTS ctTimeouts;       // app thread; timeouts last applied
    COMMPROP cpProps;              // app thread; read once at open
    LONG iPort;                    // app thread; port number 1 to 256
    DWORD dwThreadId;              // app thread
    volatile LONG iRxCount;        // both, only through Interlocked calls: stored and not yet read
    HANDLE hStartSem;              // app thread; null once the thread has taken its start copy
    volatile LONG dwRxDropped;     // reader thread; received bytes the ring had no room for
    volatile LONG bRxOverrun;      // both: set by a store that dropped bytes; the ring then
                                   // takes nothing until a read comes short (reached the hole)
    volatile LONG bRxHoleReached;  // both: set by that read, reported and cleared by Comms_GetError
    volatile LONG bLineLost;       // reader thread: its reads fail persistently (the device is
                                   // gone); Comms_GetError reports CE_IOE while it is set
};

// The receive ring block. At most COMMS_RING_SIZE - 1 bytes are unread: one
// slot stays free so a full ring never looks empty.
struct RXBUF {
    BYTE cData[COMMS_RING_SIZE];
    HANDLE hBufSem;                // named "%XBUFSEM" after the port handle value
    LONG iWritePos;                // holder of hBufSem only
    LONG iReadPos;                 // holder of hBufSem only
};

// Library state. hPortTable is null while no record is in use.
extern HGLOBAL hPortTable;                          // app thread
extern volatile LONG bPortRunning[COMMS_MAX_PORTS]; // app thread; the reader polls it
extern volatile LONG iReadChunk[COMMS_MAX_PORTS];   // app thread; the reader fetches it per request

// Port operations that carry Win32 types.
BOOL Comms_GetState(int index, DCB* dcb);
BOOL Comms_SetState(int index, const DCB* dcb);
BOOL Comms_ConfigDialog(int index, HWND owner);

// Receive side.
DWORD WINAPI Comms_ReaderThread(LPVOID startBlock);
void Comms_StoreReceived(int index, const BYTE* data, int count);
void Comms_ResetReceive(HANDLE hCom);
// The reader thread's reads have failed persistently (lost) or work again:
// kept for Comms_GetError; a loss is announced at once, unthrottled.
void Comms_NoteLineLost(int index, bool lost);
// Received bytes dropped since the port was opened because the ring was full
// or busy; 0 for a port not in use.
DWORD Comms_GetDropped(int index);

// Receive ring.
HGLOBAL Ring_Create(HANDLE hCom);
void Ring_Destroy(HGLOBAL ring);
// 1 once the call has stored what fits (*stored, when given, says how many;
// storing stops at the first byte that does not fit); 0 for a null ring or a
// semaphore time-out (nothing stored).
int Ring_Write(HGLOBAL ring, const BYTE* data, int count, int* stored = nullptr);
int Ring_Read(HGLOBAL ring, BYTE* buffer, int count);
int Ring_Available(HGLOBAL ring);
// Inside the semaphore only. Ring_PutByte returns 0 when the ring is full.
int Ring_PutByte(RXBUF* rb, BYTE value);
int Ring_GetByte(RXBUF* rb, BYTE* value);
int Ring_Count(const RXBUF* rb);

// Hooks. The trace sink receives one line per notable event (a dropped
// receive, a reader thread that would not end); none by default. The tick
// source replaces GetTickCount for the notification throttle (tests).
typedef void (*CommsTraceFn)(const char* text);
typedef DWORD (*CommsTickFn)(void);
void Comms_SetTrace(CommsTraceFn sink);
void Comms_SetTickSource(CommsTickFn tick);  // null restores GetTickCount
// Called by Comms_Read right after it has taken from the ring (tests: a store
// made by the reader thread at that moment); null for none.
typedef void (*CommsReadHookFn)(int index);
void Comms_SetReadHook(CommsReadHookFn hook);
