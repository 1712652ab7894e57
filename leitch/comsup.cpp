// Placeholder until the router link and poll cycle are built.
#include "leitch/comsup.h"

#include <cstring>

namespace {
LinkState gLink;
}

LinkState& Link() { return gLink; }
void ComSup_Reset() { std::memset(&gLink, 0, sizeof gLink); }
int ComSup_Init() { return 0; }
int ComSup_OpenPort(int) { return 0; }
void ComSup_ClosePort() {}
void ComSup_SendData(const char*, int) {}
void ComSup_ReadData() {}
void Dialog_Tally() {}
int SetComState(int) { return gLink.iOverallState; }
int UpdateOverallState() { return gLink.iOverallState; }
void ComSup_PollStart() { gLink.iOverallState = 1; gLink.iTallyPtr = 1; }
