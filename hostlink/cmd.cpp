// Placeholder until router command handling is built.
#include "hostlink/cmd.h"

void Cmd_Reset() {}
void Cmd_Dispatch(const char*) {}
int Cmd_Tokenize(const char*, int) { return 0; }
int Cmd_Arg(int) { return 0; }
const char* Cmd_ArgText(int) { return ""; }
void Cmd_Connect(const char*) {}
void Cmd_Lock(const char*) {}
void Cmd_Poll(const char*) {}
void Cmd_Query(const char*) {}
void Cmd_SendRevertives(int, int, int, int, int) {}
int32_t Cmd_TxCount() { return 0; }
