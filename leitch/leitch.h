// Leitch serial protocol: query and take frames, the line assembler and the
// status line decoder.
#pragma once

void Leitch_Poll(int level, int dest);
void Leitch_Connect(int level, int source, int dest);
void Leitch_RxChar(unsigned char byte);
void Leitch_Decode();
// Empties the line being assembled (the router link starts).
void Leitch_ResetLine();
// Received bytes were lost: the line in progress is dropped at its end.
void Leitch_DropLine();
// The assembler's count of bytes held, 0 to 255.
int Leitch_RxLen();
// The assembler's 256-byte line buffer (cRxLine), read only.
const unsigned char* Leitch_RxLine();
void Leitch_Reset();

// Levels the Leitch link can address without ambiguity (index 0 to 15); the
// poll cycle, the overall state and takes leave the others alone.
#define LEITCH_MAX_LEVELS 16
int Leitch_LevelServed(int level);
// Traces once, at start-up, each configured level that cannot be served.
void Leitch_TraceUnservedLevels();

// Frame texts, upper case and zero-terminated; each returns the frame's
// length, or 0 when it does not fit in size bytes.
#define LEITCH_FRAME_MAX 32
#define LEITCH_FIXED_FRAME "@ ?\rT F\r"   // first frame of every query
int Leitch_FormatQuery(int level, int dest, char* out, int size);
int Leitch_FormatTake(int level, int source, int dest, char* out, int size);

// A status line's fields as the driver numbers them: level index, 1-based
// destination, 1-based source (0 park) or -1 for no source.
struct LeitchStatus {
    int level;
    int dest;
    int source;
};
#define LEITCH_NOT_STATUS  0   // no "S:" in the line
#define LEITCH_STATUS      1   // fields read into the record
#define LEITCH_UNREADABLE -1   // "S:" present, but a field cannot be read
// Reads a received line (zero-terminated). The level is one hexadecimal
// character right after the first "S:", the destination and source follow
// as "<dest-1>,<source-1>" in hexadecimal; ",X" after the level means no
// source.
int Leitch_ParseStatus(const char* line, LeitchStatus* out);
