// Placeholder until the Leitch protocol is built.
#include "leitch/leitch.h"

void Leitch_Poll(int, int) {}
void Leitch_Connect(int, int, int) {}
void Leitch_RxChar(unsigned char) {}
void Leitch_Decode() {}
void Leitch_ResetLine() {}
int Leitch_RxLen() { return 0; }
void Leitch_Reset() {}
int Leitch_LevelServed(int level) { return level >= 0 && level < LEITCH_MAX_LEVELS; }
void Leitch_TraceUnservedLevels() {}
