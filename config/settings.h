// The driver's settings, read once at start-up from VAL_DRN.INI with every
// missing or invalid value defaulted and written back.
#pragma once

#include <cstdint>

#define LEVEL_COUNT 26
#define ACCESS_TABLE_SIZE 1001   // requester numbers 0 to 1000

struct DriverSettings {
    char Name[80];             // controller name in the window title
    char ParkLabel[17];        // label of source 0 on the panel
    int SaveDelay;             // save ticks (30 s) between tally saves
    int TallyDelay;            // poll period, ms
    int CommErrorLimit;        // unacknowledged frames before a level fails
    int bDebugMode;            // trace on when non-zero; 1 also shows the window
    int SourceToDest;
    int DestToSource;
    int NameLength;            // list column width in characters
    int Simulation;            // non-zero: no router, takes answered from the store
    int StatusInfoDriverId;    // status device for IW texts, 0 = none
    int MaxUnAcks;             // unanswered polls before a level fails
    int Com;                   // serial port number, COM1 = 1
    uint32_t Speed;            // baud
    int DataBits;
    int StopBits;              // kept in the file only
    char Parity;               // 'n', 'e' or 'o'
    int iStatusSlot[LEVEL_COUNT];
    int iCurrentLevel;         // the panel's selected level
    int iFlag;                 // 1 when at least one level has a device number > 0
    int bAccess[ACCESS_TABLE_SIZE];
};

DriverSettings& Settings();
void Prof_Reset();

int Prof_LoadSettings();
void Prof_Access();
void Prof_AllowDevice(int number);
// 1 when the requester may send router commands (0 to 1000 and permitted).
int Prof_IsPermitted(int requester);

// Scans a decimal integer as the settings file's numbers are read: leading
// blanks and a sign accepted, stops at the first non-digit; sets *ok to 0
// when no number could be read (the value is then 0).
long long Prof_ScanNumber(const char* text, int* ok);
