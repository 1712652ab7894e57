// Serial port library entries for a build without the serial library: every
// port fails to open and nothing is read or written, so a simulation run
// starts and stops normally. Replaced by comms/ once that library is built.
#include "comms/comms.h"

int Comms_OpenPort(int, uint32_t, int, int, int) { return -1; }
void Comms_ClosePort(int) {}
int Comms_SetNotifyWindow(int, PlatWnd, int) { return -1; }
int Comms_Write(int, const void*, uint16_t) { return -3; }
int Comms_GetError(int, CommsStat*) { return -1; }
int Comms_Purge(int, uint32_t) { return -1; }
int Comms_Read(int, void*, int) { return 0; }
