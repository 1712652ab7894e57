// Leitch serial protocol: query and take frames, the line assembler and the
// status line decoder.
#pragma once

void Leitch_Poll(int level, int dest);
void Leitch_Connect(int level, int source, int dest);
void Leitch_RxChar(unsigned char byte);
void Leitch_Decode();
// Empties the line being assembled (the router link starts).
void Leitch_ResetLine();
// The assembler's count of bytes held, 0 to 255.
int Leitch_RxLen();
void Leitch_Reset();

// Levels the Leitch link can address without ambiguity (index 0 to 15); the
// poll cycle, the overall state and takes leave the others alone.
#define LEITCH_MAX_LEVELS 16
int Leitch_LevelServed(int level);
// Traces once, at start-up, each configured level that cannot be served.
void Leitch_TraceUnservedLevels();
