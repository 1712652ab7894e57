// The router link: the serial port, the receive drain, the poll cycle and the
// health of the link per level.
#pragma once

#include <cstdint>

#include "config/settings.h"

#define COMSTATE_OK   1
#define COMSTATE_FAIL 2

struct LinkState {
    int iComState[LEVEL_COUNT];
    int iOverallState;     // 1 good, 0 failed
    int iTallyRtr;         // level index the poll cycle is on
    int iTallyPtr;         // destination the next tick queries (1-based)
    int iUnAck;            // frames sent since the router last answered; stops at INT_MAX
    int iPortIndex;        // serial port index; 0 when no port is opened
    int bPortOpen;         // a port is open: frames are written and the drain reads
    int bFirstCycle;
    int bDriverOkShown;
    int bPortLost;         // the port failed and is closed; the poll ticks reopen it
    int iReopenTicks;      // poll ticks until the next attempt to reopen it
    int iReopenAttempts;   // attempts of the current series
    int bPolled;           // a poll tick has run: tLastPoll holds its time
    uint32_t tLastPoll;    // clock slot of the last poll tick, ms
};

LinkState& Link();
void ComSup_Reset();

int ComSup_Init();
int ComSup_OpenPort(int port);
// As ComSup_OpenPort, without the message box: the port index or negative.
int ComSup_OpenQuietly(int port);
void ComSup_ClosePort();
// The port's handle failed (a write, or the reader's reads persistently):
// closes it; the poll ticks then try to open it again. Only a port that is
// open can be lost.
void ComSup_PortLost();
// One poll tick's share of reopening a lost port: an attempt every couple
// of seconds, with the same port and line settings, never a message box.
void ComSup_ReopenTick();
void ComSup_SendData(const char* text, int length);
// Sends a frame the router does not answer; it is not counted as unanswered.
void ComSup_SendTake(const char* text, int length);
void ComSup_ReadData();
// The poll timer's period: the TallyDelay setting, a default when negative.
int ComSup_PollPeriodMs();
void Dialog_Tally();
// The poll timer's tick: polls, unless the last poll was less than half a
// period ago (a tick the system let through right behind a late one, which
// would leave the router no time to answer).
void ComSup_PollTimerTick();
// Polls when a whole period has passed since the last poll; the host's
// deliveries call it, as the timer waits behind them during a flood.
void ComSup_PollIfDue();
// Sets the comms state of the level being polled.
int SetComState(int state);
// Sets the comms state of a given level; the Status indicator changes only
// when it is the level being polled.
int SetComStateOf(int level, int state);
int UpdateOverallState();
// The poll start that the panel's initialisation performs.
void ComSup_PollStart();
