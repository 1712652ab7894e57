// The serial port library's interface as the driver's core uses it. The
// library itself is Win32 code (comms/win32/); the native tests fake it.
// Portable types only: window handles are opaque and the error record mirrors
// the system's COMSTAT counts.
#pragma once

#include <cstdint>

#include "platform/platform.h"

#define COMMS_MAX_PORTS 256

struct CommsStat {
    uint32_t dwFlags;      // the system record's flag bits, as reported
    uint32_t cbInQue;      // unread bytes in the port's receive ring
    uint32_t cbOutQue;
};

// Port index 0 to 255; -2 when the port is taken; -1 for any other failure.
int Comms_OpenPort(int port, uint32_t speed, int dataBits, int stopBitsCode, int parityCode);
void Comms_ClosePort(int index);
int Comms_SetNotifyWindow(int index, PlatWnd wnd, int readChunk);
// The count on success; fewer (0 or more) when the write's time-out cut it
// short; -1 write failed; -2 bad index; -3 no table.
int Comms_Write(int index, const void* data, uint16_t count);
// The system's error bit for received bytes lost: the receive ring
// reports it once reading has reached the place where bytes were lost.
#define COMMS_CE_RXOVER 0x0001
// The system's error bit for an I/O error: the port's reads have failed
// persistently (the device is gone); reported until the port is closed.
#define COMMS_CE_IOE 0x0400
// The error mask; -1 for a bad index or no table.
int Comms_GetError(int index, CommsStat* stat);
int Comms_Purge(int index, uint32_t flags);
// Bytes taken from the receive ring (0 when empty).
int Comms_Read(int index, void* buffer, int count);
