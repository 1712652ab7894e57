// Router commands RC, RL, RP and RQ, and the RR revertives.
#pragma once

#include <cstdint>

#include "hostlink/cmd_fields.h"

void Cmd_Reset();
void Cmd_Dispatch(const char* text);
// Fills the field tables from position 3 of text with the shared reader
// (cmd_fields.h); returns the number of fields set.
int Cmd_Tokenize(const char* text, int maxFields);
int Cmd_Arg(int index);           // iCmdArg[index]
const char* Cmd_ArgText(int index);
void Cmd_Connect(const char* text);
void Cmd_Lock(const char* text);
void Cmd_Poll(const char* text);
void Cmd_Query(const char* text);
void Cmd_SendRevertives(int device, int first, int last, int kind, int requester);
int32_t Cmd_TxCount();            // lTxCount
